#include "shell/tests/MacroDialogs_fixture.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "dialogs/ModDialog.h"
#include "foundation/BufferText.h"
#include "foundation/TermIO.h"
#include "platform/Fonts.h"
#include "shell/Graphics.h"
#include "shell/MacEnv.h"
#include "shell/MacrosTools.h"
#include "shell/ModMenus.h"
#include "shell/Shell.h"
#include "terminal/ANSITerm.h"

namespace {

using namespace ModDialogUt;

MacroDialogsTest* current = nullptr;

struct Spec {
  int type;
  const char* name;
  int left, bottom;
};

constexpr Spec kSpecs[] = {
    {kDrag, "Gain", 10, 30},     {kDrag, "Rs", 10, 60},        {kDrag, "Count", 10, 90},
    {kDrag, "Short", 10, 120},   {kMultiCheck, "Boxes", 200, 30}, {kCheckBox, "Enabled", 200, 60},
    {kList, "Mode", 200, 90},    {kEditText, "Label", 200, 120}, {kButton, "Run", 200, 150},
    {kDrag, "Letter", 10, 150},
};

DialogRecord* Dialog();

template <int N>
void Ran() {
  ++current->runs_[N];
}

template <int N>
void MenuRan() {
  ++current->menuRuns_[N];
}

constexpr Proc kRunProcs[] = {nullptr, Ran<1>, Ran<2>, Ran<3>, Ran<4>, Ran<5>, Ran<6>, Ran<7>, Ran<8>, Ran<9>, Ran<10>};

}  // namespace

void MacroDialogsTest::SetUp() {
  ConsoleSessionTest::SetUp();
  current = this;
  std::fill(std::begin(runs_), std::end(runs_), 0);
  std::fill(std::begin(menuRuns_), std::end(menuRuns_), 0);
  Graphics::InitModule();
  ASSERT_TRUE(Graphics::Initialize());
  ASSERT_TRUE(ANSITerm::Initialize());
  MacEnv::ScreenFactor = 1.0;
  MacEnv::FontFactor = 1.0;
  ModDialog::InitModule();
  ClearRecord(&dialog_);
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  folder_ = (std::filesystem::temp_directory_path() /
             (std::string("mereth_macros_") + info->test_suite_name() + "_" + info->name() + "_" +
              std::to_string(::getpid())))
                .string();
  std::filesystem::remove_all(folder_);
  std::filesystem::create_directories(folder_);
}

void MacroDialogsTest::TearDown() {
  ModDialog::Shutdown(&dialog_);
  ModDialog::RecordingActive = false;
  MacrosTools::PlaybackActive = false;
  std::filesystem::remove_all(folder_);
  Graphics::InitModule();
  current = nullptr;
  ConsoleSessionTest::TearDown();
}

namespace {

DialogRecord* Dialog() { return &current->dialog_; }

void Fill() {
  DialogRecord* d = Dialog();
  for (int n = 1; n <= static_cast<int>(std::size(kSpecs)); ++n) {
    const Spec& s = kSpecs[n - 1];
    FillTextField(d, n, s.type, std::string_view(s.name), true, std::string_view(s.name), s.left, s.bottom, 150, 20);
  }
  FillDragField(d, 1, " V", kEngineering, kDouble, 10, 4, 0.1, -10, 10, 1, false, 0);
  FillDragField(d, 2, " M\xCE\xA9", kFixed, kSingle, 10, 1, 1, 0, 1e12, 1e-6, false, 0);
  FillDragField(d, 3, "", kInteger, kInt32, 10, 6, 1, -1e6, 1e6, 1, false, 0);
  FillDragField(d, 4, " pts", kInteger, kInt16, 10, 5, 1, -30000, 30000, 1, false, 0);
  FillDragField(d, 10, "", kInteger, kByte, 4, 3, 1, 0, 255, 1, false, 0);
  d->Items[5]->Digits = 4;
}

void Lists() {
  DialogRecord* d = Dialog();
  CreateMenuList(d, 7, "Mode");
  for (const char* entry : {"Off", "Slow", "Fast"}) AddListItem(d, 7, std::string_view(entry));
  d->Items[7]->Area.List.MarkBlock = 1;
}

}  // namespace

void MacroDialogsTest::Build(bool combined) {
  MacEnv::CombinedNames = combined;
  MacrosTools::InitModule();
  ModMenus::CreateMenu(fileMenu_, "File");
  ModMenus::AppendItem(fileMenu_, "Open");
  ModMenus::AppendItem(fileMenu_, "Save As...");
  ModMenus::AppendItem(fileMenu_, "Close");
  ModMenus::SetItemProc(fileMenu_, 1, MenuRan<1>);
  ModMenus::SetItemProc(fileMenu_, 2, MenuRan<2>);
  ModMenus::SetItemProc(fileMenu_, 3, MenuRan<3>);
  ASSERT_TRUE(InitializeRecord(&dialog_, items_, true, false, "Amplifier", "Amplifier", Fonts::kGeneva, 12, kItems,
                               40, 300, 400, 200, 0));
  ASSERT_TRUE(ModDialog::Initialize(&dialog_, 0, Fill, Lists, false, true, true, true, false, "E"));
  void* variables[] = {nullptr, &gain_, &rs_, &count_, &short_, &boxes_, &enabled_, &mode_, nullptr, nullptr, &letter_};
  for (int n = 1; n <= kItems; ++n) FillProcField(&dialog_, n, variables[n], kRunProcs[n], nullptr);
  FillEdittextField(&dialog_, kLabel, label_, 40);
}

std::vector<std::string> MacroDialogsTest::ConsoleLines() {
  TermIO::Flush();
  std::vector<std::string> lines;
  for (int i = 1; i <= BufferText::RecordCount(Shell::List); ++i) {
    char text[256] = "";
    BufferText::Get(Shell::List, i, text);
    lines.emplace_back(text);
  }
  return lines;
}

std::string MacroDialogsTest::WriteFile(const char* name, const std::string& content) const {
  const std::string path = folder_ + "/" + name;
  std::ofstream(path, std::ios::binary) << content;
  return path;
}
