// Item values as text, the dialog context, coordinates and event names.
#include "dialogs/ModDialogTools.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "dialogs/ItemValue.h"
#include "dialogs/ModDialog.h"
#include "dialogs/tests/ModDialog_fixture.h"
#include "platform/Beep.h"
#include "shell/Graphics.h"
#include "shell/ModWindow.h"
#include "terminal/ANSIBase.h"
#include "terminal/ANSITerm.h"
#include "terminal/EditState.h"
#include "terminal/LineEditor.h"

namespace {

using namespace ModDialogUt;

class ModDialogToolsTest : public ModDialogTest {};

TEST_F(ModDialogToolsTest, ValueTexts) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const struct {
    int kind, format, length, digits, zeroText, justification;
    double factor;
    const char* unit;
    double value;
    const char* text;
  } cases[] = {
      {kDouble, kFixed, 8, 2, 1, 0, 1, "", 0, "      Off"},
      {kDouble, kFixed, 8, 2, 1, 1, 1, "", 0, "Off"},
      {kDouble, kFixed, 8, 2, 2, 0, 1, " V", 0, "---"},
      {kDouble, kFixed, 6, 2, 0, 0, 1, "", 0.5, "  0.50"},
      {kDouble, kFixed, 8, 2, 0, 0, 1, "", 100, "  100.00"},
      {kDouble, kFixed, 8, 1, 0, 0, 1000, " mV", 0.0125, " 12.5 mV"},
      {kDouble, kFixed, 8, 1, 0, 1, 1000, " mV", 0.0125, "12.5 mV"},
      {kDouble, kEngineering, 10, 3, 0, 1, 1, " V", 0.0015, "1.50 mV"},
      {kDouble, kEngineering, 10, 3, 0, 1, 1, " V", 1.5, "1.50 V"},
      {kDouble, kEngineering, 10, 3, 0, 1, 1, " V", 1e-30, "0.00 V"},
      {kSingle, kScientific, 12, 3, 0, 1, 1, "", 12345, "1.23E+04"},
      {kDouble, kFixed, 8, 2, 0, 1, 1, "", kNaN, "NAN"},
      {kDouble, kEngineering, 10, 3, 0, 1, 1, " V", -kInf, "INF"},
      {kInt32, kInteger, 8, 5, 0, 0, 1, " mA", 42, "   42 mA"},
      {kInt32, kInteger, 8, 5, 1, 0, 1, "", 0, "      Off"},
      {kInt16, kFixed, 8, 1, 0, 1, 0.5, "", 5, "2.5"},
      {kByte, kInteger, 3, 3, 0, 0, 1, "", 255, "255"},
      {kBoolean, 0, 6, 5, 0, 0, 1, "", 1, "  TRUE"},
      {kBoolean, 0, 6, 5, 0, 1, 1, "", 0, "FALSE"},
      {kBoolean, 0, 6, 1, 0, 1, 1, "!", 1, "T!"},
  };
  Dialog& dialog = Make();
  ASSERT_TRUE(Open(dialog, "Texts", {{kFramedNumber}}));
  alignas(8) std::byte variable[8] = {};
  for (const auto& c : cases) {
    DialogItem& item = dialog[1];
    FillDragField(&dialog.record, 1, std::string_view(c.unit), c.format, c.kind, c.length, c.digits, 0, 0, 0,
                  c.factor, false, c.zeroText);
    FillProcField(&dialog.record, 1, variable, nullptr, nullptr);
    item.Justification = static_cast<std::uint8_t>(c.justification);
    if (c.kind == kDouble) {
      std::memcpy(variable, &c.value, sizeof c.value);
    } else if (c.kind == kSingle) {
      const float single = static_cast<float>(c.value);
      std::memcpy(variable, &single, sizeof single);
    } else {
      ASSERT_TRUE(ItemValue::Write(item, c.value));
    }
    ModDialog::DialogPtr = &dialog.record;
    ModDialogTools::ConvertToString(1);
    EXPECT_EQ(std::string(item.Text), c.text) << c.value << " kind " << c.kind << " format " << c.format;
  }
}

