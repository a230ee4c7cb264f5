#include "shell/MacrosTools.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <span>
#include <sstream>
#include <string_view>

#include "dialogs/Alert.h"
#include "dialogs/ItemValue.h"
#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogTools.h"
#include "foundation/platform/Clock.h"
#include "shell/MacEnv.h"
#include "shell/ModMenus.h"
#include "shell/tests/MacroDialogs_fixture.h"

namespace {

using MacrosTools::KeySpec;
using MacrosTools::MacroItem;
using namespace ModDialogUt;

TEST(MacroKeys, DecodeKeyReadsNamesQuotesAndModifiers) {
  const struct {
    const char* text;
    bool ok;
    int code, character, modifiers;
    bool any, down;
  } cases[] = {
      {"CURSORUP shift back", true, 3, 0, kShiftKey, false, false},
      {"'a' control", true, 2, 1, kControlKey, false, true},
      {"\"^K\"", true, 2, 11, kControlKey, false, true},
      {"\"A\"", true, 2, 'A', kShiftKey, false, true},
      {"  f15 command", true, 39, 0, kCommandKey, false, true},
      {"F1", true, 25, 0, 0, false, true},
      {"F10 option caps", true, 34, 0, kOptionKey | kCapsLock, false, true},
      {"Char x any", true, 2, 'x', 0, true, true},
      {"CODE 65", true, 2, 'A', 0, false, true},
      {"return", true, 2, 13, 0, false, true},
      {"Numeric+ shift garbage control", true, 19, 0, kShiftKey, false, true},
      {"NumericClear", true, 21, 0, 0, false, true},
      {"DeleteRight", true, 47, 0, 0, false, true},
      {"char k control", true, 2, 11, kControlKey, false, true},
      {"Wheel", false, 0, 0, 0, false, true},
      {"", false, 0, 0, 0, false, true},
  };
  for (const auto& c : cases) {
    KeySpec key;
    EXPECT_EQ(MacrosTools::DecodeKey(std::string_view(c.text), 0, key), c.ok) << c.text;
    EXPECT_EQ(key.code, c.code) << c.text;
    EXPECT_EQ(key.character, static_cast<char>(c.character)) << c.text;
    EXPECT_EQ(key.modifiers, c.modifiers) << c.text;
    EXPECT_EQ(key.anyModifiers, c.any) << c.text;
    EXPECT_EQ(key.keyDown, c.down) << c.text;
  }
  KeySpec key;
  EXPECT_TRUE(MacrosTools::DecodeKey("KEY ESC", 4, key));
  EXPECT_EQ(key.character, 27);
}

TEST(MacroKeys, AppendKeyWritesWhatDecodeKeyReads) {
  const struct {
    int code;
    int character;
    int modifiers;
    bool any, down, quoted;
    const char* written;
  } cases[] = {
      {2, 0, kShiftKey, false, true, false, ""},
      {2, 11, 0, false, true, false, "Char K"},
      {2, 11, kControlKey, false, true, true, "\"^K\" control"},
      {2, 'a', 0, true, true, false, "Char A any"},
      {2, 'x', kCommandKey | kControlKey, false, false, false, "Char x command control back"},
      {2, 13, 0, false, true, false, "RETURN"},
      {2, ' ', kOptionKey, false, true, false, "SPACE option"},
      {3, 0, kShiftKey, false, false, false, "CursorUp shift back"},
      {39, 0, 0, false, true, false, "F15"},
      {25, 0, kCapsLock, false, true, false, "F1 caps"},
      {24, 0, 0, false, true, false, "Numeric*"},
      {99, 0, 0, false, true, false, ""},
  };
  for (const auto& c : cases) {
    char text[80] = "";
    MacrosTools::AppendKey(c.code, static_cast<char>(c.character), c.modifiers, c.any, c.down, c.quoted, text);
    EXPECT_STREQ(text, c.written);
    if (text[0] == '\0' || c.character == 11) continue;
    KeySpec key;
    ASSERT_TRUE(MacrosTools::DecodeKey(text, 0, key)) << text;
    EXPECT_EQ(key.code, c.code) << text;
    EXPECT_EQ(key.modifiers, c.any ? 0 : c.modifiers) << text;
    EXPECT_EQ(key.keyDown, c.down) << text;
  }
}

class MacrosToolsTest : public MacroDialogsTest {
 protected:
  MacroItem Read(const char* line, bool keyFlag = false) {
    MacroItem item;
    found_ = MacrosTools::ExtractMacroItem(std::string_view(line), keyFlag, false, item);
    return item;
  }
  std::string Write(const MacroItem& item) {
    char text[256] = "";
    written_ = MacrosTools::MacroItemToText(item, text);
    return text;
  }
  MacroItem Stored(int item) {
    MacroItem record;
    ModDialog::StoreItemValue(&dialog_, item, record, false);
    return record;
  }
  bool found_ = false;
  bool written_ = false;
};

TEST_F(MacrosToolsTest, MenuLinesSelectAssignKeysAndCheck) {
  Build(false);
  MacroItem item = Read("@ File \"Save As...\" KEY 's'");
  EXPECT_TRUE(found_);
  EXPECT_STREQ(item.Name, "@");
  EXPECT_EQ(item.Item, -2);
  EXPECT_EQ(item.Number, fileMenu_);
  EXPECT_EQ(ItemValue::Load<std::int32_t>(item.Value), 2);
  EXPECT_TRUE(item.KeyGiven);
  EXPECT_EQ(item.Character, 's');
  EXPECT_TRUE(MacrosTools::ExecuteString("@ File \"Save As...\" KEY 's'"));
  char key = 0;
  ModMenus::GetCommandKey(fileMenu_, 2, key);
  EXPECT_EQ(key, 's');
  EXPECT_EQ(menuRuns_[2], 0);

  const struct {
    const char* line;
    bool checked;
    bool acts;
  } checks[] = {
      {"@ File 3 CHECK", false, true},  {"@ File 3 check", true, false}, {"@ File Close UNCHECK", true, true},
      {"@ File 3 UNCHECK", false, false}, {"@ File 3", true, true},      {"@ File 3 whatever", false, true},
  };
  for (const auto& c : checks) {
    ModMenus::CheckItem(fileMenu_, 3, c.checked);
    item = Read(c.line);
    EXPECT_TRUE(found_) << c.line;
    EXPECT_EQ(ItemValue::Load<std::int32_t>(item.Value), c.acts ? 3 : 0) << c.line;
    EXPECT_STREQ(item.Text, c.acts ? "File" : "") << c.line;
  }
  ModMenus::CheckItem(fileMenu_, 3, false);
  EXPECT_TRUE(MacrosTools::ExecuteString("@ File 3 CHECK"));
  EXPECT_EQ(menuRuns_[3], 1);

  item = Read("@ file 3");
  EXPECT_EQ(item.Number, fileMenu_);
  EXPECT_EQ(ItemValue::Load<std::int32_t>(item.Value), 3);
  for (const char* none : {"@ File", "@ Edit Open", "@ File Reopen", "@", "@ File \"Open\" KEY x"}) {
    Read(none);
    EXPECT_FALSE(found_) << none;
  }
  Read("@ File \"Open\" KEY F5");
  EXPECT_FALSE(found_);
  EXPECT_EQ(MacrosTools::TempFKeys[0], 5);
  item = Read("@ File Open KEY \"^Q\"");
  EXPECT_EQ(item.Character, 17);
  item = Read("@ File Open KEY ''");
  EXPECT_TRUE(item.KeyGiven);
  EXPECT_EQ(item.Character, 0);
}

TEST_F(MacrosToolsTest, ItemLinesReadValuesKeysAndKeyEvents) {
  Build(false);
  MacroItem item = Read("  E  Run");
  EXPECT_TRUE(found_);
  EXPECT_EQ(item.Item, kRun);
  EXPECT_STREQ(item.Name, "E");
  EXPECT_EQ(ItemValue::Load<double>(item.Value), 0);
  Read("  E");
  EXPECT_FALSE(found_);
  Read("E ");
  EXPECT_FALSE(found_);
  Read("X Gain 1");
  EXPECT_FALSE(found_);
  Read("E 99 1");
  EXPECT_FALSE(found_);
  item = Read("e count: 12");
  EXPECT_EQ(item.Item, kCount);
  EXPECT_EQ(ItemValue::Load<double>(item.Value), 12);
  item = Read("E 3 -7");
  EXPECT_EQ(item.Item, kCount);
  EXPECT_EQ(ItemValue::Load<double>(item.Value), -7);
  item = Read("E \"Gain\" 1.5mV");
  EXPECT_EQ(item.Item, kGain);
  EXPECT_DOUBLE_EQ(ItemValue::Load<double>(item.Value), 1.5e-3);
  item = Read("E Rs 10 MOhm");
  EXPECT_FLOAT_EQ(static_cast<float>(ItemValue::Load<double>(item.Value)), 10e6F);
  item = Read("E Rs 2.5 M\xBD");
  EXPECT_FLOAT_EQ(static_cast<float>(ItemValue::Load<double>(item.Value)), 2.5e6F);

  // Key assignments: KEY, KEY2, and a key that does not read.
  item = Read("E Gain KEY 'g' command");
  EXPECT_TRUE(found_);
  EXPECT_TRUE(item.KeyGiven);
  EXPECT_FALSE(item.SecondKey);
  EXPECT_EQ(item.Key, 2);
  EXPECT_EQ(item.Character, 'g');
  EXPECT_EQ(item.Modifiers, kCommandKey);
  item = Read("E Mode KEY2 F3");
  EXPECT_TRUE(item.SecondKey);
  EXPECT_EQ(item.Key, 27);
  item = Read("E Mode key Numeric5 any");
  EXPECT_EQ(item.Key, 12);
  EXPECT_TRUE(item.AnyModifier);
  Read("E Gain KEY nokey");
  EXPECT_FALSE(found_);

  // A key pressed in the dialog; an item of that name would win.
  item = Read("  E  CursorUp shift");
  EXPECT_TRUE(found_);
  EXPECT_EQ(item.Item, -1);
  EXPECT_EQ(item.Key, 3);
  EXPECT_EQ(item.Modifiers, kShiftKey);
  item = Read("  E  Char r control back");
  EXPECT_EQ(item.Item, -1);
  EXPECT_EQ(item.Character, 18);
  EXPECT_FALSE(item.KeyDown);
  items_[kLetter]->Macro = false;
  Read("E Letter 4");
  EXPECT_FALSE(found_);
  item = Read("E Letter 4", true);
  EXPECT_EQ(item.Item, kLetter);
}

TEST_F(MacrosToolsTest, EveryValueKindRoundTrips) {
  for (const bool combined : {false, true}) {
    SCOPED_TRACE(combined);
    Build(combined);
    gain_ = -0.0125;
    rs_ = 47e6F;
    count_ = -123456;
    short_ = 3210;
    boxes_ = 0b1010;
    items_[kBoxes]->Area.Box.BoxNumber = 3;
    enabled_ = 1;
    mode_ = 2;
    items_[kMode]->Area.List.OwnMarks = 0b101;
    std::strcpy(label_, "say \"hi\" 'now'");
    letter_ = 200;
    for (int n = 1; n <= kItems; ++n) {
      const MacroItem record = Stored(n);
      const std::string line = Write(record);
      EXPECT_TRUE(written_) << n;
      const MacroItem back = Read(line.c_str());
      EXPECT_TRUE(found_) << line;
      EXPECT_EQ(back.Item, n) << line;
      switch (items_[n]->ValueKind) {
        case kSet16:
          EXPECT_EQ(ItemValue::Load<std::uint16_t>(back.Value), boxes_) << line;
          EXPECT_EQ(back.Number, 3) << line;
          break;
        case kString:
          EXPECT_STREQ(back.Text, label_) << line;
          break;
        case kSingle:
          EXPECT_NEAR(ItemValue::Load<double>(back.Value), rs_, 1) << line;
          break;
        default:
          if (n == kRun) break;
          EXPECT_NEAR(ItemValue::Load<double>(back.Value), ItemValue::Load<double>(record.Value), 1e-9) << line;
      }
      if (n == kMode) {
        EXPECT_EQ(back.Number, 0b101) << line;
      }
    }
    // A key pressed in the dialog.
    MacroItem key = Stored(-1);
    key.Item = -1;
    key.Key = 2;
    key.Character = 'q';
    key.Modifiers = kOptionKey;
    key.KeyDown = false;
    const std::string line = Write(key);
    const MacroItem back = Read(line.c_str());
    EXPECT_EQ(back.Item, -1) << line;
    EXPECT_EQ(back.Character, 'q') << line;
    EXPECT_EQ(back.Modifiers, kOptionKey) << line;
    EXPECT_FALSE(back.KeyDown) << line;
    ModDialog::Shutdown(&dialog_);
    int handle = fileMenu_;
    ModMenus::DeleteMenu(handle);
  }
}

TEST_F(MacrosToolsTest, WrittenLinesOfEachKind) {
  Build(false);
  gain_ = 0.0125;
  rs_ = 4.7e6F;
  short_ = 12;
  boxes_ = 0b0110;
  items_[kBoxes]->Area.Box.BoxNumber = 2;
  mode_ = 1;
  std::strcpy(label_, "a \"b\"");
  const struct {
    int item;
    const char* line;
  } cases[] = {
      {kGain, "  E  Gain           12.50mV"},
      {kRs, "  E  Rs                     4.7M\xCE\xA9"},
      {kShort, "  E  Short                  12 pts"},
      {kBoxes, "  E  Boxes                0110, 2"},
      {kEnabled, "  E  Enabled         FALSE"},
      {kMode, "  E  Mode            1(    0); Slow"},
      {kLabel, "  E  Label         'a \"b\"'"},
      {kRun, "  E  Run"},
  };
  for (const auto& c : cases) EXPECT_EQ(Write(Stored(c.item)), c.line);
  ModMenus::SelectedMenu = fileMenu_;
  ModMenus::SelectedItem = 2;
  EXPECT_EQ(Write(Stored(-2)), "  @  File          \"Save As...\"");
  ModMenus::SelectedItem = 9;
  EXPECT_EQ(Write(Stored(-2)), "  @  File                    9");
  items_[kRun]->Macro = false;
  EXPECT_EQ(Write(Stored(kRun)), "");
  EXPECT_FALSE(written_);
  MacroItem none;
  none.Item = 0;
  EXPECT_EQ(Write(none), "");
  EXPECT_FALSE(written_);
}

TEST_F(MacrosToolsTest, CombinedNamesNameDialogAndItemInOneWord) {
  Build(true);
  EXPECT_EQ(MacrosTools::MacrosVersion, 920);
  EXPECT_EQ(MacrosTools::DefMinChars, 30);
  count_ = 5;
  EXPECT_EQ(Write(Stored(kCount)), "  Amplifier_Count                       5");
  MacroItem item = Read("Amplifier_Count 8");
  EXPECT_EQ(item.Item, kCount);
  EXPECT_EQ(ItemValue::Load<double>(item.Value), 8);
  item = Read("File_SaveAs KEY 'a'");
  EXPECT_EQ(item.Item, -2);
  EXPECT_EQ(ItemValue::Load<std::int32_t>(item.Value), 2);
  EXPECT_TRUE(item.KeyGiven);
  Read("File_2");
  EXPECT_FALSE(found_);
  ModMenus::SelectedMenu = fileMenu_;
  ModMenus::SelectedItem = 3;
  EXPECT_EQ(Write(Stored(-2)), "  File_Close");
}

TEST_F(MacrosToolsTest, MacroFileHeaders) {
  const struct {
    const char* content;
    bool combined;
    int answer;  // 0: no alert expected
    bool ok, convert;
  } cases[] = {
      {"MACRO-FILE 900\n", false, 0, true, false},    {"MACRO-FILE 900;x\n", false, 0, true, false},
      {"MACRO-FILE 900\n", true, 0, true, true},      {"MACRO-FILE 920\n", true, 0, true, false},
      {"MACRO-FILE 920\n", false, 3, false, false},   {"MACRO-FILE 920\n", false, 1, true, false},
      {"MACRO-FILE 900a\n", false, 3, false, false},  {"MACRO-FILE\n", false, 1, true, false},
      {"NOT-A-MACRO 900\n", false, 0, false, false},  {"", false, 0, false, false},
  };
  int i = 0;
  for (const auto& c : cases) {
    MacEnv::CombinedNames = c.combined;
    MacrosTools::InitModule();
    const std::string path = WriteFile(("h" + std::to_string(i++)).c_str(), c.content);
    Alert::ClearAnswers();
    if (c.answer != 0) Alert::PushAnswer(c.answer);
    IOBytes::FileHandle file;
    char line[256] = "";
    bool convert = false;
    EXPECT_EQ(MacrosTools::LoadMacroHeader(path, MacrosTools::MacrosVersion, false, false, line, file, convert), c.ok)
        << c.content;
    EXPECT_EQ(convert, c.convert) << c.content;
    EXPECT_EQ(file.open, c.ok) << c.content;
    IOBytes::Close(file);
  }
  IOBytes::FileHandle file;
  char line[256] = "";
  bool convert = false;
  EXPECT_FALSE(MacrosTools::LoadMacroHeader(folder_ + "/missing", 900, false, true, line, file, convert));
  EXPECT_EQ(ConsoleLines().back().rfind("Error reading '" + folder_ + "/missing':  ", 0), 0u);
}

int notified = 0;
std::string lastRecorded;
bool Notify(const MacroItem& item) {
  ++notified;
  char text[256] = "";
  MacrosTools::MacroItemToText(item, text);
  lastRecorded = text;
  return true;
}

TEST_F(MacrosToolsTest, RecordingAndPlayback) {
  Build(false);
  // Switching recording on while a playback runs aborts the playback.
  MacrosTools::PlaybackActive = true;
  MacrosTools::SetRecordMode(true, Notify, nullptr, nullptr, "E", kRun);
  EXPECT_FALSE(ModDialog::RecordingActive);
  EXPECT_FALSE(MacrosTools::PlaybackActive);
  EXPECT_EQ(ConsoleLines().back(), "Macros playback aborted.");
  EXPECT_EQ(ModDialogTools::RecordProc, NoRecordProc);

  notified = 0;
  MacrosTools::SetRecordMode(true, Notify, nullptr, nullptr, "E", kRun);
  EXPECT_TRUE(ModDialog::RecordingActive);
  EXPECT_EQ(ModDialogTools::RecordProc, MacrosTools::RecordMacro);
  MacrosTools::ExecuteWhileRecord = false;
  const struct {
    const char* dialog;
    int item;
    bool runs;
  } doExecute[] = {{"E", kGain, false}, {"E", 0, true}, {"@", -2, true}, {"E", kRun, true}, {"e", kRun, false},
                   {"X", kRun, false}};
  for (const auto& c : doExecute) EXPECT_EQ(MacrosTools::DoExecute(std::string_view(c.dialog), c.item), c.runs) << c.dialog << c.item;
  EXPECT_FALSE(MacrosTools::ExecuteString("E Count 3"));
  EXPECT_EQ(ConsoleLines().back(), " ## Cannot start macro interpreter while a macro is recording ## ");

  count_ = 41;
  ModDialog::StoreItemValue(&dialog_, kCount, dialog_.LastValue, false);
  count_ = 42;
  ModDialogTools::RecordProc(&dialog_, kCount);
  EXPECT_EQ(notified, 1);
  EXPECT_EQ(lastRecorded, "  E  Count                  42");
  EXPECT_EQ(count_, 41);  // put back
  ModDialogTools::RecordProc(&dialog_, 99);
  ModMenus::SelectedMenu = 0;
  ModDialogTools::RecordProc(&dialog_, -2);
  EXPECT_EQ(notified, 1);

  MacrosTools::SetRecordMode(false, MacrosTools::NoNotify, NoProc, NoProc, "", -1);
  EXPECT_FALSE(ModDialog::RecordingActive);
  for (const auto& c : doExecute) EXPECT_TRUE(MacrosTools::DoExecute(std::string_view(c.dialog), c.item));

  EXPECT_TRUE(MacrosTools::ExecuteString("; E Count 1"));
  EXPECT_EQ(count_, 41);
  EXPECT_FALSE(MacrosTools::ExecuteString("X Count 1"));
  EXPECT_EQ(ConsoleLines().back(), " ## target dialog not known ## ");
  EXPECT_TRUE(MacrosTools::ExecuteString("E Count 7"));
  EXPECT_EQ(count_, 7);
  EXPECT_EQ(runs_[kCount], 1);
  EXPECT_TRUE(MacrosTools::ExecuteString("E Gain 250 mV"));
  EXPECT_DOUBLE_EQ(gain_, 0.25);
  EXPECT_TRUE(MacrosTools::ExecuteString("E Label \"x y\""));
  EXPECT_STREQ(label_, "x y");
  EXPECT_TRUE(MacrosTools::ExecuteString("E Run"));
  EXPECT_EQ(runs_[kRun], 1);
  EXPECT_TRUE(MacrosTools::ExecuteString("E Gain KEY 'g'"));
  EXPECT_EQ(items_[kGain]->CommandChar, 'g');
  EXPECT_TRUE(MacrosTools::ExecuteString("@ File Open"));
  EXPECT_EQ(menuRuns_[1], 1);
}

TEST_F(MacrosToolsTest, WaitForMacroCompletionGivesUpAfterAMinute) {
  Build(false);
  MacrosTools::PlaybackActive = false;
  EXPECT_TRUE(MacrosTools::WaitForMacroCompletion());
  MacrosTools::PlaybackActive = true;
  const double start = Platform::ElapsedSeconds();
  EXPECT_FALSE(MacrosTools::WaitForMacroCompletion());
  EXPECT_GE(Platform::ElapsedSeconds() - start, 60);
  EXPECT_LT(Platform::ElapsedSeconds() - start, 61);
  EXPECT_FALSE(MacrosTools::PlaybackActive);
  EXPECT_EQ(ConsoleLines().back(), "Macros playback aborted.");
}

TEST_F(MacrosToolsTest, LoadKeysTakesOnlyKeyAssignments) {
  Build(false);
  const std::string keys = WriteFile("keys.mac",
                                     "MACRO-FILE 900\n"
                                     "; function keys\n"
                                     "\n"
                                     "@ File \"Open\" KEY F5\n"
                                     "@ File Close KEY F12\n"
                                     "@ File 2 KEY 'S'\n"
                                     "E Gain KEY 'g' command\n");
  int storage[12];
  std::fill(std::begin(storage), std::end(storage), -1);
  const std::span<int> table(storage, 10);
  EXPECT_TRUE(MacrosTools::LoadKeys(keys, table, false));
  EXPECT_EQ(table[0], 5);
  EXPECT_EQ(table[2], 12);
  EXPECT_EQ(table[1], 0);
  EXPECT_EQ(table[9], 0);
  EXPECT_EQ(storage[10], -1);  // beyond the caller's table
  EXPECT_EQ(storage[11], -1);
  char key = 0;
  ModMenus::GetCommandKey(fileMenu_, 2, key);
  EXPECT_EQ(key, 'S');
  EXPECT_EQ(items_[kGain]->CommandChar, 'g');
  EXPECT_EQ(menuRuns_[2], 0);

  const std::string acting = WriteFile("acting.mac",
                                       "MACRO-FILE 900\n"
                                       "@ File Open\n"
                                       "E Count 9\n"
                                       "E Run KEY 'r'\n");
  EXPECT_TRUE(MacrosTools::LoadKeys(acting, table, false));
  EXPECT_EQ(menuRuns_[1], 0);
  EXPECT_EQ(count_, 0);
  EXPECT_NE(items_[kRun]->CommandChar, 'r');  // loading stopped at the refused line
  EXPECT_EQ(ConsoleLines().back(), " ## Not a key assignment, not executed: @ File Open ## ");
  EXPECT_EQ(table[0], 0);
  Alert::PushAnswer(3);
  EXPECT_FALSE(MacrosTools::LoadKeys(WriteFile("new.mac", "MACRO-FILE 920\n"), table, false));
}

TEST_F(MacrosToolsTest, ListingsOnTheConsole) {
  Build(false);
  items_[kLetter]->Macro = false;
  const std::size_t before = ConsoleLines().size();
  MacrosTools::ListMacroItems();
  std::vector<std::string> lines = ConsoleLines();
  lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(before));
  const std::vector<std::string> expected = {
      ";    MENU items:",
      "  @  File          \"Open\"",
      "  @  File          \"Save As...\"",
      "  @  File          \"Close\"",
      "",
      ";    DIALOG macro items:",
      ";    DIALOG: \"E\" = \"Amplifier\"",
      "  E  Gain          real",
      "  E  Rs            real",
      "  E  Count         integer",
      "  E  Short         integer",
      "  E  Boxes         set16",
      "  E  Enabled       boolean",
      "  E  Mode          list index + 2. integer",
      "  E  Label         string",
      "  E  Run",
      "",
  };
  EXPECT_EQ(lines, expected);
  MacrosTools::ListItems();
  lines = ConsoleLines();
  EXPECT_EQ(lines[lines.size() - 3], "  E  Run");
  EXPECT_EQ(lines[lines.size() - 2], "  E  Letter");
  MacroItem item;
  item.Item = kCount;
  std::strcpy(item.Name, "E");
  MacrosTools::ListPlayback(item);
  EXPECT_EQ(ConsoleLines().back(), "  E  Count                   0");
}

