// The print job: its preparation, the page-setup and print dialogs, and the
// page bracket with the page's graphics window.
#include "shell/Printer.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "dialogs/Alert.h"
#include "foundation/Decode.h"
#include "foundation/Strings.h"
#include "shell/GraphBase.h"
#include "shell/ModWindow.h"
#include "shell/Mouse.h"

namespace Printer {

PrintJobRecord* MainJob = nullptr;
int err = Printing::kNoErr;

namespace {

constexpr int kJobNumbers = 99;
constexpr double kMaxResolution = 288;

// err := code; TRUE for success.
bool Took(int code) {
  err = code;
  return code == Printing::kNoErr;
}

// "Error (" code ") " and what failed, with a beep; FALSE.
bool Report(std::span<const char> what) {
  char message[128] = "Error (";
  Decode::Integer(err, message, 0);
  Strings::Concat(message, ") ");
  Strings::Concat(message, what);
  Alert::Beep();
  Alert::OK(message);
  return false;
}

// The first of "PrintJob0" .. "PrintJob98" that names no buffer; FALSE when
// all do.
bool FreeJobName(std::span<char> name) {
  for (int n = 0; n < kJobNumbers; ++n) {
    Strings::Assign(name, "PrintJob");
    Decode::Integer(n, name, 0);
    if (Buffer::Lookup(name) == nullptr) return true;
  }
  return false;
}

bool CreateJob() {
  char name[kNameSize];
  if (!FreeJobName(name)) return false;
  Buffer::NamedBuffer buffer = Buffer::Create(name, Buffer::kSingleBlock);
  void* block = nullptr;
  Buffer::AllocateBlock(buffer, static_cast<std::int32_t>(sizeof(PrintJobRecord)), block);
  if (block == nullptr) {
    Buffer::Delete(buffer);
    return false;
  }
  auto* job = new (block) PrintJobRecord;
  Strings::Assign(job->name, name);
  job->ownBuffer = buffer;
  MainJob = job;
  return true;
}

void ReleasePageFormat(PrintJobRecord& job) { Printing::Release(job.pageFormat); }

bool InitializePrinter() {
  if (MainJob == nullptr && !CreateJob()) return false;
  PrintJobRecord& job = *MainJob;
  CheckSettings();
  if (job.connection == nullptr && !Took(Printing::CreateSession(job.connection))) {
    return Report("creating print session.");
  }
  if (job.pageFormat == nullptr) {
    if (!Took(Printing::CreatePageFormat(job.pageFormat))) return Report("creating page format.");
    if (!Took(Printing::SessionDefaultPageFormat(job.connection, job.pageFormat))) {
      ReleasePageFormat(job);
      return Report("setting default page format.");
    }
  }
  bool changed = false;
  if (!Took(Printing::SessionValidatePageFormat(job.connection, job.pageFormat, changed))) {
    ReleasePageFormat(job);
    return Report("page format validation failed.");
  }
  if (changed) {
    job.pageSetupAccepted = false;
    job.printAccepted = false;
  }
  return true;
}

// Runs a platform dialog with the arrow cursor, the cursor shape restored.
template <typename Dialog>
bool WithArrow(Dialog dialog) {
  const int shape = Mouse::GetCursorShape();
  Mouse::SetArrowCursor();
  bool accepted = false;
  const bool ran = Took(dialog(accepted));
  Mouse::SetCursorShape(shape);
  return ran && accepted;
}

bool CallPageSetupDialog() {
  PrintJobRecord& job = *MainJob;
  job.pageSetupAccepted = WithArrow(
      [&job](bool& accepted) { return Printing::PageSetupDialog(job.connection, job.pageFormat, accepted); });
  if (!job.pageSetupAccepted) CloseJob();
  return job.pageSetupAccepted;
}

bool JobDialog() {
  PrintJobRecord& job = *MainJob;
  if (!job.pageSetupAccepted) {
    job.printAccepted = false;
    if (!CallPageSetupDialog()) return false;
  }
  if (job.printSettings == nullptr && !Took(Printing::CreatePrintSettings(job.printSettings))) {
    Printing::Release(job.connection);
    return Report("creating print settings.");
  }
  Took(Printing::SessionDefaultPrintSettings(job.connection, job.printSettings));
  job.printAccepted = WithArrow([&job](bool& accepted) {
    return Printing::PrintDialog(job.connection, job.printSettings, job.pageFormat, accepted);
  });
  if (!job.printAccepted) CloseJob();
  return job.printAccepted;
}

// ---- The page's graphics window ---------------------------------------------------

void FreePageContext(PrintJobRecord& job) {
  if (job.pageWindow != nullptr) {
    Graphics::RemoveWindow(job.pageWindow);
    Graphics::FreeRecord(job.pageWindow);
  }
  if (job.pageWindowRecord != nullptr) {
    void* block = job.pageWindowRecord;
    job.pageWindowRecord->~PlatformWindowRecord();
    Buffer::Deallocate(job.heap, static_cast<std::int32_t>(sizeof(ModWindow::PlatformWindowRecord)), block);
    job.pageWindowRecord = nullptr;
  }
}

bool MakePageContext(PrintJobRecord& job, int scale) {
  job.heap = GraphBase::WorkspaceHandle();
  void* block = nullptr;
  Buffer::Allocate(job.heap, static_cast<std::int32_t>(sizeof(ModWindow::PlatformWindowRecord)), block);
  if (block == nullptr) return false;
  auto* record = new (block) ModWindow::PlatformWindowRecord;
  record->heap = job.heap;
  record->sizeFactor = scale;
  record->zoomable = false;
  job.pageWindowRecord = record;
  job.pageWindow = Graphics::AllocateRecord(record);
  record->root = job.pageWindow;
  return job.pageWindow != nullptr;
}

// The port's bounds and colours, and the depth of the window printing.
void TakePort(PrintJobRecord& job, Graphics::GraphicsWindow window) {
  ModWindow::PlatformWindowRecord& record = *job.pageWindowRecord;
  job.pageWindow->port = job.printingPort;
  Port::SetPort(job.printingPort);
  record.foreground = Port::GetForeColor();
  record.background = Port::GetBackColor();
  record.depth = ModWindow::GetColors(window);
  const Geometry::Rect bounds = job.printingPort->portRect;
  Graphics::ResizeWindowInt(job.pageWindow, bounds.left, bounds.top, bounds.right, bounds.bottom);
}

void ResetPageWindow(PrintJobRecord& job) {
  Graphics::SetDefaultState(job.pageWindow);
  Graphics::ResetWindow(job.pageWindow);
  Graphics::SetOutputDevice(job.pageWindow, Graphics::kPrinter, "");
}

// The resolution of the page; scale 1 when the printer does not tell it.
bool SetPageResolution(PrintJobRecord& job, int& scale) {
  scale = 1;
  int count = 0;
  if (!Took(Printing::PrinterResolutionCount(job.connection, count))) return err == Printing::kNotImplemented;
  Printing::Resolution r;
  const int code = count == 1 ? Printing::PrinterMaxSquareResolution(job.connection, r)
                              : Printing::PrinterMaxResolutionRange(job.connection, r);
  if (!Took(code)) return err == Printing::kNotImplemented;
  r.horizontal = std::min(r.horizontal, kMaxResolution);
  r.vertical = std::min(r.vertical, kMaxResolution);
  bool changed = false;
  if (!Took(Printing::SetResolution(job.connection, job.pageFormat, r)) ||
      !Took(Printing::SessionValidatePageFormat(job.connection, job.pageFormat, changed))) {
    return false;
  }
  scale = static_cast<int>(std::lround(r.horizontal / 72));
  return true;
}

bool TakePagePort(PrintJobRecord& job) {
  job.printingPort = nullptr;
  return Took(Printing::GetPagePort(job.connection, job.printingPort)) && job.printingPort != nullptr;
}

// Ends page and document; TRUE when the document was written.
bool EndDocument(PrintJobRecord& job) {
  if (job.pageOpen) Printing::EndPage(job.connection);
  job.pageOpen = false;
  job.printingPort = nullptr;
  if (!job.documentOpen) return true;
  job.documentOpen = false;
  const int code = Printing::EndDocument(job.connection);
  err = code;
  return code == Printing::kNoErr || code == Printing::kOutOfScope;
}

}  // namespace

void Initialize() {
  MainJob = nullptr;
  err = Printing::kNoErr;
  MarginsSet = false;
  Defaults = PrinterDefaults{0.05, 0.05, 0.125, 0.05, 12, Graphics::GetFont("Courier"), true};
}

void Shutdown() {
  if (MainJob == nullptr) return;
  PrintJobRecord& job = *MainJob;
  FreePageContext(job);
  if (job.documentOpen) Printing::CancelDocument(job.connection);
  Printing::Release(job.printSettings);
  Printing::Release(job.connection);
  Printing::Release(job.pageFormat);
  Buffer::NamedBuffer buffer = job.ownBuffer;
  job.~PrintJobRecord();
  MainJob = nullptr;
  Buffer::Delete(buffer);
}

bool NewJob() { return InitializePrinter() && JobDialog(); }

void PageSetupDialog() {
  if (InitializePrinter()) CallPageSetupDialog();
  CloseJob();
}

void CloseJob() {
  if (MainJob == nullptr) return;
  MainJob->printAccepted = false;
  Printing::Release(MainJob->printSettings);
  Printing::Release(MainJob->connection);
}

bool StartPage(Graphics::GraphicsWindow window) {
  if (MainJob == nullptr) return false;
  PrintJobRecord& job = *MainJob;
  int scale = 1;
  bool ok = SetPageResolution(job, scale);
  if (ok && !job.documentOpen) {
    ok = Took(Printing::BeginDocument(job.connection, job.printSettings, job.pageFormat));
    job.documentOpen = ok;
  }
  if (ok && !job.pageOpen && Printing::SessionError(job.connection) == Printing::kNoErr) {
    ok = Took(Printing::BeginPage(job.connection));
    job.pageOpen = ok;
  }
  ok = ok && MakePageContext(job, scale) && TakePagePort(job);
  if (!ok) {
    // Nothing has been printed yet: the document goes without a file.
    FreePageContext(job);
    if (job.documentOpen) Printing::CancelDocument(job.connection);
    job.documentOpen = false;
    job.pageOpen = false;
    job.printingPort = nullptr;
    return false;
  }
  TakePort(job, window);
  ResetPageWindow(job);
  return true;
}

bool NewPage() {
  if (MainJob == nullptr) return false;
  PrintJobRecord& job = *MainJob;
  Printing::EndPage(job.connection);
  job.pageOpen = false;
  job.printingPort = nullptr;
  if (!Took(Printing::BeginPage(job.connection))) return false;
  job.pageOpen = true;
  if (!TakePagePort(job) || job.pageWindow == nullptr) return false;
  Port::SetPort(job.printingPort);
  job.pageWindow->port = job.printingPort;
  ResetPageWindow(job);
  return true;
}

void ClosePage() {
  if (MainJob == nullptr) return;
  PrintJobRecord& job = *MainJob;
  FreePageContext(job);
  if (!EndDocument(job)) Alert::IOError("Printed document not written");
}

Graphics::GraphicsWindow PageWindow() { return MainJob != nullptr ? MainJob->pageWindow : nullptr; }

Port::GrafPort* PrintingPort() {
  return MainJob != nullptr && MainJob->pageOpen ? MainJob->printingPort : nullptr;
}

}  // namespace Printer
