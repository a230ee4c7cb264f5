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

void MacroDialogsTest::Build(bool combined) {
  MacEnv::CombinedNames = combined;
  MacrosTools::InitModule();
  static constexpr ModMenus::Procedure kMenuProcs[] = {nullptr, MenuRan<1>, MenuRan<2>, MenuRan<3>};
  ASSERT_TRUE(MacroFixture::Build(dialog_, items_, values_, kRunProcs, kMenuProcs, fileMenu_));
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