TEST_F(ModDialogToolsTest, EventNames) {
  const struct {
    int code;
    char character;
    int modifiers;
    const char* name;
  } cases[] = {
      {2, 'x', 0, "KeyCharacter  :   x"},
      {2, 'X', 3, "KeyCharacter  :   X command shift"},
      {62, 5, 0, "KeyOSEvent    :     5"},
      {3, 0, 16, "Key:   3,   Char:  0 control"},
      {0, 0, 0, ""},
      {1, 'a', 8, " option"},
  };
  for (const auto& c : cases) {
    char name[160] = "";
    ModDialogTools::DecodeKey(c.code, c.character, c.modifiers, name);
    EXPECT_STREQ(name, c.name);
  }
  char name[160] = "";
  ModDialogTools::DecodeKey(48, 1, 0, name);
  EXPECT_EQ(std::string(name).substr(0, 26), "KeyMouse      :     1   wi");
}

TEST_F(ModDialogToolsTest, RectanglesScaleAwayFromTheMenuBar) {
  Geometry::Rect r = Geometry::SetRect(10, 20, 110, 70);
  ModDialogTools::ScaleRect(r, 1.0005);
  EXPECT_EQ(r, Geometry::SetRect(10, 20, 110, 70));
  ModDialogTools::ScaleRect(r, 1.5);
  EXPECT_EQ(r, Geometry::SetRect(15, 30, 165, 105));
  const int origin = ModDialogTools::TopOrigin();
  EXPECT_EQ(origin, ModWindow::MenuBarHeight() + 22);
  Geometry::Rect window = Geometry::SetRect(100, origin + 10, 300, origin + 110);
  ModDialogTools::ScaleCoords(window, 2);
  EXPECT_EQ(window, Geometry::SetRect(200, origin + 20, 600, origin + 220));
}

TEST_F(ModDialogToolsTest, ContextIsTakenOnlyForOpenDialogsAndPutBack) {
  Dialog& open = Make();
  ASSERT_TRUE(Open(open, "Open", {{kButton}}));
  Dialog& closed = Make();
  ModDialog::DialogPtr = &ModDialogTools::RootDialog;
  ModDialogTools::ActiveItem = 3;
  ModDialogTools::DialogContext context;
  EXPECT_FALSE(ModDialogTools::GetState(context, &closed.record));
  EXPECT_EQ(ModDialog::DialogPtr, &ModDialogTools::RootDialog);
  ASSERT_TRUE(ModDialogTools::GetState(context, &open.record));
  EXPECT_EQ(ModDialog::DialogPtr, &open.record);
  ModDialogTools::ActiveItem = 1;
  ModDialogTools::ResetState(context);
  EXPECT_EQ(ModDialog::DialogPtr, &ModDialogTools::RootDialog);
  EXPECT_EQ(ModDialogTools::ActiveItem, 3);
  EXPECT_EQ(ModDialogTools::MacWindowToDialogPtr(open.record.MacWindow), &open.record);
  EXPECT_EQ(ModDialogTools::MacWindowToDialogPtr(nullptr), nullptr);
}

