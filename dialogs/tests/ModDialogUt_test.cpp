// Dialog records and items: building, names, lists, value checks, numbers
// and key names.
#include "dialogs/ModDialogUt.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "dialogs/Alert.h"
#include "dialogs/ItemValue.h"
#include "dialogs/ModDialog.h"
#include "dialogs/tests/ModDialog_fixture.h"
#include "foundation/Buffer.h"
#include "platform/Beep.h"
#include "shell/MacEnv.h"

namespace {

using namespace ModDialogUt;

TEST(ModDialogUtNames, BufferNames) {
  const struct {
    const char* id;
    const char* buffer;
  } cases[] = {
      {"Main", "MainDialBuffer"},
      {"", "DialBuffer"},
      {"Test window/2", "Test_window_2DialBuffer"},
      {"A very long dialog name", "A_very_long_dialog_nameDialBuff"},
  };
  for (const auto& c : cases) {
    char name[Buffer::kNameSize];
    MakeBufferName(std::string_view(c.id), name);
    EXPECT_STREQ(name, c.buffer) << c.id;
    EXPECT_LE(std::strlen(name), 31u);
  }
}

TEST(ModDialogUtTexts, KeyNames) {
  const struct {
    int kind;
    char character;
    int modifiers;
    const char* name;
    bool known;
  } cases[] = {
      {2, 'A', kShiftKey | kCommandKey, "com-A", true},
      {2, 'a', kShiftKey, "sh-a", true},
      {2, '\r', 0, "return", true},
      {2, 27, kOptionKey, "op-esc", true},
      {2, ' ', 0, "space", true},
      {2, 1, 0, "ctr-A", true},
      {2, 1, kControlKey, "ctr-A", true},
      {2, 0, kCommandKey, "com-", true},
      {3, 0, 0, "up", true},
      {6, 0, kCapsLock, "cap-right", true},
      {7, 0, 0, "nu 0", true},
      {16, 0, 0, "nu 9", true},
      {17, 0, 0, "enter", true},
      {24, 0, 0, "nu *", true},
      {25, 0, 0, "F1", true},
      {39, 0, kControlKey, "ctr-F15", true},
      {43, 0, 0, "p-down", true},
      {47, 0, 0, "delete", true},
      {48, 0, 0, "", false},
      {1, 0, 0, "", false},
  };
  for (const auto& c : cases) {
    char name[kNameSize] = "junk";
    EXPECT_EQ(KeyToString(c.kind, c.character, c.modifiers, name), c.known) << c.name;
    EXPECT_STREQ(name, c.name);
  }
}

TEST(ModDialogUtTexts, CopyStringKeepsToTheSmallerLimit) {
  const struct {
    int a, b, copied;
    const char* result;
  } cases[] = {{1, 10, 0, ""}, {10, 4, 3, "abc"}, {80, 80, 6, "abcdef"}, {0, 5, 0, ""}};
  for (const auto& c : cases) {
    char destination[8] = "zzzzzzz";
    EXPECT_EQ(CopyString("abcdef", destination, c.a, c.b), c.copied);
    EXPECT_STREQ(destination, c.result);
  }
  char small[3];
  EXPECT_EQ(CopyString("abcdef", small, 80, 80), 2);
  EXPECT_STREQ(small, "ab");
  EXPECT_EQ(DefaultLineSpacing(12), 15);
  int value = 0;
  EXPECT_EQ(LowByteAdr(&value, 4), &value);
}

class CheckNumberTest : public ModDialogTest {};

TEST_F(CheckNumberTest, Table) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const struct {
    const char* text;
    double minimum, maximum, scale;
    bool real, alert;
    bool ok;
    double result;  // NaN: unchanged
    int alerts;
  } cases[] = {
      {"12", 0, 100, 1, false, false, true, 12, 0},
      {"1.5m", 0, 1, 1, true, false, true, 0.0015, 0},
      {"2 k", 0, 1, 1000, true, false, true, 1, 0},  // clamped, no alert
      {"200", 0, 100, 1, false, false, true, 100, 0},
      {"200", 0, 100, 1, false, true, false, NAN, 1},
      {"-3", 0, 100, 1, true, true, false, NAN, 1},
      {"12a", 0, 100, 1, false, true, false, NAN, 0},
      {"", 0, 100, 1, true, false, false, NAN, 0},
      {"1e400", -kInf, kInf, 1, true, false, false, NAN, 0},
      {"1e400", 0, 100, 1, true, true, false, NAN, 0},
      {"5", 0, 100, 0, true, true, false, NAN, 1},  // no number with a scale of 0
      {"1e300", 0, 1e300, 1e-300, true, false, false, NAN, 0},
  };
  for (const auto& c : cases) {
    Alert::ClearAnswers();
    const int beeps = Beep::Count();
    double result = -7;
    EXPECT_EQ(CheckNumber(std::string_view(c.text), c.minimum, c.maximum, c.scale, result, c.real, c.alert), c.ok)
        << c.text;
    if (std::isnan(c.result)) {
      EXPECT_EQ(result, -7) << c.text;
    } else {
      EXPECT_DOUBLE_EQ(result, c.result) << c.text;
    }
    EXPECT_EQ(Beep::Count() - beeps, c.alerts) << c.text;
  }
}

