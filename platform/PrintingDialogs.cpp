// The page-setup and print dialogs of the printing connection.
#include "platform/Printing.h"
#include "platform/PrintingSession.h"

#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/FileChooser.h"
#include "platform/Windows.h"

#include <filesystem>
#include <string>

namespace Printing {

namespace {

// Where the last document went: the next print dialog proposes its folder
// and name.
std::string lastFolder;
std::string lastStem = "Print";

void SetRadio(Dialogs::Dialog* d, int item, bool on) {
  Controls::SetControlValue(Dialogs::GetItemControl(d, item), on ? 1 : 0);
}

// The dialog of the template with item 1 the default and 2 the cancel item;
// nil without the template.
Dialogs::Dialog* OpenDialog(int id) {
  Dialogs::Dialog* d = Dialogs::GetNewDialog(id);
  if (d == nullptr) return nullptr;
  Dialogs::SetDefaultItem(d, kOKItem);
  Dialogs::SetCancelItem(d, kCancelItem);
  return d;
}

void Show(Dialogs::Dialog* d) {
  Windows::Window* w = Dialogs::GetDialogWindow(d);
  Windows::ShowWindow(w);
  Windows::SelectWindow(w);
}

// Runs the dialog until OK or Cancel; the pair of radio buttons starting at
// each of the two items is kept with one of them on. TRUE for OK.
bool Run(Dialogs::Dialog* d, int firstPair, int secondPair) {
  for (;;) {
    int item = 0;
    Dialogs::ModalDialog(nullptr, item);
    if (Dialogs::ModalEnded() || item == kCancelItem) return false;
    if (item == kOKItem) return true;
    for (const int pair : {firstPair, secondPair}) {
      if (pair > 0 && (item == pair || item == pair + 1)) {
        SetRadio(d, pair, item == pair);
        SetRadio(d, pair + 1, item == pair + 1);
      }
    }
  }
}

bool IsOn(const Dialogs::Dialog* d, int item) {
  return Controls::GetControlValue(Dialogs::GetItemControl(d, item)) != 0;
}

// The file of the document, through the file chooser.
bool ChooseFile(PrintSettings& settings) {
  const bool png = settings.destination == Destination::kPngPages;
  FileChooser::Request request;
  request.kind = FileChooser::Kind::kSave;
  request.folder = lastFolder;
  request.prompt = png ? "Print PNG pages" : "Print to a PDF file";
  request.message = png ? "Each page becomes a file: <name>-<page>.png" : "";
  request.name = lastStem + (png ? ".png" : ".pdf");
  std::string path;
  if (!FileChooser::Choose(request, path)) return false;
  const std::filesystem::path chosen(path);
  lastFolder = chosen.parent_path().string();
  lastStem = chosen.stem().string();
  settings.path = path;
  return true;
}

}  // namespace

int PageSetupDialog(Session* session, PageFormat* format, bool& accepted) {
  accepted = false;
  if (session == nullptr || format == nullptr) return Answer(session, kInvalidObject);
  if (const int code = Injected(Step::kPageSetupDialog); code != kNoErr) return Answer(session, code);
  Dialogs::Dialog* d = OpenDialog(kPageSetupDialogID);
  if (d == nullptr) return Answer(session, kGeneralError);
  SetRadio(d, kA4Item, format->paper == Paper::kA4);
  SetRadio(d, kLetterItem, format->paper == Paper::kUSLetter);
  SetRadio(d, kPortraitItem, !format->landscape);
  SetRadio(d, kLandscapeItem, format->landscape);
  Show(d);
  accepted = Run(d, kA4Item, kPortraitItem);
  if (accepted) {
    format->paper = IsOn(d, kLetterItem) ? Paper::kUSLetter : Paper::kA4;
    format->landscape = IsOn(d, kLandscapeItem);
  }
  Dialogs::DisposeDialog(d);
  return Answer(session, kNoErr);
}

int PrintDialog(Session* session, PrintSettings* settings, PageFormat* format, bool& accepted) {
  accepted = false;
  if (session == nullptr || settings == nullptr || format == nullptr) return Answer(session, kInvalidObject);
  if (const int code = Injected(Step::kPrintDialog); code != kNoErr) return Answer(session, code);
  Dialogs::Dialog* d = OpenDialog(kPrintDialogID);
  if (d == nullptr) return Answer(session, kGeneralError);
  SetRadio(d, kPdfItem, settings->destination == Destination::kPdfFile);
  SetRadio(d, kPngItem, settings->destination == Destination::kPngPages);
  Show(d);
  PrintSettings chosen = *settings;
  if (Run(d, kPdfItem, 0)) {
    chosen.destination = IsOn(d, kPngItem) ? Destination::kPngPages : Destination::kPdfFile;
    Dialogs::DisposeDialog(d);
    d = nullptr;
    accepted = ChooseFile(chosen);
  }
  Dialogs::DisposeDialog(d);
  if (accepted) *settings = chosen;
  return Answer(session, kNoErr);
}

}  // namespace Printing
