// The fixture of the macro and help tests and fuzz targets: a File menu
// ("Open", "Save As...", "Close") and the dialog "Amplifier" (macro ID "E")
// with an item of every value kind, all taking part in macros. Header-only
// so that the fuzz targets, which link no test helpers, build it too; it
// needs the graphics, terminal and dialog modules started.
#pragma once

#include <cstdint>
#include <iterator>
#include <string_view>

#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogUt.h"
#include "platform/Fonts.h"
#include "shell/ModMenus.h"

namespace MacroFixture {

enum Item { kGain = 1, kRs, kCount, kShort, kBoxes, kEnabled, kMode, kLabel, kRun, kLetter, kItems = kLetter };

struct Variables {
  double gain = 0;  // in V
  float rs = 0;     // in Ohm, shown in MOhm
  std::int32_t count = 0;
  std::int16_t shortValue = 0;
  std::uint16_t boxes = 0;
  std::uint8_t enabled = 0;
  std::uint8_t mode = 0;
  char label[41] = "";
  std::uint8_t letter = 0;
};

struct Spec {
  int type;
  const char* name;
  int left, bottom;
};

inline constexpr Spec kSpecs[kItems] = {
    {ModDialogUt::kDrag, "Gain", 10, 30},       {ModDialogUt::kDrag, "Rs", 10, 60},
    {ModDialogUt::kDrag, "Count", 10, 90},      {ModDialogUt::kDrag, "Short", 10, 120},
    {ModDialogUt::kMultiCheck, "Boxes", 200, 30}, {ModDialogUt::kCheckBox, "Enabled", 200, 60},
    {ModDialogUt::kList, "Mode", 200, 90},      {ModDialogUt::kEditText, "Label", 200, 120},
    {ModDialogUt::kButton, "Run", 200, 150},    {ModDialogUt::kDrag, "Letter", 10, 150},
};

inline ModDialogUt::DialogRecord* building = nullptr;

inline void Fill() {
  using namespace ModDialogUt;
  DialogRecord* d = building;
  for (int n = 1; n <= kItems; ++n) {
    const Spec& s = kSpecs[n - 1];
    FillTextField(d, n, s.type, std::string_view(s.name), true, std::string_view(s.name), s.left, s.bottom, 150, 20);
  }
  FillDragField(d, kGain, " V", kEngineering, kDouble, 10, 4, 0.1, -10, 10, 1, false, 0);
  FillDragField(d, kRs, " M\xCE\xA9", kFixed, kSingle, 10, 1, 1, 0, 1e12, 1e-6, false, 0);
  FillDragField(d, kCount, "", kInteger, kInt32, 10, 6, 1, -1e6, 1e6, 1, false, 0);
  FillDragField(d, kShort, " pts", kInteger, kInt16, 10, 5, 1, -30000, 30000, 1, false, 0);
  FillDragField(d, kLetter, "", kInteger, kByte, 4, 3, 1, 0, 255, 1, false, 0);
  d->Items[kBoxes]->Digits = 4;
}

inline void Lists() {
  using namespace ModDialogUt;
  CreateMenuList(building, kMode, "Mode");
  for (const char* entry : {"Off", "Slow", "Fast"}) AddListItem(building, kMode, std::string_view(entry));
  building->Items[kMode]->Area.List.MarkBlock = 1;
}

// The menu and the dialog with its variables bound; itemProcs and
// menuProcs hold kItems + 1 and 4 procedures (index 0 unused). FALSE when
// the dialog cannot be opened.
inline bool Build(ModDialogUt::DialogRecord& dialog, ModDialogUt::DialogItem* (&items)[kItems + 1], Variables& v,
                  const ModDialogUt::Proc* itemProcs, const ModMenus::Procedure* menuProcs, int& fileMenu) {
  using namespace ModDialogUt;
  ModMenus::CreateMenu(fileMenu, "File");
  for (const char* text : {"Open", "Save As...", "Close"}) ModMenus::AppendItem(fileMenu, std::string_view(text));
  for (int item = 1; item <= 3; ++item) ModMenus::SetItemProc(fileMenu, item, menuProcs[item]);
  ClearRecord(&dialog);
  building = &dialog;
  if (!InitializeRecord(&dialog, items, true, false, "Amplifier", "Amplifier", Fonts::kGeneva, 12, kItems, 40, 300,
                        400, 200, 0) ||
      !ModDialog::Initialize(&dialog, 0, Fill, Lists, false, true, true, true, false, "E")) {
    return false;
  }
  void* variables[] = {nullptr, &v.gain, &v.rs,   &v.count, &v.shortValue, &v.boxes,
                       &v.enabled, &v.mode, nullptr, nullptr, &v.letter};
  for (int n = 1; n <= kItems; ++n) FillProcField(&dialog, n, variables[n], itemProcs[n], nullptr);
  FillEdittextField(&dialog, kLabel, v.label, static_cast<int>(std::size(v.label)) - 1);
  return true;
}

}  // namespace MacroFixture
