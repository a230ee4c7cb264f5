// The file choices through the layer's chooser on a folder of the test's
// own, answered by scripted clicks and keys and by queued paths; the
// wildcard match and the free-space message by table.
#include "dialogs/FileSelect.h"
#include "dialogs/tests/DialogsUi_fixture.h"
#include "foundation/IOBase.h"
#include "platform/Dialogs.h"
#include "platform/FileChooser.h"
#include "platform/Resources.h"
#include "platform/Windows.h"
#include "platform/headless/Headless.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct MatchCase {
  const char* pattern;
  const char* name;
  bool matches;
};

const MatchCase kMatchCases[] = {
    {"*.txt", "Notebook_1.txt", true},
    {"*.txt", "A.TXT", true},
    {"*.txt", "a.b.txt", false},
    {"SC*.TL?", "SC_Board1.TLV", true},
    {"SC*.TL?", "SC_B.1.TLV", false},
    {"*.TXT", "notes.txt", true},
    {"*", "anything", true},
    {"*.*", "README", false},
    {"", "a.txt", false},
    {"*", "", false},
    {"abc", "ABC", true},
    {"abc", "abd", false},
    {"abc", "ab", false},
    {"ab", "abc", false},
    {"a?c", "axc", true},
    // A name used up before the pattern matches when a '*' or '?' comes next.
    {"ab?", "ab", true},
    {"ab*x", "ab", true},
    {"abx", "ab", false},
    // The '?' right after a '*' each take one character.
    {"*??", "ab", true},
    {"*??", "a", false},
    {"*?*", "a", true},
    {"*?x", "x", false},
    {"*?x", "abx", true},
    // The skip after a '*' stops at the first '.'.
    {"*x", "a.x", false},
    {"*.tlv", "Selftest_5.2.TLV", false},
    {"Selftest_*.TLV", "Selftest_52.TLV", true},
};

TEST(FindMatchTest, MatchesAsTheFileDialogsDo) {
  for (const MatchCase& c : kMatchCases) {
    EXPECT_EQ(FileSelect::FindMatch(std::span<const char>(c.name, std::strlen(c.name)),
                                    std::span<const char>(c.pattern, std::strlen(c.pattern))),
              c.matches)
        << c.pattern << " against " << c.name;
  }
}

struct FreeSpaceCase {
  double bytes;
  const char* text;
};

const FreeSpaceCase kFreeSpaceCases[] = {
    {0.0, "0 B free"},
    {512.0, "512 B free"},
    {999.9, "999 B free"},
    {1000.0, "1.00 kB free"},
    {1.2e9, "1.20 GB free"},
    {345.6e12, "346. TB free"},
};

TEST(DecodeFreeSpaceTest, ThePrefixLetterStandsBeforeB) {
  for (const FreeSpaceCase& c : kFreeSpaceCases) {
    char text[64] = "stale";
    FileSelect::DecodeFreeSpace(c.bytes, text);
    std::string got = text;
    got.erase(0, got.find_first_not_of(' '));
    EXPECT_EQ(got, c.text) << c.bytes;
  }
}

// A folder of the test's own as the current file directory, with sub/,
// a.txt, b.dat, notes.txt and a hidden file.
class FileSelectTest : public DialogsUiTest {
 protected:
  void SetUp() override {
    DialogsUiTest::SetUp();
    FileSelect::Initialize();
    FileSelect::ClearChoices();
    saved_ = IOBase::DefaultDir;
    char pattern[] = "/tmp/mereth-select-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = fs::canonical(pattern).string() + "/";
    fs::create_directory(dir_ + "sub");
    for (const char* name : {"a.txt", "b.dat", "notes.txt", ".hidden"}) std::ofstream(dir_ + name) << "x";
    ASSERT_EQ(IOBase::SetDirectory(Text(dir_)), 0);
  }

  void TearDown() override {
    FileSelect::ClearChoices();
    IOBase::SetDirectory(Text(saved_));
    fs::remove_all(dir_);
    DialogsUiTest::TearDown();
  }

  static std::span<const char> Text(const std::string& s) { return {s.c_str(), s.size() + 1}; }

