#include "shell/ModMenus.h"

#include "dialogs/ModDialog.h"
#include "platform/Gestalt.h"
#include "platform/Menus.h"
#include "shell/MacEnv.h"
#include "shell/tests/Session_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::string ran;
void First() { ran += '1'; }
void Second() { ran += '2'; }
void Third() { ran += '3'; }
void Fourth() { ran += '4'; }
void QuitItem() { ran += 'Q'; }
void QuitRequest() { ran += 'R'; }

bool Veto(int, int) { return false; }

std::string ItemName(int handle, int item) {
  char name[ModMenus::kTextSize] = "";
  ModMenus::GetItemName(handle, item, name);
  return name;
}

std::string ItemText(int handle, int item) {
  char text[ModMenus::kTextSize] = "";
  ModMenus::GetItemText(handle, item, text);
  return text;
}

bool ShownEnabled(int handle, int item) { return Menus::IsItemEnabled(ModMenus::Info[handle].menu, item); }

std::int32_t Result(int menu, int item) { return menu << 16 | item; }

class ModMenusTest : public ConsoleSessionTest {
 protected:
  void SetUp() override {
    ConsoleSessionTest::SetUp();
    ran.clear();
  }

  // A menu with the items, each bound to the next of First .. Fourth.
  static int MenuWith(const char* title, std::initializer_list<const char*> items) {
    static constexpr ModMenus::Procedure kProcs[] = {First, Second, Third, Fourth};
    int handle = 0;
    ModMenus::CreateMenu(handle, std::string_view(title));
    int n = 0;
    for (const char* text : items) {
      ModMenus::AppendItem(handle, std::string_view(text));
      ++n;
      if (text[0] != '-') ModMenus::SetItemProc(handle, n, kProcs[(n - 1) % 4]);
    }
    ModMenus::AppendMenu(handle);
    return handle;
  }
};

TEST(MakeMenuName, PlainAndCombined) {
  struct Case {
    const char* text;
    const char* plain;
    const char* combined;
  };
  const Case cases[] = {
      {"Save As...", "Save As...", "SaveAs"},
      {" \t Open (recent):x", "Open", "Open"},
      {"Print\tP", "Print", "Print"},
      {"Quit  ", "Quit", "Quit"},
      {"Set [a]=b_c+d.'e\"", "Set [a]=b_c+d.'e\"", "Setabcde"},
      {"Gain: 10", "Gain", "Gain"},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    char name[ModMenus::kTextSize];
    ModMenus::MakeMenuName(name, std::string_view(c.text), false);
    EXPECT_STREQ(name, c.plain) << c.text;
    ModMenus::MakeMenuName(name, std::string_view(c.text), true);
    EXPECT_STREQ(name, c.combined) << c.text;
  }
  char name[ModMenus::kTextSize];
  ModMenus::MakeMenuName(name, std::string(100, 'x'), false);
  EXPECT_EQ(std::string(name), std::string(79, 'x'));
}

TEST_F(ModMenusTest, HandlesTwoToFortyAndTheDuplicateTitleLine) {
  int file = 0;
  ModMenus::CreateMenu(file, "File");
  EXPECT_EQ(file, 2);
  EXPECT_EQ(Menus::GetMenuID(ModMenus::Info[2].menu), 2);
  int again = 0;
  ModMenus::CreateNamedMenu(again, "Other", "file");
  EXPECT_EQ(again, 3);
  EXPECT_EQ(LastLine(), "file is already used as menu[2].");
  int handle = 0;
  for (int n = 4; n <= 40; ++n) {
    ModMenus::CreateMenu(handle, "M");
    ASSERT_EQ(handle, n);
  }
  ModMenus::CreateMenu(handle, "Full");
  EXPECT_EQ(handle, 0);
  ModMenus::DeleteMenu(again);
  EXPECT_EQ(again, 0);
  ModMenus::CreateMenu(handle, "Reused");
  EXPECT_EQ(handle, 3);
}

