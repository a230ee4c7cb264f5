// Item drawing: every item type in its states, compared with a golden
// image, and the geometry rules of boxes and icons.
#include "dialogs/ModDialogIcons.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogTools.h"
#include "dialogs/tests/ModDialog_fixture.h"
#include "shell/Graphics.h"

namespace {

using namespace ModDialogUt;

class ModDialogIconsTest : public ModDialogTest {};

constexpr Color::RGB kNavy{0x1000, 0x2000, 0x6000};

TEST_F(ModDialogIconsTest, EveryItemTypeInItsStates) {
  std::uint8_t on = 1, off = 0, paneA = 1, paneB = 0, listIndex = 1, framedIndex = 0;
  std::uint16_t bits = 0b10110101;
  double volts = 0.0015, dragValue = 12.5, error = 1;
  char edited[16] = "in place";
  char password[16] = "secret";
  Dialog& dialog = Make();
  const std::vector<ItemSpec> specs = {
      {kButton, "ok", "OK", 20, 40, 70, 22},                 // 1
      {kSwitch, "switch", "Switch", 110, 40, 80, 20},        // 2
      {kSwitch, "disabled", "Disabled", 210, 40, 80, 20},    // 3
      {kRadioButton, "r1", "Radio on", 20, 70, 100, 16},     // 4
      {kRadioButton, "r2", "Radio off", 130, 70, 100, 16},   // 5
      {kCheckBox, "c1", "Checked", 240, 70, 100, 16},        // 6
      {kCheckBox, "c2", "Dark box", 350, 70, 100, 16},       // 7
      {kMultiCheck, "bits", "bits", 20, 95, 160, 14},        // 8
      {kText, "text", "First line\rSecond line", 200, 110, 150, 34},  // 9
      {kFramedText, "ft", "Framed text", 370, 100, 120, 18},  // 10
      {kFramedNumber, "fn", "U = ", 20, 130, 140, 18},        // 11
      {kFramedBool, "fb", "Bool", 370, 130, 60, 18},          // 12
      {kDrag, "drag", "", 20, 160, 100, 18},                  // 13
      {kDrag2, "drag2", "Both", 140, 160, 60, 18},            // 14
      {kEditText, "edit", "", 220, 160, 110, 18},             // 15
      {kEditText, "pass", "", 350, 160, 110, 18},             // 16
      {kList, "list", "", 20, 190, 110, 18},                  // 17
      {kFramedList, "flist", "", 150, 190, 110, 18},          // 18
      {kOffscreen, "off", "", 280, 200, 60, 30},              // 19
      {kGWindow, "gw", "", 360, 200, 60, 30},                 // 20
      {kUser, "err", "", 440, 200, 30, 30},                   // 21
      {kNotKnown, "nk", "invisible", 480, 200, 30, 30},       // 22
      {kUser, "a0", "", 20, 240, 24, 24},                     // 23 .. 32: icons
      {kUser, "a1", "", 50, 240, 24, 24},
      {kUser, "a2", "", 80, 240, 24, 24},
      {kUser, "a3", "", 110, 240, 24, 24},
      {kUser, "a4", "", 140, 240, 24, 24},
      {kUser, "a5", "", 170, 240, 24, 24},
      {kUser, "a6", "", 200, 240, 24, 24},
      {kUser, "a7", "", 230, 240, 24, 24},
      {kUser, "a8", "", 260, 240, 14, 14},
      {kUser, "a9", "", 280, 240, 14, 14},
      {kButton, "inv", "Inverted", 310, 240, 80, 20},         // 33
      {kText, "page", "On page A", 30, 320, 120, 18},         // 34
      {kPane, "paneA", "Pane A", 20, 280, 70, 20},            // 35
      {kPane, "paneB", "Pane B", 92, 280, 70, 20},            // 36
  };
  ASSERT_TRUE(Open(dialog, "Items", specs, [](DialogRecord* d) {
    d->WindowRect.right = static_cast<std::int16_t>(d->WindowRect.left + 520);
    d->WindowRect.top = static_cast<std::int16_t>(d->WindowRect.bottom - 350);
    FillItemField(d, 7, kCheckBox, "c2", false, "Dark box", 350, 70, 100, 16, 0, 0, 12, 0, 0, true, kNavy.red,
                  kNavy.green, kNavy.blue);
    FillPaneRect(d, 35, 10, 480, 60);
    CreateMenuList(d, 17, "Types");
    CreateMenuList(d, 18, "Types");
    for (int n : {17, 18}) {
      AddListItem(d, n, "TLV 3");
      AddListItem(d, n, "TLV 4 USB");
    }
    SetCommandKey(d, 1, kCharacterKey, '\r', 0, false, true);
    SetCommandKey(d, 6, kCharacterKey, 'K', kCommandKey, false, true);
    SetListCommandKeys(d, 17, 3, 0, 4, 0, 0, false, true);
    SetCommandKey(d, 12, kCharacterKey, static_cast<char>(255), 0, false, true);
    FillDragField(d, 11, " V", kEngineering, kDouble, 12, 3, 0, 0, 0, 1, false, 0);
    FillDragField(d, 13, " mV", kFixed, kDouble, 9, 1, 0.5, -100, 100, 1, false, 0);
    SetPaneRange(d, 1, 34, 34);
  }));
  DialogRecord* d = &dialog.record;
  FillProcField(d, 2, &on, nullptr, nullptr);
  FillProcField(d, 3, &off, nullptr, nullptr);
  FillProcField(d, 4, &on, nullptr, nullptr);
  FillProcField(d, 5, &off, nullptr, nullptr);
  FillProcField(d, 6, &on, nullptr, nullptr);
  FillProcField(d, 7, &on, nullptr, nullptr);
  FillProcField(d, 8, &bits, nullptr, nullptr);
  FillProcField(d, 11, &volts, nullptr, nullptr);
  FillProcField(d, 12, &on, nullptr, nullptr);
  FillProcField(d, 13, &dragValue, nullptr, nullptr);
  FillEdittextField(d, 15, edited, 15);
  FillEdittextField(d, 16, password, 15);
  FillProcField(d, 17, &listIndex, nullptr, nullptr);
  FillProcField(d, 18, &framedIndex, nullptr, nullptr);
  FillProcField(d, 21, &error, nullptr, nullptr);
  FillProcField(d, 35, &paneA, nullptr, nullptr);
  FillProcField(d, 36, &paneB, nullptr, nullptr);
  SetPaneOwner(d, 1, 35);
  SetPaneOwner(d, 2, 36);
  dialog[3].Enabled = false;
  dialog[8].Digits = 8;
  dialog[8].HighlightFrom = 2;
  dialog[8].HighlightTo = 3;
  dialog[9].TextBaseline = 13;
  dialog[9].HighlightFrom = 6;
  dialog[9].HighlightTo = 10;
  dialog[9].Area.HighlightColor = Color::kRed;
  dialog[16].Password = true;
  dialog[21].Area.HighlightColor = Color::kRed;
  dialog[21].TextIndent = 8;
  dialog[21].TextBaseline = 22;
  const ItemProc icons[] = {ModDialogIcons::ArrowLeft,      ModDialogIcons::ArrowRight,   ModDialogIcons::ArrowUp,
                            ModDialogIcons::ArrowDown,      ModDialogIcons::ArrowLeftRight,
                            ModDialogIcons::ArrowUpDown,    ModDialogIcons::ArrowHCenter, ModDialogIcons::ArrowVCenter,
                            ModDialogIcons::ShowIcon,       ModDialogIcons::HideIcon};
  for (int i = 0; i < 10; ++i) dialog[23 + i].DrawProc = icons[i];
  dialog[21].DrawProc = ModDialogIcons::ErrorIcon;
  dialog[12].DrawProc = ModDialogIcons::ArrowUp;
  Graphics::Line(dialog[20].Area.GWindow, 0, 0, 1, 1);
  ModDialog::SetActivePane(d, 35);
  ModDialog::DialogPtr = d;
  ModDialog::SetInverted(33, true);
  for (int n : {1, 6, 12, 17}) ModDialogIcons::ShowCommandKey(n, true);
  EXPECT_TRUE(MatchesGolden(PixelsOf(dialog), "dialog_items"));
  // Removing the key names brings the items back as they were drawn.
  ModDialog::Update(d);
  const Surface::Pixels drawn = PixelsOf(dialog);
  ModDialogIcons::ShowCommandKey(6, true);
  ModDialogIcons::ShowCommandKey(6, false);
  EXPECT_EQ(Changed(drawn, PixelsOf(dialog)), Geometry::Rect{});
}

TEST_F(ModDialogIconsTest, BoxesFollowTheirRules) {
  std::uint8_t zero = 0;
  std::uint16_t all = 0xFFFF;
  std::uint8_t index = 0;
  Dialog& dialog = Make();
  ASSERT_TRUE(Open(dialog, "Boxes",
                   {{kCheckBox, "", "inverse", 10, 30, 120, 16},
                    {kMultiCheck, "", "narrow", 10, 60, 80, 16},
                    {kList, "", "", 10, 90, 80, 18}},
                   [](DialogRecord* d) {
                     CreateMenuList(d, 3, "L");
                     AddListItem(d, 3, "first");
                     AddListItem(d, 3, "second");
                   }));
  DialogRecord* d = &dialog.record;
  FillProcField(d, 1, &zero, nullptr, nullptr);
  FillProcField(d, 2, &all, nullptr, nullptr);
  FillProcField(d, 3, &index, nullptr, nullptr);
  dialog[1].Area.Box.OffValue = 1;
  ModDialog::Update(d);
  // An OffValue of 1 crosses the box of a 0.
  const Geometry::Rect box = dialog[1].Area.Box.BoxRect;
  EXPECT_EQ(At(dialog, box.left + 2, box.top + 2), Color::ToPixel(Color::kBlack));
  // Only the boxes that fit are drawn; the text stays behind the sixteenth.
  const BoxData& boxes = dialog[2].Area.Box;
  const int fitting = (dialog[2].Rect.right - boxes.BoxRect.right) / boxes.BoxPitch + 1;
  const Geometry::Rect last = Geometry::OffsetRect(boxes.BoxRect, (fitting - 1) * boxes.BoxPitch, 0);
  EXPECT_EQ(At(dialog, last.left, last.top), Color::ToPixel(Color::kBlack));
  EXPECT_EQ(At(dialog, last.left + boxes.BoxPitch, last.top), Color::ToPixel(Color::kWhite));
  // Index 0 shows entry 1.
  EXPECT_STREQ(dialog[3].Text, "first");
}

}  // namespace
