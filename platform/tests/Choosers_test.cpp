// The file chooser on a folder of its own and the colour picker, answered
// by scripts; both drawn against golden images.
#include "platform/ColorPicker.h"
#include "platform/Dialogs.h"
#include "platform/FileChooser.h"
#include "platform/Resources.h"
#include "platform/Windows.h"
#include "platform/headless/Headless.h"
#include "platform/tests/Golden_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace {

namespace fs = std::filesystem;
using Geometry::Point;

class FileChooserTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    char pattern[] = "/tmp/mereth-chooser-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    fs::create_directory(dir_ / "sub");
    for (const char* name : {"a.txt", "b.dat", ".hidden", "sub/c.txt"}) std::ofstream(dir_ / name) << "x";
  }

  void TearDown() override {
    UiTest::TearDown();
    fs::remove_all(dir_);
  }

  // The centre of entry `row` (from 0) of the list, global.
  static Point Row(int row) {
    const Resources::DialogTemplate* t = Resources::GetDialog(FileChooser::kDialogID);
    const Geometry::Rect list = t->items[FileChooser::kListItem - 1].rect;
    return Point{t->bounds.left + list.left + 20,
                 t->bounds.top + list.top + 1 + row * FileChooser::kRowHeight + FileChooser::kRowHeight / 2};
  }

  bool Choose(FileChooser::Kind kind, const char* script, std::string& path, FileChooser::FilterProc filter = nullptr) {
    EXPECT_TRUE(Headless::RunScript(std::string_view(script))) << Headless::ErrorLine();
    FileChooser::Request r;
    r.kind = kind;
    r.folder = dir_.string();
    r.prompt = "Choose";
    r.name = "new.txt";
    r.filter = filter;
    return FileChooser::Choose(r, path);
  }

  std::string ClickRow(int row) {
    const Point p = Row(row);
    return "click " + std::to_string(p.h) + " " + std::to_string(p.v) + "\n";
  }

  fs::path dir_;
};

bool TextFiles(std::string_view name, void*) { return name.size() > 4 && name.substr(name.size() - 4) == ".txt"; }

TEST_F(FileChooserTest, OpensAFileThroughTheFilterWithFoldersAlwaysShown) {
  std::string path = "unchanged";
  // Filtered: sub/, a.txt.
  EXPECT_TRUE(Choose(FileChooser::Kind::kOpen, (ClickRow(1) + "item 1\n").c_str(), path, TextFiles));
  EXPECT_EQ(path, (dir_ / "a.txt").string());
  // Unfiltered: sub/, a.txt, b.dat.
  EXPECT_TRUE(Choose(FileChooser::Kind::kOpen, (ClickRow(2) + "item 1\n").c_str(), path));
  EXPECT_EQ(path, (dir_ / "b.dat").string());
  // Nothing below the last entry.
  path = "unchanged";
  EXPECT_FALSE(Choose(FileChooser::Kind::kOpen, (ClickRow(5) + "item 1\n").c_str(), path));
  EXPECT_EQ(path, "unchanged");
}

TEST_F(FileChooserTest, ADoubleClickOpensAFolderAndUpLeavesIt) {
  std::string path;
  const std::string script = ClickRow(0) + ClickRow(0) + "wait 1\n" + ClickRow(0) + ClickRow(0);
  EXPECT_TRUE(Choose(FileChooser::Kind::kOpen, script.c_str(), path));
  EXPECT_EQ(path, (dir_ / "sub" / "c.txt").string());
  // Into sub and up again: row 1 is a.txt.
  const std::string up = ClickRow(0) + ClickRow(0) + "item 5\n" + ClickRow(1) + "item 1\n";
  EXPECT_TRUE(Choose(FileChooser::Kind::kOpen, up.c_str(), path));
  EXPECT_EQ(path, (dir_ / "a.txt").string());
}

TEST_F(FileChooserTest, ChoosesAFolder) {
  std::string path;
  EXPECT_TRUE(Choose(FileChooser::Kind::kFolder, (ClickRow(0) + "item 1\n").c_str(), path));
  EXPECT_EQ(path, (dir_ / "sub").string() + "/");
  EXPECT_TRUE(Choose(FileChooser::Kind::kFolder, "item 1\n", path));
  EXPECT_EQ(path, dir_.string() + "/");
}