TEST_F(ModMenusTest, CombinedNamesApplyToMenusMadeAfterwards) {
  const int plain = MenuWith("Edit", {"Save As..."});
  MacEnv::CombinedNames = true;
  const int combined = MenuWith("File", {"Save As...", "-", "Page Setup..."});
  EXPECT_EQ(ItemName(plain, 1), "Save As...");
  EXPECT_EQ(ItemName(combined, 1), "File_SaveAs");
  EXPECT_EQ(ItemName(combined, 2), "");
  EXPECT_EQ(ItemText(combined, 2), "-");
  EXPECT_EQ(ItemName(combined, 3), "File_PageSetup");
}

TEST_F(ModMenusTest, TheSwitchCombinedNamesOnGivesLaterMenusCombinedNames) {
  char directory[] = "/tmp/modmenus-XXXXXX";
  ASSERT_NE(mkdtemp(directory), nullptr);
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(directory);
  ModDialog::InitModule();
  EXPECT_FALSE(MacEnv::CombinedNames);
  std::ofstream("CombinedNames.On").put('\n');
  ModDialog::InitModule();
  std::filesystem::current_path(before);
  std::filesystem::remove_all(directory);
  EXPECT_TRUE(MacEnv::CombinedNames);
  const int file = MenuWith("File", {"Save As..."});
  EXPECT_EQ(ItemName(file, 1), "File_SaveAs");
}

TEST_F(ModMenusTest, ThirtyOneItemsAtMostAndMetaCharactersAreText) {
  const int handle = MenuWith("Many", {});
  for (int n = 1; n <= 32; ++n) ModMenus::AppendItem(handle, "(x;/y^0");
  EXPECT_EQ(ModMenus::CountItems(handle), 31);
  char shown[64];
  Menus::GetItemText(ModMenus::Info[handle].menu, 31, shown);
  EXPECT_STREQ(shown, "(x;/y^0");
  EXPECT_EQ(ModMenus::CountItems(41), 0);
  EXPECT_EQ(ModMenus::CountItems(7), 0);
}

TEST_F(ModMenusTest, QuitGoesIntoTheFileMenuOnce) {
  ModMenus::FileMenu = MenuWith("File", {"Save", "Save As...", "-", "Page Setup...", "Page Margins...", "Print..."});
  ModMenus::AddQuitMenu(QuitItem, QuitRequest);
  EXPECT_EQ(ModMenus::CountItems(ModMenus::FileMenu), 8);
  EXPECT_EQ(ItemText(ModMenus::FileMenu, 7), "-");
  EXPECT_EQ(ItemText(ModMenus::FileMenu, 8), "Quit");
  EXPECT_EQ(ModMenus::QuitItem, 8);
  char key = 0;
  ModMenus::GetCommandKey(ModMenus::FileMenu, 8, key);
  EXPECT_EQ(key, 'Q');
  EXPECT_TRUE(ModMenus::IsQuitMenu(ModMenus::FileMenu, 8));
  EXPECT_EQ(MacEnv::QuitProc, QuitRequest);

  ModMenus::AddQuitMenu(QuitItem, QuitRequest);
  EXPECT_EQ(ModMenus::CountItems(ModMenus::FileMenu), 8);
  ModMenus::ProcessMenuKey('q');
  EXPECT_EQ(ran, "Q");
}

TEST_F(ModMenusTest, AnExistingQuitItemCountsInCombinedNamesToo) {
  MacEnv::CombinedNames = true;
  ModMenus::FileMenu = MenuWith("File", {"Open", "Quit Program"});
  ModMenus::AddQuitMenu(QuitItem, QuitRequest);
  EXPECT_EQ(ModMenus::CountItems(ModMenus::FileMenu), 2);
  EXPECT_EQ(ModMenus::QuitItem, 2);

  int empty = 0;
  ModMenus::CreateMenu(empty, "Empty");
  ModMenus::FileMenu = empty;
  ModMenus::AddQuitMenu(QuitItem, QuitRequest);
  EXPECT_EQ(ModMenus::CountItems(empty), 1);
  EXPECT_EQ(ItemName(empty, 1), "Empty_Quit");
}

