#include "platform/Printing.h"

#include "platform/PrintingSession.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace Printing {

namespace {

std::array<int, kStepCount> failures{};

struct PaperSize {
  int width = 0;  // points, portrait
  int height = 0;
};

PaperSize SizeOf(Paper paper) { return paper == Paper::kUSLetter ? PaperSize{612, 792} : PaperSize{595, 842}; }

PaperSize OrientedSize(const PageFormat& format) {
  const PaperSize p = SizeOf(format.paper);
  return format.landscape ? PaperSize{p.height, p.width} : p;
}

// The largest resolution whose raster still fits a surface on both axes.
double RasterLimit(const PageFormat& format) {
  const PaperSize p = OrientedSize(format);
  return std::floor(Surface::kMaxSide * 72.0 / std::max(p.width, p.height));
}

int Pixels(int points, double resolution) { return static_cast<int>(std::lround(points * resolution / 72)); }

bool Validate(PageFormat& format) {
  const PageFormat before = format;
  if (format.paper != Paper::kA4 && format.paper != Paper::kUSLetter) format.paper = Paper::kA4;
  const double limit = std::min(kPrinterResolution, RasterLimit(format));
  for (double* r : {&format.resolution.horizontal, &format.resolution.vertical}) {
    *r = std::isfinite(*r) ? std::clamp(*r, 72.0, limit) : 72.0;
  }
  return before.paper != format.paper || before.resolution.horizontal != format.resolution.horizontal ||
         before.resolution.vertical != format.resolution.vertical;
}

// Every call of the printer's resolutions goes through here: its step may be
// failed, and it needs a session.
int PrinterCall(Session* session, Step step, Resolution* resolution) {
  if (session == nullptr) return kInvalidObject;
  if (const int code = Injected(step); code != kNoErr) return Answer(session, code);
  if (resolution != nullptr) *resolution = Resolution{kPrinterResolution, kPrinterResolution};
  return Answer(session, kNoErr);
}

}  // namespace

int Injected(Step step) { return failures[static_cast<std::size_t>(step)]; }

int Answer(Session* session, int code) {
  if (session != nullptr) session->error = code;
  return code;
}

int CreateSession(Session*& session) {
  session = nullptr;
  if (const int code = Injected(Step::kCreateSession); code != kNoErr) return code;
  session = new Session;
  return kNoErr;
}

int CreatePageFormat(PageFormat*& format) {
  format = nullptr;
  if (const int code = Injected(Step::kCreatePageFormat); code != kNoErr) return code;
  format = new PageFormat;
  return kNoErr;
}

int CreatePrintSettings(PrintSettings*& settings) {
  settings = nullptr;
  if (const int code = Injected(Step::kCreatePrintSettings); code != kNoErr) return code;
  settings = new PrintSettings;
  return kNoErr;
}

void Release(PageFormat*& format) {
  delete format;
  format = nullptr;
}

void Release(PrintSettings*& settings) {
  delete settings;
  settings = nullptr;
}

int SessionError(const Session* session) { return session != nullptr ? session->error : kNoErr; }

int SessionDefaultPageFormat(Session* session, PageFormat* format) {
  if (session == nullptr || format == nullptr) return Answer(session, kInvalidObject);
  if (const int code = Injected(Step::kDefaultPageFormat); code != kNoErr) return Answer(session, code);
  *format = PageFormat{};
  return Answer(session, kNoErr);
}

int SessionValidatePageFormat(Session* session, PageFormat* format, bool& changed) {
  changed = false;
  if (session == nullptr || format == nullptr) return Answer(session, kInvalidObject);
  if (const int code = Injected(Step::kValidatePageFormat); code != kNoErr) return Answer(session, code);
  changed = Validate(*format);
  return Answer(session, kNoErr);
}

int SessionDefaultPrintSettings(Session* session, PrintSettings* settings) {
  if (session == nullptr || settings == nullptr) return Answer(session, kInvalidObject);
  if (const int code = Injected(Step::kDefaultPrintSettings); code != kNoErr) return Answer(session, code);
  *settings = PrintSettings{};
  return Answer(session, kNoErr);
}

int PrinterResolutionCount(Session* session, int& count) {
  count = 0;
  const int code = PrinterCall(session, Step::kResolutionCount, nullptr);
  if (code == kNoErr) count = 1;
  return code;
}

int PrinterMaxSquareResolution(Session* session, Resolution& resolution) {
  return PrinterCall(session, Step::kMaxSquareResolution, &resolution);
}

int PrinterMaxResolutionRange(Session* session, Resolution& resolution) {
  return PrinterCall(session, Step::kMaxResolutionRange, &resolution);
}

int SetResolution(Session* session, PageFormat* format, const Resolution& resolution) {
  if (session == nullptr || format == nullptr) return Answer(session, kInvalidObject);
  if (const int code = Injected(Step::kSetResolution); code != kNoErr) return Answer(session, code);
  format->resolution = resolution;
  return Answer(session, kNoErr);
}

int PageSize(const PageFormat& format, int& width, int& height) {
  width = height = 0;
  const Resolution& r = format.resolution;
  if (!(r.horizontal > 0 && r.horizontal <= kPrinterResolution) ||
      !(r.vertical > 0 && r.vertical <= kPrinterResolution)) {
    return kInvalidObject;
  }
  const PaperSize p = OrientedSize(format);
  const int w = Pixels(p.width, r.horizontal);
  const int h = Pixels(p.height, r.vertical);
  if (w < 1 || h < 1 || w > Surface::kMaxSide || h > Surface::kMaxSide) return kInvalidObject;
  width = w;
  height = h;
  return kNoErr;
}

void FailStep(Step step, int code) { failures[static_cast<std::size_t>(step)] = code; }

void ClearFailures() { failures.fill(kNoErr); }

}  // namespace Printing
