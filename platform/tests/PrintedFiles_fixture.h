// Shared by the printing tests: a scratch folder, and what poppler's tools
// make of a PDF (its page count and sizes, its pages rendered as pixels).
#pragma once

#include "platform/Surface.h"

#include <filesystem>
#include <string>
#include <vector>

// A new empty folder under /tmp, removed with everything in it at the end.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  // The names of the files in it, in order.
  std::vector<std::string> Names() const;

 private:
  std::filesystem::path path_;
};

// Runs the current directory as the folder for the scope (the file
// chooser starts there).
class InFolder {
 public:
  explicit InFolder(const std::filesystem::path& folder);
  ~InFolder();
  InFolder(const InFolder&) = delete;
  InFolder& operator=(const InFolder&) = delete;

 private:
  std::filesystem::path previous_;
};

struct PdfFacts {
  int pages = -1;         // -1 when pdfinfo cannot read the file
  std::string pageSize;   // pdfinfo's "Page size:" of page 1, e.g. "595 x 842 pts (A4)"
};
PdfFacts ReadPdf(const std::string& path);

// Every page rendered at the resolution, in page order; empty when it
// fails. Rendered by poppler's cairo renderer (pdftocairo): pdftoppm's own
// renderer draws an image that ends exactly on a pixel edge one pixel
// larger, resampled, so it never gives a page back pixel for pixel.
std::vector<Surface::Pixels> RenderPdf(const std::string& path, int dpi);

std::string FileText(const std::string& path);