  // The centre of entry `row` (from 0) of the chooser's list, global.
  static std::string ClickRow(int row) {
    const Resources::DialogTemplate* t = Resources::GetDialog(FileChooser::kDialogID);
    const Geometry::Rect list = t->items[FileChooser::kListItem - 1].rect;
    const int h = t->bounds.left + list.left + 20;
    const int v = t->bounds.top + list.top + 1 + row * FileChooser::kRowHeight + FileChooser::kRowHeight / 2;
    return "click " + std::to_string(h) + " " + std::to_string(v) + "\n";
  }

  // Select on the script's answer; name starts as given.
  bool Select(const std::string& script, std::string& name, const char* filter, int mode) {
    Script(script);
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, "%s", name.c_str());
    const bool chosen = FileSelect::Select(buffer, std::span<const char>(filter, std::strlen(filter) + 1), mode, "Choose:");
    name = buffer;
    return chosen;
  }

  std::string dir_;
  std::string saved_;
};

TEST_F(FileSelectTest, OpenShowsTheFilesTheFilterLetThroughCaseIgnored) {
  struct Case {
    const char* filter;
    int row;  // entries: sub/ first, then the files shown in name order
    const char* expected;  // "" when nothing is chosen
  };
  const Case cases[] = {
      {"*.TXT", 2, "notes.txt"},
      {"*.*", 2, "b.dat"},
      {"*", 3, "notes.txt"},
      {"*.dat", 1, "b.dat"},
      {"", 1, ""},  // folders only
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.filter);
    std::string name = dir_ + "x.txt";
    const bool chosen = Select(ClickRow(c.row) + "item 1\n", name, c.filter, FileSelect::ModeOpen);
    EXPECT_EQ(chosen, *c.expected != '\0');
    EXPECT_EQ(name, chosen ? dir_ + c.expected : dir_ + "x.txt");
  }
}

TEST_F(FileSelectTest, SaveProposesTheNameInItsFolder) {
  fs::create_directory(dir_ + "Data");
  std::string name = dir_ + "Data/Run1.txt";
  EXPECT_TRUE(Select("key return\n", name, "*.txt", FileSelect::ModeSave));
  EXPECT_EQ(name, dir_ + "Data/Run1.txt");
  EXPECT_EQ(std::string(IOBase::DefaultDir), dir_) << "mode 2 alone keeps the current directory";
  EXPECT_EQ(IOBase::Result, 0);

  name = dir_ + "Data/Run1.txt";
  EXPECT_TRUE(Select("type Run2.txt\nitem 1\n", name, "*.txt", FileSelect::ModeSave | FileSelect::ModeSetDirectory));
  EXPECT_EQ(name, dir_ + "Data/Run2.txt");
  EXPECT_EQ(std::string(IOBase::DefaultDir), dir_ + "Data/") << "mode 2 + 8 moves to the saved file's folder";
}

TEST_F(FileSelectTest, AFolderComesBackEndingInTheSeparator) {
  std::string name = dir_;
  EXPECT_TRUE(Select(ClickRow(0) + "item 1\n", name, "", FileSelect::ModeFolder | FileSelect::ModeSetDirectory));
  EXPECT_EQ(name, dir_ + "sub/");
  EXPECT_EQ(std::string(IOBase::DefaultDir), dir_ + "sub/");
}

TEST_F(FileSelectTest, CancellingChangesNothingAndRestoresTheDirectory) {
  for (const char* script : {"item 2\n", "key escape\n", "quit\n", ""}) {
    SCOPED_TRACE(script);
    std::string name = dir_ + "sub/keep.txt";
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Select(script, name, "*", FileSelect::ModeOpen | FileSelect::ModeSetDirectory));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(name, dir_ + "sub/keep.txt");
    EXPECT_EQ(std::string(IOBase::DefaultDir), dir_);
    EXPECT_EQ(said.find("FileSelector error"), std::string::npos) << said;
  }
}

