#include "calibration/Tlv3Mereth.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "acquisition/QRN55Tools.h"
#include "acquisition/ZRV.h"
#include "amplifier/T3AD.h"
#include "amplifier/T3Base.h"
#include "shell/MacEnv.h"
#include "calibration/tests/Mereth_fixture.h"
#include "dialogs/Alert.h"
#include "shell/ModMenus.h"
#include "terminal/EditMenus.h"
#include "terminal/TermWindow.h"

namespace {

constexpr int kType = 1;
constexpr int kBoard = 2;
constexpr int kSlot = 3;

TEST_F(MerethTest, StartsWithTheTlv4UsbOnTheUsbInterfaceAndNoAmplifierNumber) {
  Run([] {
    EXPECT_EQ(ItemValue(kType), 3);
    EXPECT_EQ(ItemValue(kSlot), 1);
    EXPECT_FALSE(ItemEnabled(kSlot));
    EXPECT_FALSE(ItemEnabled(kBoard));
    EXPECT_TRUE(T3Base::TesterMode);
  });
}

TEST_F(MerethTest, TheNotebookStartsHiddenAndEmptyBehindItsMenus) {
  Run([] {
    EXPECT_NE(TermWindow::Terminal, nullptr);
    EXPECT_FALSE(TermWindow::Visible);
    const std::vector<std::string> lines = Notebook();
    ASSERT_GE(lines.size(), 2U);
    EXPECT_NE(lines[0].find(':'), std::string::npos) << "the time of the clearing: " << lines[0];

    struct MenuItem {
      int menu;
      int item;
      char key;
    };
    const MenuItem items[] = {
        {ModMenus::FileMenu, 1, 'S'},  {ModMenus::FileMenu, 2, 0},   {ModMenus::FileMenu, 4, 0},
        {ModMenus::FileMenu, 5, 0},    {ModMenus::FileMenu, 6, 'P'}, {EditMenus::Menu, EditMenus::kSelectAll, 'A'},
        {EditMenus::Menu, EditMenus::kFind, 'F'},  {EditMenus::Menu, EditMenus::kFindSame, 'G'},
        {EditMenus::Menu, EditMenus::kFindSelect, 'H'}, {EditMenus::Menu, EditMenus::kReplace, 'R'},
        {EditMenus::Menu, EditMenus::kReplaceSame, 'T'},
    };
    for (const MenuItem& m : items) {
      char key = 0;
      ModMenus::GetCommandKey(m.menu, m.item, key);
      EXPECT_EQ(key, m.key) << "menu " << m.menu << " item " << m.item;
      EXPECT_TRUE(ModMenus::GetItemEnabled(m.menu, m.item)) << "menu " << m.menu << " item " << m.item;
    }

    // File > Save stores the notebook under its title.
    ModMenus::Info[ModMenus::FileMenu].procedures[1]();
    bool saved = false;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
      saved = saved || entry.path().filename().string().starts_with("Notebook_");
    }
    EXPECT_TRUE(saved);

    // "Show Notebook" brings it to the front.
    ModMenus::Info[TermWindow::Menu].procedures[TermWindow::iOpen]();
    EXPECT_TRUE(TermWindow::Visible);
  });
}

TEST_F(MerethTest, ANewBoardWithoutRecordsGoesOnWhenTheOperatorSaysSo) {
  Run([] {
    // The missing records are offered with "Cancel" (tester mode), which
    // goes on without them.
    Alert::PushAnswer(2);
    Initialize();
    EXPECT_TRUE(ItemEnabled(kBoard));
    EXPECT_TRUE(EntryEnabled(kBoard, 1));
    EXPECT_FALSE(EntryEnabled(kBoard, 2));
  });
  EXPECT_NE(Alerts().find("  [Cancel] [[Repeat]] -> Cancel"), std::string::npos) << Alerts();
}

TEST_F(MerethTest, PK518KeepsItsPopupEntry) {
  Run([] {
    Choose(kType, 7);
    Alert::PushAnswer(2);
    Initialize();
    EXPECT_EQ(ItemValue(kType), 7);
    EXPECT_TRUE(T3Base::MapActiveBoard);
  });
  EXPECT_NE(Alerts().find("PK518/2"), std::string::npos) << Alerts();
}