TEST_F(ModMenusTest, QuitInTheApplicationMenuAddsNothingButTheQuitProcedure) {
  Gestalt::SetAnswer(0x6D656E75, 2);
  ModMenus::FileMenu = MenuWith("File", {"Save"});
  ModMenus::AddQuitMenu(QuitItem, QuitRequest);
  EXPECT_EQ(ModMenus::QuitItem, -1);
  EXPECT_EQ(ModMenus::CountItems(ModMenus::FileMenu), 1);
  EXPECT_EQ(MacEnv::QuitProc, QuitRequest);
  ModMenus::EnableQuitMenu(false);
  EXPECT_FALSE(ModMenus::QuitCommandEnabled);
  ModMenus::EnableQuitMenu(true);
  int previous = 0;
  ModMenus::DisableAll(previous, false, false);
  EXPECT_FALSE(ModMenus::QuitCommandEnabled);
  ModMenus::ReEnableAll(previous, false);
  EXPECT_TRUE(ModMenus::QuitCommandEnabled);
}

TEST_F(ModMenusTest, DeletingAnItemMovesTheLaterOnesUp) {
  const int handle = MenuWith("Edit", {"Cut", "Copy", "Paste", "Clear"});
  ModMenus::SetCommandKey(handle, 3, 'V');
  ModMenus::DeleteItem(handle, 2);
  ASSERT_EQ(ModMenus::CountItems(handle), 3);
  EXPECT_EQ(ItemName(handle, 2), "Paste");
  EXPECT_EQ(ItemText(handle, 3), "Clear");
  char key = 0;
  ModMenus::GetCommandKey(handle, 2, key);
  EXPECT_EQ(key, 'V');
  ModMenus::ExecuteMenuProc(handle, 2);
  ModMenus::ExecuteMenuProc(handle, 3);
  EXPECT_EQ(ran, "34");
  ModMenus::AppendItem(handle, "Select All");
  EXPECT_EQ(ItemName(handle, 4), "Select All");
  EXPECT_EQ(Menus::CountItems(ModMenus::Info[handle].menu), 4);
}

TEST_F(ModMenusTest, DeletingAMenuDeletesItsSubmenus) {
  const int parent = MenuWith("Calibrate", {"Amplifier"});
  int sub = 0;
  ModMenus::CreateMenu(sub, "Gain");
  ModMenus::AppendItem(sub, "All");
  ModMenus::AttachMenu(sub, parent, 1);
  EXPECT_TRUE(ModMenus::IsHiarchical(parent, 1));
  EXPECT_TRUE(ModMenus::GetItemEnabled(parent, 1));
  EXPECT_EQ(Menus::GetSubmenu(ModMenus::Info[parent].menu, 1), ModMenus::Info[sub].menu);
  ModMenus::SetCommandKey(parent, 1, 'G');
  EXPECT_EQ(Menus::GetItemCmd(ModMenus::Info[parent].menu, 1), Menus::kHierarchicalCmd);
  int handle = parent;
  ModMenus::DeleteMenu(handle);
  EXPECT_EQ(handle, 0);
  EXPECT_EQ(ModMenus::Info[sub].menu, nullptr);
  EXPECT_EQ(ModMenus::Info[parent].menu, nullptr);
  EXPECT_EQ(Menus::GetMenuHandle(sub), nullptr);
}

TEST_F(ModMenusTest, WhatMayRunAndWhatTheMenusShow) {
  const int handle = MenuWith("Tools", {"Run", "Check"});
  ModMenus::AppendItem(handle, "Unbound");
  EXPECT_TRUE(ShownEnabled(handle, 3));
  EXPECT_FALSE(ModMenus::GetItemEnabled(handle, 3));
  ModMenus::SetItemProc(handle, 1, nullptr);
  EXPECT_FALSE(ModMenus::GetItemEnabled(handle, 1));
  ModMenus::AdjustMenus(false);
  EXPECT_FALSE(ShownEnabled(handle, 1));
  EXPECT_FALSE(ShownEnabled(handle, 3));
  EXPECT_TRUE(ShownEnabled(handle, 2));

  ModMenus::Info[handle].accessLevel[2] = 1;
  EXPECT_FALSE(ModMenus::GetItemEnabled(handle, 2));
  ModMenus::MinAccessLevel = 1;
  EXPECT_TRUE(ModMenus::GetItemEnabled(handle, 2));

  ModMenus::EnableMenu(handle, false);
  EXPECT_FALSE(ModMenus::GetItemEnabled(handle, 2));
  EXPECT_TRUE(ShownEnabled(handle, 0));
  ModMenus::AdjustMenus(true);
  EXPECT_FALSE(ShownEnabled(handle, 0));
  EXPECT_TRUE(ShownEnabled(handle, 2));
}