TEST_F(ModDialogToolsTest, EditedTextsAreStoredByKind) {
  const struct {
    int kind, format;
    const char* unit;
    double minimum, maximum, factor;
    double old;
    const char* typed;
    double stored;
    bool converted;
    int beeps;
  } cases[] = {
      {kDouble, kFixed, " V", -10, 10, 1, 1, "2.5", 2.5, true, 0},
      {kDouble, kFixed, " V", -10, 10, 1, 1, " 2.5 V ", 2.5, true, 0},
      {kDouble, kEngineering, " V", -10, 10, 1, 1, "1.5m V", 0.0015, true, 0},
      {kDouble, kFixed, " V", -10, 10, 1, 1, "off", 0, true, 0},
      {kDouble, kFixed, "", -10, 10, 1, 1, "20", 10, true, 0},
      {kDouble, kFixed, "", -1e308, 1e308, 1, 1, "1e400", 1, false, 0},
      {kDouble, kFixed, "", -10, 10, 1, 1, "abc", 1, false, 0},
      {kDouble, kFixed, "", -10, 10, 1, 1, "", 1, true, 0},
      {kByte, kInteger, "", 0, 1000, 1, 7, "300", 255, true, 0},
      {kInt16, kFixed, " mV", -1e6, 1e6, 0.001, 0, "2", 2000, true, 0},
      {kInt32, kInteger, "", -1e10, 1e10, 1, 0, "2.5", 0, false, 0},
      {kBoolean, 0, "", 0, 0, 1, 1, "low", 0, true, 0},
      {kBoolean, 0, "", 0, 0, 1, 0, "high", 1, true, 0},
      {kBoolean, 0, "", 0, 0, 1, 0, "t", 1, true, 0},
      {kBoolean, 0, "", 0, 0, 1, 1, "x", 1, true, 1},
  };
  Dialog& dialog = Make();
  ASSERT_TRUE(Open(dialog, "Edits", {{kDrag}}));
  ModDialog::DialogPtr = &dialog.record;
  alignas(8) std::byte variable[8] = {};
  for (const auto& c : cases) {
    DialogItem& item = dialog[1];
    FillDragField(&dialog.record, 1, std::string_view(c.unit), c.format, c.kind, 8, 2, 0, c.minimum, c.maximum,
                  c.factor, false, 0);
    FillProcField(&dialog.record, 1, variable, nullptr, nullptr);
    ASSERT_TRUE(ItemValue::Write(item, c.old));
    ModDialogTools::ConvertToString(1);
    ModDialogTools::ConversionOK = true;
    const int beeps = Beep::Count();
    ModDialogTools::StoreEditedText(1, std::string_view(c.typed), false);
    double stored = 0;
    ASSERT_TRUE(ItemValue::Read(item, stored));
    EXPECT_DOUBLE_EQ(stored, c.stored) << c.typed;
    EXPECT_EQ(ModDialogTools::ConversionOK, c.converted) << c.typed;
    EXPECT_EQ(Beep::Count() - beeps, c.beeps) << c.typed;
  }
  // A string goes back into its variable, as much as the edit allows.
  char text[6] = "old";
  dialog[1].Type = kEditText;
  FillEdittextField(&dialog.record, 1, text, 5);
  ModDialogTools::StoreEditedText(1, "longer text", true);
  EXPECT_STREQ(text, "long");
}

