// Documents of the printing connection: the page raster and its port, and
// the two writers (PDF through cairo's PDF surface, PNG pages through Png),
// both holding the document in memory until it is written whole.
#include "platform/Printing.h"
#include "platform/PrintingSession.h"

#include "foundation/FileReplace.h"
#include "foundation/IOBase.h"
#include "platform/Png.h"

#include <cairo-pdf.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace Printing {

namespace {

using Bytes = std::vector<unsigned char>;

struct FileContent {
  std::string path;
  Bytes bytes;
};

// Writes every file, all of them or none: each goes to its own replacement,
// and only when every one is written are they put in place. The file
// system's code (also in IOBase::Result) when any step fails.
int WriteFiles(const std::vector<FileContent>& files) {
  std::vector<std::unique_ptr<FileReplace::Replacement>> replacements;
  for (const FileContent& file : files) {
    auto replacement = std::make_unique<FileReplace::Replacement>();
    if (!FileReplace::Begin(std::span<const char>(file.path.c_str(), file.path.size() + 1), nullptr, *replacement)) return IOBase::Result;
    if (const int code = Injected(Step::kWriteFile); code != kNoErr) {
      IOBase::Result = static_cast<std::int16_t>(code);
      return code;
    }
    std::int32_t count = static_cast<std::int32_t>(file.bytes.size());
    if (!IOBytes::Write(replacement->handle, count, file.bytes.data())) return IOBase::Result;
    replacements.push_back(std::move(replacement));
  }
  for (auto& replacement : replacements) {
    if (!FileReplace::Commit(*replacement)) return IOBase::Result;
  }
  return kNoErr;
}

class PdfWriter final : public DocumentWriter {
 public:
  PdfWriter() : surface_(cairo_pdf_surface_create_for_stream(Append, &bytes_, 595, 842)) {}
  ~PdfWriter() override { cairo_surface_destroy(surface_); }
  PdfWriter(const PdfWriter&) = delete;
  PdfWriter& operator=(const PdfWriter&) = delete;

  int AddPage(const Surface::Pixels& raster, const Resolution& resolution) override {
    // Our pixels are cairo's RGB24: 32 bits a pixel, 0x00RRGGBB, rows packed.
    cairo_surface_t* image = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(const_cast<Surface::Pixel*>(raster.Row(0))), CAIRO_FORMAT_RGB24,
        raster.Width(), raster.Height(), raster.Width() * static_cast<int>(sizeof(Surface::Pixel)));
    const double sx = 72 / resolution.horizontal;
    const double sy = 72 / resolution.vertical;
    cairo_pdf_surface_set_size(surface_, raster.Width() * sx, raster.Height() * sy);
    cairo_t* cr = cairo_create(surface_);
    cairo_scale(cr, sx, sy);
    cairo_set_source_surface(cr, image, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
    cairo_show_page(cr);
    const cairo_status_t status = cairo_status(cr);
    cairo_destroy(cr);
    cairo_surface_destroy(image);
    return status == CAIRO_STATUS_SUCCESS ? kNoErr : kGeneralError;
  }

  int Write(const std::string& path) override {
    cairo_surface_finish(surface_);
    if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) return kGeneralError;
    return WriteFiles({FileContent{path, std::move(bytes_)}});
  }

 private:
  static cairo_status_t Append(void* closure, const unsigned char* data, unsigned int length) {
    auto* bytes = static_cast<Bytes*>(closure);
    bytes->insert(bytes->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
  }

  Bytes bytes_;
  cairo_surface_t* surface_;
};

class PngPagesWriter final : public DocumentWriter {
 public:
  int AddPage(const Surface::Pixels& raster, const Resolution&) override {
    Bytes bytes;
    if (!Png::Encode(raster, bytes)) return kGeneralError;
    pages_.push_back(std::move(bytes));
    return kNoErr;
  }

  int Write(const std::string& path) override {
    const std::string stem = Stem(path);
    std::vector<FileContent> files;
    for (std::size_t k = 0; k < pages_.size(); ++k) {
      files.push_back(FileContent{stem + "-" + std::to_string(k + 1) + ".png", std::move(pages_[k])});
    }
    return WriteFiles(files);
  }