TEST_F(MerethTest, TheTypePopupBothWays) {
  Run([] {
    const struct {
      int chosen;
      T3Types::AmplifierKind kind;
      ZRVBase::BoardType board;
      int slot;
      bool slotEnabled;
      int shown;
    } rows[] = {
        {0, T3Types::KindTlv3, ZRVBase::BoardZRV24, 0, true, 0},
        {2, T3Types::KindTlv4Plus, ZRVBase::BoardZRV28, 0, true, 2},
        {1, T3Types::KindTlv4, ZRVBase::BoardQRN2400, 0, false, 1},
        {3, T3Types::KindTlv4USB, ZRVBase::BoardQRN55, 1, false, 3},
        {4, T3Types::KindTlv3, ZRVBase::BoardZRV24, 0, true, 0},
        {5, T3Types::KindTlv1, ZRVBase::BoardQRN55, 1, false, 5},
        {6, T3Types::KindTlv2, ZRVBase::BoardNone, 1, false, 6},
        {7, T3Types::KindTlv4USB, ZRVBase::BoardQRN55, 1, false, 7},
        {9, T3Types::KindTlv3, ZRVBase::BoardZRV24, 0, true, 0},
    };
    for (const auto& row : rows) {
      SCOPED_TRACE(row.chosen);
      Choose(kType, row.chosen);
      EXPECT_EQ(T3Base::AmplKind, row.kind);
      EXPECT_EQ(T3AD::GetBoardType(), row.board);
      EXPECT_EQ(ItemValue(kSlot), row.slot);
      EXPECT_EQ(ItemEnabled(kSlot), row.slotEnabled);
      EXPECT_EQ(T3Base::MapActiveBoard, row.chosen == 7);
      if (row.chosen == 6) {
        EXPECT_EQ(T3Base::BoardVersion, 'C');
        EXPECT_STREQ(T3Base::SerialNumber, "");
      }
      Update(kType);
      EXPECT_EQ(ItemValue(kType), row.shown);
    }
  });
}

TEST_F(MerethTest, ATypeChangeReleasesTheHardware) {
  Run([] {
    Alert::PushAnswer(2);
    Initialize();
    EXPECT_GT(ZRV::Status(), 0);
    Choose(kType, 0);
    EXPECT_EQ(ZRV::Status(), 0);
    EXPECT_FALSE(T3Base::Initialized);
  });
}

TEST_F(MerethTest, QuitIsRefusedWhileTheFpgaUploads) {
  Run([] {
    QRN55Tools::FPGA_Params.state = 2;
    Tlv3Mereth::Quit();
    EXPECT_FALSE(MacEnv::Terminated);
    EXPECT_EQ(Notebook().back(), "Cannot quit while uploading to the QRN 5+5");
    QRN55Tools::FPGA_Params.state = 0;
  });
}

TEST_F(MerethTest, TheProtocolOfTheDayKeepsEveryRun) {
  const auto initialise = [] {
    // As "TlvProtocol.On" beside the program would.
    Tlv3Mereth::DoDebug = true;
    Alert::PushAnswer(2);
    Initialize();
  };
  Run(initialise);
  std::string name;
  for (const auto& entry : std::filesystem::directory_iterator(Dir())) {
    if (entry.path().filename().string().starts_with("Protocol_")) name = entry.path().filename().string();
  }
  ASSERT_EQ(name.size(), std::string("Protocol_01-Jan-2000.txt").size()) << Listing();
  const std::string first = FileContent(name);
  EXPECT_NE(first.find(std::string(MacEnv::Version) + "  ->  " + name.substr(9, 11)), std::string::npos) << first;
  EXPECT_NE(first.find("TLV4_USB, version R\n123456, QRN 5+5\n"), std::string::npos) << first;
  Run(initialise);
  const std::string both = FileContent(name);
  EXPECT_EQ(both.substr(0, first.size()), first);
  EXPECT_NE(both.find("TLV4_USB, version R", first.size()), std::string::npos) << both;
}

}  // namespace
