// The font and colour pickers: scripted answers on the headless layer.
#include <gtest/gtest.h>

#include <cstdint>

#include "dialogs/FontPicker.h"
#include "dialogs/ModColorPicker.h"
#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogLoop.h"
#include "dialogs/tests/ModDialog_fixture.h"
#include "platform/Fonts.h"
#include "platform/headless/Headless.h"

namespace {

using ModDialogUt::DialogItem;

class PickersTest : public ModDialogTest {
 protected:
  void SetUp() override {
    ModDialogTest::SetUp();
    ModDialogLoop::InitModule();
  }
};

TEST(ModColorPicker, DimmedColoursLieHalfwayToWhite) {
  struct Case {
    Color::RGB colour;
    Color::RGB dimmed;
  };
  for (const Case& c : {Case{{0, 0, 0}, {32767, 32767, 32767}}, Case{{65535, 65535, 65535}, {65535, 65535, 65535}},
                        Case{{1, 0x8000, 65534}, {32768, 49151, 65534}}}) {
    Color::RGB dimmed;
    ModColorPicker::MakeDimmedRGB(c.colour, dimmed);
    EXPECT_EQ(dimmed, c.dimmed);
  }
}

TEST(ModColorPicker, TheTableHoldsSixteenColoursAndBlackBeyond) {
  struct Case {
    int index;
    Color::RGB colour;
  };
  for (const Case& c : {Case{0, {0, 0, 0}}, Case{3, {0x8000, 0x8000, 0}}, Case{7, {0x8000, 0x8000, 0x8000}},
                        Case{8, {0xC000, 0xC000, 0xC000}}, Case{13, {0xFFFF, 0, 0xFFFF}},
                        Case{15, {0xFFFF, 0xFFFF, 0xFFFF}}, Case{16, {0, 0, 0}}, Case{-1, {0, 0, 0}}}) {
    Color::RGB colour{1, 2, 3};
    ModColorPicker::IndexToColor(c.index, colour);
    EXPECT_EQ(colour, c.colour) << c.index;
  }
}

TEST_F(PickersTest, TheColourPickerTakesTheTypedColourAndACancelKeepsTheOld) {
  constexpr Color::RGB kOld{0x1000, 0x8000, 0xF000};
  struct Case {
    const char* script;
    Color::RGB result;
  };
  for (const Case& c : {Case{"type 65535\nkey tab\ntype 0\nkey tab\ntype 300\nkey return\n", {65535, 0, 300}},
                        Case{"type 999\nkey escape\n", kOld}}) {
    SCOPED_TRACE(c.script);
    Script(c.script);
    Color::RGB colour = kOld;
    ModColorPicker::GetColor(colour, 0, -5);
    EXPECT_EQ(colour, c.result);
  }
}

// Reads the fixed mark and the sample's font while the picker runs.
struct Seen {
  bool fixed = false;
  int sampleFont = 0;
};

void Look(void* user) {
  auto* seen = static_cast<Seen*>(user);
  const ModDialogUt::DialogRecord& d = FontPicker::Dialog;
  seen->fixed = *static_cast<const std::uint8_t*>(d.Items[FontPicker::kFixedItem]->Value) != 0;
  seen->sampleFont = d.Items[FontPicker::kSampleItem]->FontNumber;
}

// Chooses the list's entry as a popup's final choice would.
void ChooseEntry(void* user) {
  ModDialogUt::DialogRecord* d = &FontPicker::Dialog;
  *static_cast<std::uint8_t*>(d->Items[FontPicker::kFontItem]->Value) =
      static_cast<std::uint8_t>(*static_cast<int*>(user) - 1);
  ModDialog::Execute(d, FontPicker::kFontItem);
}

TEST_F(PickersTest, AnUnknownFontStartsAtTheFirstEntryAndDoneTakesIt) {
  Dialog& owner = Make();
  ASSERT_TRUE(Open(owner, "Owner", {{ModDialogUt::kText, "t", "t"}}));
  Seen seen;
  Headless::Call(Look, &seen);
  Script("key return\n");
  std::int16_t font = 999;
  std::int16_t size = 14;
  FontPicker::GetFont(font, size, false, 0, 0);
  EXPECT_EQ(font, Fonts::kCourier);  // the first of the sorted list
  EXPECT_EQ(size, 14);
  EXPECT_EQ(seen.sampleFont, Fonts::kCourier);
  EXPECT_TRUE(seen.fixed);
  EXPECT_EQ(ModDialog::DialogPtr, &owner.record);
  EXPECT_FALSE(FontPicker::Dialog.Open);
}

TEST_F(PickersTest, TheFixedMarkFollowsTheChosenFontAndCancelKeepsTheCallers) {
  Seen proportional;
  Seen monospaced;
  int courier = 1;
  Headless::Call(Look, &proportional);
  Headless::Call(ChooseEntry, &courier);
  Headless::Call(Look, &monospaced);
  Script("key escape\n");
  std::int16_t font = Fonts::kHelvetica;
  std::int16_t size = 12;
  FontPicker::GetFont(font, size, true, 100, 100);
  EXPECT_FALSE(proportional.fixed);
  EXPECT_EQ(proportional.sampleFont, Fonts::kHelvetica);
  EXPECT_TRUE(monospaced.fixed);
  EXPECT_EQ(monospaced.sampleFont, Fonts::kCourier);
  EXPECT_EQ(font, Fonts::kHelvetica);
  EXPECT_EQ(size, 12);
}

}  // namespace