 private:
  static std::string Stem(const std::string& path) {
    static constexpr std::string_view kEnding = ".png";
    if (path.size() <= kEnding.size()) return path;
    const std::string ending = path.substr(path.size() - kEnding.size());
    const bool png = std::equal(ending.begin(), ending.end(), kEnding.begin(), [](char a, char b) {
      return std::tolower(static_cast<unsigned char>(a)) == b;
    });
    return png ? path.substr(0, path.size() - kEnding.size()) : path;
  }

  std::vector<Bytes> pages_;
};

// The session's document is over: nothing of it stays.
void Forget(Session& s) {
  if (Port::GetPort() == &s.port) Port::SetPort(nullptr);
  s.writer.reset();
  s.raster = Surface::Pixels();
  s.port = Port::GrafPort{};
  s.documentOpen = false;
  s.pageOpen = false;
  s.pageError = kNoErr;
}

}  // namespace

std::unique_ptr<DocumentWriter> NewPdfWriter() { return std::make_unique<PdfWriter>(); }
std::unique_ptr<DocumentWriter> NewPngPagesWriter() { return std::make_unique<PngPagesWriter>(); }

int BeginDocument(Session* session, const PrintSettings* settings, const PageFormat* format) {
  if (session == nullptr || settings == nullptr || format == nullptr) return Answer(session, kInvalidObject);
  if (const int code = Injected(Step::kBeginDocument); code != kNoErr) return Answer(session, code);
  int width = 0;
  int height = 0;
  if (session->documentOpen || settings->path.empty()) return Answer(session, kOutOfScope);
  if (const int code = PageSize(*format, width, height); code != kNoErr) return Answer(session, code);
  session->settings = *settings;
  session->format = *format;
  session->writer =
      settings->destination == Destination::kPngPages ? NewPngPagesWriter() : NewPdfWriter();
  session->documentOpen = true;
  return Answer(session, kNoErr);
}

int BeginPage(Session* session) {
  if (session == nullptr) return kInvalidObject;
  if (const int code = Injected(Step::kBeginPage); code != kNoErr) return Answer(session, code);
  if (!session->documentOpen || session->pageOpen) return Answer(session, kOutOfScope);
  int width = 0;
  int height = 0;
  PageSize(session->format, width, height);
  session->raster = Surface::Pixels(width, height, Color::ToPixel(Color::kWhite));
  Port::InitPort(session->port, &session->raster, Geometry::SetRect(0, 0, width, height));
  session->pageOpen = true;
  return Answer(session, kNoErr);
}

int GetPagePort(Session* session, Port::GrafPort*& port) {
  port = nullptr;
  if (session == nullptr) return kInvalidObject;
  if (const int code = Injected(Step::kGetPagePort); code != kNoErr) return Answer(session, code);
  if (!session->pageOpen) return Answer(session, kOutOfScope);
  port = &session->port;
  return Answer(session, kNoErr);
}

int EndPage(Session* session) {
  if (session == nullptr) return kInvalidObject;
  if (const int code = Injected(Step::kEndPage); code != kNoErr) return Answer(session, code);
  if (!session->pageOpen) return Answer(session, kOutOfScope);
  if (Port::GetPort() == &session->port) Port::SetPort(nullptr);
  session->pageOpen = false;
  const int code = session->writer->AddPage(session->raster, session->format.resolution);
  if (session->pageError == kNoErr) session->pageError = code;
  session->raster = Surface::Pixels();
  return Answer(session, code);
}

int EndDocument(Session* session) {
  if (session == nullptr) return kInvalidObject;
  if (const int code = Injected(Step::kEndDocument); code != kNoErr) return Answer(session, code);
  if (!session->documentOpen) return Answer(session, kOutOfScope);
  // A document that lost a page is not written at all.
  int code = session->pageOpen ? EndPage(session) : kNoErr;
  if (code == kNoErr) code = session->pageError;
  if (code == kNoErr) code = session->writer->Write(session->settings.path);
  Forget(*session);
  return Answer(session, code);
}

int CancelDocument(Session* session) {
  if (session == nullptr) return kInvalidObject;
  if (!session->documentOpen) return Answer(session, kOutOfScope);
  Forget(*session);
  return Answer(session, kNoErr);
}

void Release(Session*& session) {
  if (session != nullptr) Forget(*session);
  delete session;
  session = nullptr;
}

}  // namespace Printing