TEST_F(ModDialogToolsTest, StoredValuesAndRelativeChanges) {
  double value = 2;
  std::uint16_t set = 0b0101;
  Dialog& dialog = Make();
  ASSERT_TRUE(Open(dialog, "Stored", {{kDrag}, {kMultiCheck}}, {}, "Store"));
  DialogRecord* d = &dialog.record;
  FillDragField(d, 1, "", kFixed, kDouble, 8, 2, 0, -10, 10, 1, false, 0);
  FillProcField(d, 1, &value, nullptr, nullptr);
  FillProcField(d, 2, &set, nullptr, nullptr);
  ModDialogTools::ActiveKey = 2;
  ModDialogTools::ActiveChar = 'x';
  ModDialogTools::StoreItemValue(d, 1, d->LastValue, false);
  EXPECT_STREQ(d->LastValue.Name, "Store");  // the macro ID name
  EXPECT_EQ(d->LastValue.Item, 1);
  EXPECT_EQ(d->LastValue.Key, 2);
  EXPECT_EQ(d->LastValue.Character, 'x');
  EXPECT_EQ(ItemValue::Load<double>(d->LastValue.Value), 2);
  ModDialogUt::StoredValue record;
  value = 5;
  ModDialogTools::RelativeChange = true;
  ModDialogTools::StoreItemValue(d, 1, record, true);  // the change is relative from now on
  EXPECT_EQ(ItemValue::Load<double>(record.Value), 5);
  EXPECT_TRUE(ModDialogTools::WasRelativeChange);
  EXPECT_FALSE(ModDialogTools::RelativeChange);
  ModDialogTools::StoreItemValue(d, 1, record, true);
  EXPECT_EQ(ItemValue::Load<double>(record.Value), 3);
  ModDialogTools::WasRelativeChange = true;
  ItemValue::Store<std::uint16_t>(d->LastValue.Value, 0b0101);
  set = 0b0001;
  ModDialogTools::StoreItemValue(d, 2, record, true);
  EXPECT_EQ(record.Number, -2);  // bit 2 was cleared
  ModDialogTools::StoreItemValue(d, 99, record, false);
  EXPECT_EQ(record.Item, 0);
  Dialog& closed = Make();
  ModDialogTools::StoreItemValue(&closed.record, 1, record, false);
  EXPECT_EQ(record.Item, -1);
}

// The window events of the opening are taken, as the dialog's loop would.
void TakeWindowEvents(DialogRecord* dialog) {
  int code = 0;
  char character = 0;
  int modifiers = 0;
  for (int i = 0; i < 20; ++i) ANSITerm::NextEvent(dialog->Terminal, code, character, modifiers);
}

int filterPasses = 0;
bool filterInMainLoop = false;
void CountingFilter(ANSITerm::TerminalRecord*, DialogRecord*, int&, char&, int&, bool mainLoop) {
  ++filterPasses;
  filterInMainLoop = filterInMainLoop || mainLoop;
}

TEST_F(ModDialogToolsTest, EditsInPlaceAreStoredOnlyWhenConfirmed) {
  double volts = 1;
  char password[9] = "old";
  Dialog& dialog = Make();
  ASSERT_TRUE(Open(dialog, "Edit", {{kDrag, "Volts"}, {kEditText, "Password", "", 10, 60}}));
  DialogRecord* d = &dialog.record;
  FillDragField(d, 1, " V", kFixed, kDouble, 8, 2, 0.1, -5, 5, 1, false, 0);
  FillProcField(d, 1, &volts, nullptr, nullptr);
  FillEdittextField(d, 2, password, 8);
  dialog[2].Password = true;
  ModDialog::Update(d);
  ModDialog::DialogPtr = d;
  TakeWindowEvents(d);
  ANSITerm::TerminalRecord* const console = EditState::Console;
  double x1 = 0;
  double y1 = 0;
  double x2 = 0;
  double y2 = 0;
  Graphics::GetScaling(d->Window, x1, y1, x2, y2);
  ModDialogTools::UserEventFilter = CountingFilter;
  const struct {
    int item;
    const char* script;
    bool counts;
    double volts;
    const char* password;
  } cases[] = {
      {1, "type 2.5\nkey return\n", true, 2.5, "old"},
      {1, "type 3 V\nkey return\n", true, 3, "old"},
      {1, "type 4\nkey escape\n", false, 3, "old"},  // escape clears the line; the edit never finished
      {1, "type 9\nkey return\n", true, 5, "old"},
      {1, "type off\nkey return\n", true, 0, "old"},
      {1, "key keypad1\nkey keypad.\nkey keypad5\nkey enter\n", true, 1.5, "old"},  // the keypad types
      {1, "key f1\n", false, 1.5, "old"},
      {2, "type abcdefghij\nkey return\n", true, 1.5, "abcdefgh"},
      {2, "type abc\nkey delete\nkey return\n", true, 1.5, "ab"},
      {2, "type xyz\nkey escape\ntype pw\nkey return\n", true, 1.5, "pw"},
      {2, "type a\nkey left\ntype b\nkey return\n", true, 1.5, "ab"},  // no cursor moves in a password
      {2, "type secret\nkey escape\n", false, 1.5, "ab"},  // the old password comes back
  };
  for (const auto& c : cases) {
    Script(c.script);
    filterPasses = 0;
    EXPECT_EQ(ModDialogTools::DoEditText(c.item, dialog[c.item].Rect, c.item == 2, true), c.counts) << c.script;
    EXPECT_EQ(volts, c.volts) << c.script;
    EXPECT_STREQ(password, c.password) << c.script;
    if (c.item == 2) {
      EXPECT_EQ(std::string(ModDialogTools::InputString).find_first_not_of('*'), std::string::npos) << c.script;
    }
    EXPECT_GT(filterPasses, 0) << c.script;
    EXPECT_EQ(ModDialog::DialogPtr, d);
    TakeWindowEvents(d);
  }
  ModDialogTools::UserEventFilter = NoFilterProc;
  EXPECT_FALSE(filterInMainLoop);
  EXPECT_EQ(EditState::Console, console);
  EXPECT_EQ(LineEditor::FilterProc, &LineEditor::DummyFilter);
  EXPECT_TRUE(d->Terminal->keypadApplicationMode);
  double after[4] = {};
  Graphics::GetScaling(d->Window, after[0], after[1], after[2], after[3]);
  EXPECT_EQ((std::array{after[0], after[1], after[2], after[3]}), (std::array{x1, y1, x2, y2}));
}