class ModDialogUtTest : public ModDialogTest {};

TEST_F(ModDialogUtTest, InitializeRecordMakesTheBufferAndTheItems) {
  Dialog& dialog = Make();
  ClearRecord(&dialog.record);
  EXPECT_TRUE(dialog.record.KeysActive);
  EXPECT_TRUE(dialog.record.Stop);
  ASSERT_TRUE(InitializeRecord(&dialog.record, dialog.items, true, false, "Title", "", 3, 9, 2, 10, 100, 50, -100, 0));
  EXPECT_STREQ(dialog.record.IDName, "Title");
  EXPECT_NE(Buffer::Lookup("DialBuffer"), nullptr);
  // A height beyond the bottom: top and bottom put in order.
  EXPECT_EQ(dialog.record.WindowRect.top, 100);
  EXPECT_EQ(dialog.record.WindowRect.bottom, 200);
  EXPECT_EQ(dialog.record.WindowRect.left, 10);
  EXPECT_EQ(dialog.record.WindowRect.right, 60);
  EXPECT_STREQ(dialog[0].Text, "Title");
  for (int n = 0; n <= 2; ++n) {
    EXPECT_EQ(dialog[n].FontNumber, 3);
    EXPECT_EQ(dialog[n].FontSize, 9);
    EXPECT_EQ(dialog[n].LineSpacing, 11);
    EXPECT_EQ(dialog[n].Length, 3);
    EXPECT_EQ(dialog[n].NumberFormat, kFixed);
    EXPECT_TRUE(dialog[n].KeyFrontOnly);
    EXPECT_TRUE(dialog[n].NeedsDraw);
  }
  // The same buffer again, and an open dialog, are refused with an alert.
  Dialog& second = Make();
  ClearRecord(&second.record);
  EXPECT_FALSE(InitializeRecord(&second.record, second.items, true, false, "Other", "", 3, 9, 1, 0, 0, 0, 0, 0));
  second.record.Open = true;
  EXPECT_FALSE(InitializeRecord(&second.record, second.items, true, false, "Other", "Other", 3, 9, 1, 0, 0, 0, 0, 0));
  EXPECT_EQ(Buffer::Lookup("OtherDialBuffer"), nullptr);
}