TEST_F(ModMenusTest, TheFileMenusQuitRunsWhileTheMenuIsOff) {
  ModMenus::FileMenu = MenuWith("File", {"Save"});
  ModMenus::AddQuitMenu(QuitItem, QuitRequest);
  ModMenus::EnableMenu(ModMenus::FileMenu, false);
  EXPECT_FALSE(ModMenus::GetItemEnabled(ModMenus::FileMenu, 1));
  EXPECT_TRUE(ModMenus::GetItemEnabled(ModMenus::FileMenu, 3));
}

TEST_F(ModMenusTest, EnableStatesAndTheHelpMenu) {
  const int tools = MenuWith("Tools", {"Run"});
  const int help = ModMenus::CreateHelpMenu();
  ASSERT_NE(help, 0);
  EXPECT_EQ(ModMenus::HelpMenu, help);
  ModMenus::AppendItem(help, "Topics");
  ModMenus::SetItemProc(help, 1, Second);
  ModMenus::AppendMenu(help);
  const int late = MenuWith("Late", {"Go"});
  EXPECT_EQ(Menus::GetMenuID(Menus::BarMenu(Menus::BarCount() - 1)), help);
  EXPECT_EQ(Menus::GetMenuID(Menus::BarMenu(Menus::BarCount() - 2)), late);

  struct Case {
    bool keepHelp;
    bool toolsTitle;
    bool helpItem;
  };
  for (const Case c : {Case{true, false, true}, Case{false, false, false}}) {
    int previous = -1;
    ModMenus::DisableAll(previous, c.keepHelp, false);
    EXPECT_EQ(previous, 0);
    EXPECT_EQ(ModMenus::EnableState, c.keepHelp ? 1 : 2);
    EXPECT_EQ(ShownEnabled(tools, 0), c.toolsTitle);
    EXPECT_EQ(ShownEnabled(help, 1), c.helpItem);
    EXPECT_TRUE(ShownEnabled(help, 0));
    ModMenus::ReEnableAll(previous, false);
    EXPECT_EQ(ModMenus::EnableState, 0);
    EXPECT_TRUE(ShownEnabled(tools, 0));
    EXPECT_TRUE(ShownEnabled(help, 1));
  }
  int odd = 7;
  ModMenus::ReEnableAll(odd, false);
  EXPECT_EQ(ModMenus::EnableState, 0);
  EXPECT_EQ(ModMenus::CreateHelpMenuWithAboutAsOnlyItem(), 0);
  int h = help;
  ModMenus::DeleteMenu(h);
  EXPECT_EQ(ModMenus::HelpMenu, 0);
}

TEST_F(ModMenusTest, DispatchKeepsTheLastCommandAndAVetoRunsNothing) {
  const int handle = MenuWith("Tools", {"Run", "Check"});
  ModMenus::ProcessMenuCommand(Result(handle, 2));
  EXPECT_EQ(ran, "2");
  EXPECT_EQ(ModMenus::SelectedMenu, handle);
  EXPECT_EQ(ModMenus::SelectedItem, 2);
  EXPECT_FALSE(ModMenus::ExecutingMenuProc());

  ModMenus::ProcessMenuCommand(Result(0, 0));
  EXPECT_EQ(ran, "2");
  EXPECT_EQ(ModMenus::SelectedMenu, 0);

  ModMenus::BeforeProc = Veto;
  ModMenus::ProcessMenuCommand(Result(handle, 1));
  EXPECT_EQ(ran, "2");
  EXPECT_EQ(ModMenus::SelectedItem, 0);
  ModMenus::BeforeProc = ModMenus::DefBeforeProc;
}

}  // namespace