TEST_F(FileChooserTest, SavesUnderTheProposedOrATypedName) {
  std::string path;
  EXPECT_TRUE(Choose(FileChooser::Kind::kSave, "key return\n", path));
  EXPECT_EQ(path, (dir_ / "new.txt").string());
  EXPECT_TRUE(Choose(FileChooser::Kind::kSave, "type Run 2.txt\nitem 1\n", path));
  EXPECT_EQ(path, (dir_ / "Run 2.txt").string());
  // A click on a file takes its name; a typed folder name enters it.
  EXPECT_TRUE(Choose(FileChooser::Kind::kSave, "type sub\nitem 1\ntype d.txt\nitem 1\n", path));
  EXPECT_EQ(path, (dir_ / "sub" / "d.txt").string());
}

TEST_F(FileChooserTest, AsksBeforeReplacingAFile) {
  std::string path = "unchanged";
  // Refused once, then cancelled.
  EXPECT_FALSE(Choose(FileChooser::Kind::kSave, "type a.txt\nitem 1\nitem 1\nitem 2\n", path));
  EXPECT_EQ(path, "unchanged");
  EXPECT_TRUE(Choose(FileChooser::Kind::kSave, (ClickRow(1) + "item 1\nitem 2\n").c_str(), path));
  EXPECT_EQ(path, (dir_ / "a.txt").string());
}

TEST_F(FileChooserTest, CancelsWithTheButtonEscapeOrTheEndOfInput) {
  std::string path = "unchanged";
  for (const char* script : {"item 2\n", "key escape\n", "key . cmd\n", ""}) {
    EXPECT_FALSE(Choose(FileChooser::Kind::kOpen, script, path)) << script;
  }
  EXPECT_EQ(path, "unchanged");
  EXPECT_EQ(Windows::FirstWindow(), nullptr);
}

struct Shot {
  Surface::Pixels pixels;
};

// The front dialog as it is, with a folder line that does not depend on
// where the test's folder lies.
void CaptureFolder(void* user) {
  Dialogs::Dialog* d = Dialogs::FrontDialog();
  Dialogs::SetItemText(d, FileChooser::kFolderItem, std::string_view("/home/operator/Data"));
  static_cast<Shot*>(user)->pixels = Windows::PixelsOf(Dialogs::GetDialogWindow(d));
}

void Capture(void* user) { static_cast<Shot*>(user)->pixels = Windows::PixelsOf(Dialogs::GetDialogWindow(Dialogs::FrontDialog())); }

TEST_F(FileChooserTest, TheChooserMatchesItsGolden) {
  Shot shot;
  const Point row = Row(1);
  Headless::Click(row);
  Headless::Call(CaptureFolder, &shot);
  Headless::ClickItem(FileChooser::kCancelItem);
  FileChooser::Request r;
  r.kind = FileChooser::Kind::kSave;
  r.folder = dir_.string();
  r.prompt = "Save the notebook as";
  r.message = "12.3 GB free";
  r.name = "Notebook_1.txt";
  std::string path;
  EXPECT_FALSE(FileChooser::Choose(r, path));
  EXPECT_TRUE(MatchesGolden(shot.pixels, "file_chooser"));
}

using ColorPickerTest = UiTest;

constexpr Color::RGB kOld{0x1000, 0x8000, 0xF000};

TEST_F(ColorPickerTest, ReturnsTheTypedColour) {
  ASSERT_TRUE(Headless::RunScript("type 65535\nkey tab\ntype 0\nkey tab\ntype 300\nkey return\n"));
  Color::RGB out;
  EXPECT_TRUE(ColorPicker::GetColor(Point{100, 100}, "Color Picker", kOld, out));
  EXPECT_EQ(out, (Color::RGB{65535, 0, 300}));
}

TEST_F(ColorPickerTest, KeepsTheColourWhenCancelledOrGivenNoNumber) {
  for (const char* script : {"type 999\nitem 2\n", "type 70000\nkey return\nkey escape\n", "key tab\ntype x\nitem 1\n"}) {
    SCOPED_TRACE(script);
    ASSERT_TRUE(Headless::RunScript(std::string_view(script)));
    Color::RGB out{1, 2, 3};
    EXPECT_FALSE(ColorPicker::GetColor(Point{100, 100}, "Color Picker", kOld, out));
    EXPECT_EQ(out, kOld);
  }
}

TEST_F(ColorPickerTest, ThePickerMatchesItsGoldenAndStaysOnTheScreen) {
  Shot shot;
  ASSERT_TRUE(Headless::RunScript("type 65535\nkey tab\ntype 0\n"));
  Headless::Call(Capture, &shot);
  Headless::ClickItem(ColorPicker::kCancelItem);
  Color::RGB out;
  EXPECT_FALSE(ColorPicker::GetColor(Point{600, 460}, "Color Picker", kOld, out));
  EXPECT_TRUE(MatchesGolden(shot.pixels, "color_picker"));
}

}  // namespace