TEST_F(ModDialogUtTest, ItemNamesAreRefusedAsConsoleLines) {
  const struct {
    bool storable;
    bool combined;
    bool writeAll;
    const char* second;  // the name given to item 2; item 1 is "Gain"
    const char* stored;  // item 2's name afterwards; "-": refused, left unset
    const char* line;    // the console line, or ""
  } cases[] = {
      {false, false, false, "Offset", "Offset", ""},
      {false, false, false, "", "", ""},
      {false, false, false, "Gain", "-", "Names[2]: same name as item[1]: \"Gain\"."},
      {true, false, false, "", "-", "Names[2]: ItemName cannot be empty."},
      {false, true, false, "", "-", "Names[2]: ItemName cannot be empty."},
      {false, true, false, "Offset", "Names_Offset", ""},
      {false, false, true, "a b", "a b", "Names[2] -> \"a b\": illegal characters in ItemName."},
      {false, false, true, "x=1", "x=1", "Names[2] -> \"x=1\": illegal characters in ItemName."},
  };
  for (const auto& c : cases) {
    Dialog& dialog = Make();
    ClearRecord(&dialog.record);
    MacEnv::CombinedNames = c.combined;
    ModDialog::WriteAllDialogs = c.writeAll;
    ASSERT_TRUE(InitializeRecord(&dialog.record, dialog.items, true, c.storable, "Names", "Names", 3, 12, 2, 0, 100,
                                 100, 100, 0));
    const std::size_t before = ConsoleLines().size();
    FillTextField(&dialog.record, 1, kButton, c.combined ? "Gain" : "Gain", false, "OK", 0, 20, 50, 20);
    FillTextField(&dialog.record, 2, kText, std::string_view(c.second), false, "T", 0, 40, 50, 20);
    const std::vector<std::string> lines = ConsoleLines();
    if (std::strcmp(c.stored, "-") == 0) {
      EXPECT_EQ(dialog[2].Type, kNotKnown) << c.second;
      EXPECT_FALSE(dialog[2].Visible);
    } else {
      EXPECT_EQ(dialog[2].Type, kText) << c.second;
      EXPECT_STREQ(dialog[2].Name, c.stored);
    }
    if (*c.line == 0) {
      EXPECT_EQ(lines.size(), before) << c.second;
    } else {
      ASSERT_EQ(lines.size(), before + 1) << c.second;
      EXPECT_EQ(lines.back(), c.line);
    }
    Buffer::NamedBuffer buffer = dialog.record.Buffer;
    Buffer::Delete(buffer);
  }
  MacEnv::CombinedNames = false;
  ModDialog::WriteAllDialogs = false;
}

TEST_F(ModDialogUtTest, FillersSetTheTypeDefaults) {
  Dialog& dialog = Make();
  ClearRecord(&dialog.record);
  ASSERT_TRUE(InitializeRecord(&dialog.record, dialog.items, true, false, "Types", "Types", 3, 12, 8, 0, 200, 300,
                               200, 0));
  DialogRecord* d = &dialog.record;
  FillTextField(d, 1, kButton, "", false, "OK", 10, 30, 60, 20);
  FillTextField(d, 2, kSwitch, "", false, "Sw", 10, 60, 60, 20);
  FillTextField(d, 3, kCheckBox, "", false, "Box", 10, 90, 100, 16);
  FillTextField(d, 4, kMultiCheck, "", false, "Bits", 10, 110, 100, 13);
  FillTextField(d, 5, kFramedNumber, "", false, "U = ", 10, 130, 100, 12);
  FillTextField(d, 6, kNotKnown, "", false, "", 10, 150, 100, 12);
  FillTextField(d, 7, 19, "", false, "bad type", 10, 150, 100, 12);
  FillItemField(d, 8, kText, "", false, "Dark", 10, 170, 100, 20, 0, 14, 10, 1, 1, true, 0, 0, 0);
  EXPECT_EQ(dialog[1].Justification, 1);
  EXPECT_EQ(dialog[1].Length, 79);
  EXPECT_EQ(dialog[2].Area.HighlightColor, Color::kBlack);  // the inverse of white
  EXPECT_EQ(dialog[3].TextIndent, 3);
  EXPECT_EQ(dialog[3].Area.Box.BoxPitch, 14);
  // Height 16: mid 82, half-box 6.
  EXPECT_EQ(dialog[3].Area.Box.BoxRect, Geometry::SetRect(13, 76, 25, 88));
  EXPECT_EQ(dialog[3].Area.Box.TextOffset, 15);
  EXPECT_EQ(dialog[3].Area.Box.BoxNumber, -1);
  EXPECT_EQ(dialog[4].Area.Box.BoxPitch, 11);
  EXPECT_EQ(dialog[4].Digits, 16);
  EXPECT_STREQ(dialog[5].Area.Prefix, "U = ");
  EXPECT_FALSE(dialog[5].Executable);
  EXPECT_FALSE(dialog[6].Visible);
  EXPECT_FALSE(dialog[6].Enabled);
  EXPECT_FALSE(dialog[7].Visible);  // an unknown type leaves the item alone
  EXPECT_TRUE(dialog[8].DarkBack);
  EXPECT_EQ(dialog[8].TextIndent, 3);  // justified with a baseline: indent 3
  EXPECT_EQ(dialog[8].FontSize, 10);
  EXPECT_EQ(dialog[8].LineSpacing, 13);
  EXPECT_TRUE(d->Changed);
  // A drag area is what layout files store.
  EXPECT_EQ(sizeof(DragParameters), 40u);
}