TEST_F(FileSelectTest, AQueuedPathIsTheAnswerAndGoesThroughTheConversion) {
  std::string name = "old";
  FileSelect::PushChoice("/data/fpga.TLV");
  EXPECT_TRUE(Select("", name, "*.TLV", FileSelect::ModeOpen));
  EXPECT_EQ(name, "/data/fpga.TLV");
  // A relative one is taken from the current directory; a folder gets its
  // separator.
  FileSelect::PushChoice("sub");
  EXPECT_TRUE(Select("", name, "", FileSelect::ModeFolder));
  EXPECT_EQ(name, dir_ + "sub/");
  // An empty queue cancels (the headless chooser runs out of steps).
  EXPECT_FALSE(Select("", name, "", FileSelect::ModeFolder));
  EXPECT_EQ(name, dir_ + "sub/");
}

TEST_F(FileSelectTest, APathOverTheLimitIsRefusedWithTheBadNameCode) {
  const std::string folder(253, 'f');
  struct Case {
    std::string path;
    int mode;
    bool fits;
  };
  const Case cases[] = {
      {"/" + std::string(299, 'p'), FileSelect::ModeOpen, false},
      {"/" + std::string(253, 'p'), FileSelect::ModeOpen, true},  // 254 characters
      {"/" + std::string(254, 'p'), FileSelect::ModeSave, false},
      {"/" + folder + "/", FileSelect::ModeFolder, true},  // 254 and its separator
      {"/" + folder + "x/", FileSelect::ModeFolder, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.size());
    std::string name = "unchanged";
    FileSelect::PushChoice(Text(c.path));
    testing::internal::CaptureStderr();
    EXPECT_EQ(Select("", name, "*", c.mode), c.fits);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(name, c.fits ? c.path : "unchanged");
    EXPECT_EQ(said.find("FileSelector error: -37") != std::string::npos, !c.fits) << said;
  }
  // A name too small for the path is refused the same way.
  char small[8] = "keep";
  FileSelect::PushChoice("/data/fpga.TLV");
  testing::internal::CaptureStderr();
  EXPECT_FALSE(FileSelect::Select(small, "*", FileSelect::ModeOpen, "Choose:"));
  EXPECT_NE(testing::internal::GetCapturedStderr().find("FileSelector error: -37"), std::string::npos);
  EXPECT_STREQ(small, "keep");
}

TEST_F(FileSelectTest, AChosenDeepFolderOverTheLimitIsRefused) {
  // A starting folder that fits, with a folder inside it that does not.
  std::string deep = dir_;
  while (deep.size() < 220) {
    deep += std::string(40, 'd') + "/";
    fs::create_directory(deep);
  }
  fs::create_directory(deep + std::string(60, 'e'));
  std::string name = deep;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(Select(ClickRow(0) + "item 1\n", name, "", FileSelect::ModeFolder));
  EXPECT_NE(testing::internal::GetCapturedStderr().find("FileSelector error: -37"), std::string::npos);
  EXPECT_EQ(name, deep);
}

// Compares the chooser with its golden once its folder and message lines
// read the same wherever the test runs.
void CheckChooser(void* golden) {
  Dialogs::Dialog* d = Dialogs::FrontDialog();
  Dialogs::SetItemText(d, FileChooser::kFolderItem, std::string_view("/home/operator/Data"));
  char message[256];
  Dialogs::GetItemText(d, FileChooser::kMessageItem, message);
  if (message[0] != '\0') Dialogs::SetItemText(d, FileChooser::kMessageItem, std::string_view("12.3 GB free"));
  EXPECT_TRUE(MatchesGolden(Windows::PixelsOf(Dialogs::GetDialogWindow(d)), static_cast<const char*>(golden)));
}

TEST_F(FileSelectTest, EachKindOfChooserMatchesItsGolden) {
  struct Case {
    int mode;
    const char* name;
    const char* golden;
  };
  const Case cases[] = {
      {FileSelect::ModeOpen, "", "chooser_open"},
      {FileSelect::ModeSave, "Notebook_1.txt", "chooser_save"},
      {FileSelect::ModeFolder, "", "chooser_folder"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.golden);
    // A selected entry; saving shows its proposed name instead.
    if (c.mode != FileSelect::ModeSave) Script(ClickRow(1));
    Headless::Call(CheckChooser, const_cast<char*>(c.golden));
    Script("item 2\n");
    std::string name = dir_ + c.name;
    EXPECT_FALSE(Select("", name, "*.txt", c.mode));
  }
}

}  // namespace
