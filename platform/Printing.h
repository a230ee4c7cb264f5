// The printing connection: print sessions, page formats and print
// settings, the page-setup and print dialogs, the current printer's
// resolutions, and documents of pages drawn through a port over a page
// raster. There is no paper: a document becomes a PDF file or one PNG file
// per page, as the print dialog chose.
//
// Results. Every call answers kNoErr or a negative code and records it as
// its session's pending error (SessionError). kInvalidObject: a nil
// argument; kOutOfScope: a call out of order (a page outside a document, a
// second document, a port outside a page); kNotImplemented is the answer of
// something the connection does not do. The file written at EndDocument
// answers the file system's code (IOBase::Result, text IOFiles::Message).
//
// Page formats. Paper A4 (595 x 842 points) or US Letter (612 x 792),
// portrait or landscape, and a resolution in dots per inch (72 by
// default). A page's raster has the paper's points times resolution / 72
// pixels; validation keeps the resolution between 72 and what the printer
// and the raster allow, and puts an unknown paper back to A4.
//
// The current printer reports one square resolution, 600 dpi.
//
// Documents. BeginDocument takes the settings' destination and file; each
// BeginPage gives a white raster and GetPagePort a port over it (local
// (0, 0) the paper's top-left corner); EndPage turns the raster into the
// document's next page: for a PDF one image filling its page 1:1, without
// smoothing, the page's size in points the raster's pixels times
// 72 / resolution. Nothing reaches the disk before EndDocument, which
// writes the whole document through a file replacement (FileReplace):
// a PDF or the pages "<name>-1.png", "<name>-2.png" ... (a ".png" ending of
// the chosen name dropped first). When any of it cannot be written, no
// file is made or changed and the code tells why.
//
// Dialogs. The page-setup dialog (template kPageSetupDialogID) edits paper
// and orientation, the print dialog (kPrintDialogID) the destination,
// whose file name the layer's file chooser then asks for (proposing the
// folder and name chosen last); both are modal, answered headless by script
// steps. `accepted` tells whether the operator confirmed; a dialog that
// could not run answers a code and leaves `accepted` false.
//
// Test side: FailStep makes a chosen call answer a chosen code, without
// doing anything else, until ClearFailures. Failing kWriteFile makes
// EndDocument's file writing fail with that code after the replacement has
// begun, as a full disk would.
//
// Main thread only.
#pragma once

#include "platform/Port.h"
#include "platform/Surface.h"

#include <string>

namespace Printing {

inline constexpr int kNoErr = 0;
inline constexpr int kGeneralError = -30870;
inline constexpr int kOutOfScope = -30871;
inline constexpr int kInvalidObject = -30872;
inline constexpr int kNotImplemented = -30873;

inline constexpr int kPageSetupDialogID = 30020;
inline constexpr int kPrintDialogID = 30021;

// Items of the templates.
inline constexpr int kOKItem = 1;
inline constexpr int kCancelItem = 2;
inline constexpr int kA4Item = 4;
inline constexpr int kLetterItem = 5;
inline constexpr int kPortraitItem = 7;
inline constexpr int kLandscapeItem = 8;
inline constexpr int kPdfItem = 4;
inline constexpr int kPngItem = 5;

inline constexpr double kPrinterResolution = 600;

enum class Paper { kA4, kUSLetter };
enum class Destination { kPdfFile, kPngPages };

struct Resolution {
  double horizontal = 72;
  double vertical = 72;
};

struct Session;

struct PageFormat {
  Paper paper = Paper::kA4;
  bool landscape = false;
  Resolution resolution;
};

struct PrintSettings {
  Destination destination = Destination::kPdfFile;
  std::string path;  // the file the document goes to; empty: none chosen
};

// ---- Objects ------------------------------------------------------------------

int CreateSession(Session*& session);
int CreatePageFormat(PageFormat*& format);
int CreatePrintSettings(PrintSettings*& settings);
// Frees the object (a session's open document is dropped unwritten) and
// sets the variable nil; nothing for nil.
void Release(Session*& session);
void Release(PageFormat*& format);
void Release(PrintSettings*& settings);

// The code of the session's last call; kNoErr for nil.
int SessionError(const Session* session);

// A4 portrait at 72 dpi.
int SessionDefaultPageFormat(Session* session, PageFormat* format);
// Puts the format within what the printer and the raster allow; changed
// tells whether anything had to move.
int SessionValidatePageFormat(Session* session, PageFormat* format, bool& changed);
// A PDF file, no file chosen.
int SessionDefaultPrintSettings(Session* session, PrintSettings* settings);

// ---- Dialogs ----------------------------------------------------------------------

int PageSetupDialog(Session* session, PageFormat* format, bool& accepted);
int PrintDialog(Session* session, PrintSettings* settings, PageFormat* format, bool& accepted);

// ---- The current printer ------------------------------------------------------------

int PrinterResolutionCount(Session* session, int& count);
// The largest square resolution, and the largest of the range.
int PrinterMaxSquareResolution(Session* session, Resolution& resolution);
int PrinterMaxResolutionRange(Session* session, Resolution& resolution);
int SetResolution(Session* session, PageFormat* format, const Resolution& resolution);

// The page's size in pixels at the format's resolution; kInvalidObject
// (sizes 0) for a resolution that no validated format has.
int PageSize(const PageFormat& format, int& width, int& height);

// ---- Documents -------------------------------------------------------------------------

// The format is taken as it is now; the settings must name a file.
int BeginDocument(Session* session, const PrintSettings* settings, const PageFormat* format);
int BeginPage(Session* session);
// The port of the open page; nil with kOutOfScope outside one.
int GetPagePort(Session* session, Port::GrafPort*& port);
int EndPage(Session* session);
// Ends an open page first, then writes the document (see above).
int EndDocument(Session* session);
// Ends the document, an open page included, and writes nothing.
int CancelDocument(Session* session);

// ---- Test side ---------------------------------------------------------------------------

enum class Step {
  kCreateSession,
  kCreatePageFormat,
  kCreatePrintSettings,
  kDefaultPageFormat,
  kValidatePageFormat,
  kDefaultPrintSettings,
  kPageSetupDialog,
  kPrintDialog,
  kResolutionCount,
  kMaxSquareResolution,
  kMaxResolutionRange,
  kSetResolution,
  kBeginDocument,
  kBeginPage,
  kGetPagePort,
  kEndPage,
  kEndDocument,
  kWriteFile,
};
inline constexpr int kStepCount = static_cast<int>(Step::kWriteFile) + 1;

void FailStep(Step step, int code);
void ClearFailures();

}  // namespace Printing