TEST_F(ModDialogUtTest, ListsGrowByDoublingAndRemovalCompactsTheTable) {
  Dialog& dialog = Make();
  ClearRecord(&dialog.record);
  ASSERT_TRUE(InitializeRecord(&dialog.record, dialog.items, true, false, "Lists", "Lists", 3, 12, 1, 0, 200, 300,
                               200, 0));
  DialogRecord* d = &dialog.record;
  FillTextField(d, 1, kList, "", false, "", 10, 30, 100, 20);
  CreateMenuList(d, 1, "Amplifier types");
  EXPECT_STREQ(dialog[1].Unit, "Amplifi");
  for (int i = 1; i <= 10; ++i) AddListItem(d, 1, std::string("Entry ") + std::to_string(i));
  EXPECT_EQ(dialog[1].Area.List.Capacity, 10);
  AddListItem(d, 1, "-");
  EXPECT_EQ(dialog[1].Area.List.Capacity, 20);
  EXPECT_EQ(dialog[1].Area.List.Count, 11);
  EXPECT_FALSE(ItemEnabled(d, 1, 11));
  EnableItemInList(d, 1, 4, false);
  RemoveItemFromList(d, 1, 2);
  char text[kNameSize];
  GetListText(d, 1, 2, text);
  EXPECT_STREQ(text, "Entry 3");
  EXPECT_FALSE(ItemEnabled(d, 1, 3));  // entry 4 moved up with its flag
  EXPECT_TRUE(ItemEnabled(d, 1, 4));
  ChangeListText(d, 1, 1, "First");
  GetListText(d, 1, 1, text);
  EXPECT_STREQ(text, "First");
  GetListText(d, 1, 11, text);
  EXPECT_STREQ(text, "");
  EXPECT_EQ(dialog[1].Area.List.Count, 10);
}

TEST_F(ModDialogUtTest, CheckOneValueKeepsValuesInTheirRangeAndKind) {
  Dialog& dialog = Make();
  ASSERT_TRUE(Open(dialog, "Values", {{kCheckBox}, {kMultiCheck}, {kDrag}, {kList}}));
  DialogRecord* d = &dialog.record;
  // Drag values: the limits, and beyond them the kind's range, hold.
  alignas(8) std::byte variable[8];
  const struct {
    int kind;
    double initial, minimum, maximum, expected;
  } drags[] = {
      {kByte, 10, 300, 1000, 255},     {kByte, 200, -1000, 100, 100},    {kInt16, 0, 40000, 50000, 32767},
      {kInt16, 0, -5e4, -4e4, -32768}, {kInt32, 0, 3e9, 4e9, 2147483647}, {kDouble, 7, -2.5, 2.5, 2.5},
      {kSingle, -7, -2.5, 2.5, -2.5},  {kInt32, 12, 0, 100, 12},
  };
  for (const auto& c : drags) {
    FillDragField(d, 3, "", kInteger, c.kind, 5, 3, 1, c.minimum, c.maximum, 1, false, 0);
    FillProcField(d, 3, variable, nullptr, nullptr);
    ASSERT_TRUE(ItemValue::Write(dialog[3], c.initial));
    CheckOneValue(d, 3);
    double value = 0;
    ASSERT_TRUE(ItemValue::Read(dialog[3], value));
    EXPECT_EQ(value, c.expected) << c.kind << " " << c.initial;
  }
  std::uint8_t flag = 7;
  FillProcField(d, 1, &flag, nullptr, nullptr);
  CheckOneValue(d, 1);
  EXPECT_EQ(flag, 0);
  flag = 1;
  CheckOneValue(d, 1);
  EXPECT_EQ(flag, 1);
  std::uint16_t set = 0xFFFF;
  FillProcField(d, 2, &set, nullptr, nullptr);
  dialog[2].Digits = 20;
  CheckOneValue(d, 2);
  EXPECT_EQ(dialog[2].Digits, 16);
  EXPECT_EQ(set, 0xFFFF);
  dialog[2].Digits = 4;
  CheckAllValues(d);
  EXPECT_EQ(set, 0x000F);
  std::uint8_t index = 9;
  FillProcField(d, 4, &index, nullptr, nullptr);
  CheckOneValue(d, 4);
  EXPECT_EQ(index, 0);  // an empty list
  CreateMenuList(d, 4, "L");
  for (const char* entry : {"a", "b", "c"}) AddListItem(d, 4, std::string_view(entry));
  index = 9;
  CheckOneValue(d, 4);
  EXPECT_EQ(index, 2);
}

}  // namespace