TEST_F(MacrosToolsTest, TransformFileConvertsToCombinedNames) {
  Build(false);
  // The conversion runs under combined names, where the dialog is known by
  // its compacted title and still carries its macro ID.
  MacEnv::CombinedNames = true;
  MacrosTools::InitModule();
  const std::string input = WriteFile("old.mac",
                                      "MACRO-FILE 900\n"
                                      "; a comment\n"
                                      "   @  TLV3  \"Set Gain\"  KEY 'g'\n"
                                      "@ File \"Save As...\"\n"
                                      "  E  Gain    12.50mV\n"
                                      "  Q  Gain    1\n"
                                      "\n"
                                      "E \"Run it\"\n");
  ASSERT_TRUE(MacrosTools::TransformFile(input, ".mac", true));
  std::ifstream converted(folder_ + "/old_920.mac");
  std::stringstream text;
  text << converted.rdbuf();
  EXPECT_EQ(text.str(),
            "MACRO-FILE 900\n"
            "; a comment\n"
            "   AmplMenu_SetGain  KEY 'g'\n"
            "File_SaveAs\n"
            "  Amplifier_Gain    12.50mV\n"
            "  Q  Gain    1\n"
            "\n"
            "Amplifier_Runit\n");
  ASSERT_TRUE(MacrosTools::TransformFile(input, ".txt", false));
  std::ifstream plain(folder_ + "/old_920.txt");
  std::string first, second, third;
  std::getline(plain, first);
  std::getline(plain, second);
  std::getline(plain, third);
  EXPECT_EQ(third, "AmplMenu_SetGain  KEY 'g'");
  EXPECT_FALSE(MacrosTools::TransformFile(folder_ + "/missing.mac", ".mac", false));
}

TEST(MacroConversion, ReplaceNameByIDReplacesFirstOccurrences) {
  const struct {
    const char* line;
    const char* replaced;
  } cases[] = {
      {"Amplifier Rs 10 M\xCE\xA9", "E Rs 10 MOhm"},
      {"CONTROL Delay 5 \xC2\xB5s", "N Delay 5 us"},
      {"osci Markers amplifier", "@ K E"},
      {"REPLAY x Replay", "R x Replay"},
      {"; Amplifier", "; Amplifier"},
      {"", ""},
  };
  for (const auto& c : cases) {
    char line[80] = "";
    std::strcpy(line, c.line);
    MacrosTools::ReplaceNameByID(line);
    EXPECT_STREQ(line, c.replaced);
  }
}

}  // namespace