TEST_F(ModDialogToolsTest, AnEditEndsWithTabOrAClickElsewhereForTheDialogsLoop) {
  double volts = 1;
  Dialog& dialog = Make();
  ASSERT_TRUE(Open(dialog, "Edit", {{kDrag, "Volts"}, {kButton, "Other", "Other", 10, 60}}));
  DialogRecord* d = &dialog.record;
  FillDragField(d, 1, "", kFixed, kDouble, 8, 2, 0.1, -5, 5, 1, false, 0);
  FillProcField(d, 1, &volts, nullptr, nullptr);
  ModDialog::Update(d);
  ModDialog::DialogPtr = d;
  TakeWindowEvents(d);
  const Surface::Pixels before = PixelsOf(dialog);
  Script("type 4\nkey tab\n");
  EXPECT_TRUE(ModDialogTools::DoEditText(1, dialog[1].Rect, false, true));
  EXPECT_EQ(volts, 4);
  // The text was typed over the field and nowhere else.
  const Geometry::Rect changed = Changed(before, PixelsOf(dialog));
  EXPECT_FALSE(Geometry::EmptyRect(changed));
  const Geometry::Rect around = Geometry::InsetRect(dialog[1].Rect, -4, -4);
  EXPECT_TRUE(changed.left >= around.left && changed.right <= around.right && changed.top >= around.top &&
              changed.bottom <= around.bottom);
  int code = 0;
  char character = 0;
  int modifiers = 0;
  ASSERT_TRUE(ANSITerm::NextEvent(d->Terminal, code, character, modifiers));
  EXPECT_EQ(code, ANSIBase::KeyCharacter);
  EXPECT_EQ(character, '\t');

  Geometry::Point other;
  const Geometry::Rect& button = dialog[2].Rect;
  ModDialogTools::LocalToGlobal(d, (button.left + button.right) / 2, (button.top + button.bottom) / 2, other);
  Script("type 2\nclick " + std::to_string(other.h) + " " + std::to_string(other.v) + "\n");
  EXPECT_FALSE(ModDialogTools::DoEditText(1, dialog[1].Rect, false, true));
  EXPECT_EQ(volts, 4);
  ASSERT_TRUE(ANSITerm::NextEvent(d->Terminal, code, character, modifiers));
  EXPECT_EQ(code, ANSIBase::KeyMouse);
}

}  // namespace
