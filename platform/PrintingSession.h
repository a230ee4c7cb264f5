// Inside the printing connection: what a session holds, the writers of
// the two kinds of document, and the test side's failures, shared by the
// connection's source files.
#pragma once

#include "platform/Printing.h"

#include <memory>
#include <string>
#include <vector>

namespace Printing {

// Collects the pages of one document and writes them at its end.
class DocumentWriter {
 public:
  virtual ~DocumentWriter() = default;
  // kNoErr, or the code of a page that could not be taken in.
  virtual int AddPage(const Surface::Pixels& raster, const Resolution& resolution) = 0;
  // Writes every page to `path` (see Printing.h); kNoErr or the file
  // system's code. Called once.
  virtual int Write(const std::string& path) = 0;
};

std::unique_ptr<DocumentWriter> NewPdfWriter();
std::unique_ptr<DocumentWriter> NewPngPagesWriter();

struct Session {
  int error = kNoErr;
  bool documentOpen = false;
  bool pageOpen = false;
  int pageError = kNoErr;  // the first page the writer could not take
  PrintSettings settings;  // as the document began
  PageFormat format;
  std::unique_ptr<DocumentWriter> writer;
  Surface::Pixels raster;
  Port::GrafPort port;
};

// The code a test made the step answer; kNoErr when it runs as usual.
int Injected(Step step);

// Records the code as the session's pending error and answers it.
int Answer(Session* session, int code);

}  // namespace Printing
