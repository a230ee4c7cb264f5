// The amplifier menu installed in the running program as a host would:
// which items it has and their numbers, the C-fast submenu's marks, and the
// settings items answered by scripted keys and queued answers.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Types.h"
#include "calibration/Tlv3Base.h"
#include "calibration/Tlv3Menus.h"
#include "calibration/tests/Mereth_fixture.h"
#include "dialogs/Alert.h"
#include "foundation/Strings.h"
#include "platform/headless/Headless.h"
#include "shell/ModMenus.h"

namespace {

constexpr int kCancel = 2;  // of the input dialogs
constexpr int kAccept = 2;  // of the large-amplitude question
constexpr int kDecline = 3;
constexpr int kOk = 3;  // the only button of the cycle count's refusal

std::vector<std::string> Items(int menu) {
  std::vector<std::string> texts;
  for (int item = 1; item <= ModMenus::CountItems(menu); ++item) {
    char text[ModMenus::kTextSize] = {};
    ModMenus::GetItemText(menu, item, text);
    texts.emplace_back(text);
  }
  return texts;
}

void Script(const std::string& steps) { ASSERT_TRUE(Headless::RunScript(Text(steps))); }

void ChooseItem(int item) { ModMenus::ExecuteMenuProc(Tlv3Menus::Tlv3Menu, item); }

// Everything the menu reads, as on a TLV 4 USB on the QRN 5+5 without
// extended ranges or reference-gain trim.
void PlainTlv4() {
  T3Base::AmplKind = T3Types::KindTlv4USB;
  T3Base::ADBoard = ZRVBase::BoardQRN55;
  T3Base::BoardVersion = 'R';
  Strings::Assign(T3Base::Title, "TLV4_USB");
  T3Types::State.HasCFastHigh = false;
  T3Types::State.HasVrefX2 = false;
}

class AmplifierMenu : public MerethTest {
 protected:
  bool Has(const std::string& part) const { return Alerts().find(part) != std::string::npos; }
  int Count(const std::string& part) const {
    int count = 0;
    for (std::size_t at = Alerts().find(part); at != std::string::npos; at = Alerts().find(part, at + 1)) ++count;
    return count;
  }
};

struct Layout {
  const char* name;
  std::function<void()> setUp;
  std::vector<std::string> items;
  int calibItem;
};

TEST_F(AmplifierMenu, ItsItemsFollowTheKindTheBoardAndTheChosenOptions) {
  const Layout layouts[] = {
      {"an older kind on a ZRV-24 without initialising: only the optional rows",
       [] {
         T3Base::AmplKind = T3Types::KindTlv2;
         T3Base::ADBoard = ZRVBase::BoardZRV24;
         T3Base::BoardVersion = 'B';
         Tlv3Menus::Install("Ampl", T3Types::KindTlv2, true, true, true, true, true, false, true);
       },
       {"Enable Batch Control", "Enable Background", "Monitor Refresh Interval", "Search Mode Delay",
        "Minimum Test Pulse Interval"},
       0},
      {"a TLV 4 USB with extended C-fast on the QRN 5+5",
       [] {
         PlainTlv4();
         T3Types::State.HasCFastHigh = true;
         Tlv3Menus::Install("TLV", T3Types::KindTlv4USB, false, false, false, false, true, true, false);
       },
       {"C-fast Mode", "Extended C-fast Range", "Log Tracking", "Auto C-slow Settings", "Auto Rs-Comp Settings",
        "Timeout Settings", "-", "Test and Calibrate", "Initialize TLV4_USB", "Join two Units",
        "Split joined Units", "-", "TLV4_USB-R"},
       8},
      {"the TLV 6 on no AD/DA board, initialising",
       [] {
         T3Base::AmplKind = T3Types::KindTlv2;
         T3Base::ADBoard = ZRVBase::BoardNone;
         T3Base::BoardVersion = 'C';
         ZRV::SetBoardType(ZRVBase::BoardNone);
         Strings::Assign(T3Base::Title, "TLV6");
         Tlv3Menus::Install("TLV6", T3Types::KindTlv2, false, false, false, false, true, true, false);
       },
       {"-", "Initialize TLV6 and No AD-Board", "-", "TLV6-C"},
       0},
  };
  Run([&layouts] {
    for (const Layout& layout : layouts) {
      SCOPED_TRACE(layout.name);
      Tlv3Menus::Shutdown();
      layout.setUp();
      EXPECT_EQ(Items(Tlv3Menus::Tlv3Menu), layout.items);
      EXPECT_EQ(Tlv3Menus::iCalibMenu, layout.calibItem);
    }
    Tlv3Menus::Shutdown();
    EXPECT_EQ(Tlv3Menus::Tlv3Menu, 0);
  });
}

TEST_F(AmplifierMenu, TheCFastModeFollowsTheHighRangeAndTheChoice) {
  Run([] {
    PlainTlv4();
    T3Types::State.HasCFastHigh = true;
    T3Types::State.CFastHigh = true;
    T3Base::ComputedCFast = false;
    Tlv3Menus::Install("TLV", T3Types::KindTlv4USB, false, false, false, false, false, false, false);
    const int cfast = Tlv3Menus::CFastMenu;
    ASSERT_NE(cfast, 0);
    EXPECT_EQ(Items(cfast), (std::vector<std::string>{"Use Lookup Table", "Computed"}));
    EXPECT_FALSE(ModMenus::GetItemEnabled(cfast, 1));
    EXPECT_FALSE(ModMenus::GetItemEnabled(cfast, 2));
    EXPECT_TRUE(ModMenus::GetItemChecked(cfast, 2)) << "the high range computes C-fast";
    EXPECT_TRUE(ModMenus::GetItemChecked(Tlv3Menus::Tlv3Menu, Tlv3Menus::iCFastRange));

    T3Types::State.CFastHigh = false;
    Tlv3Menus::UpdateMenu();
    EXPECT_TRUE(ModMenus::GetItemEnabled(cfast, 1));
    EXPECT_TRUE(ModMenus::GetItemChecked(cfast, 1));
    EXPECT_FALSE(ModMenus::GetItemChecked(cfast, 2));
    ModMenus::ExecuteMenuProc(cfast, 2);
    EXPECT_TRUE(T3Base::ComputedCFast);
    EXPECT_TRUE(ModMenus::GetItemChecked(cfast, 2));
    EXPECT_FALSE(ModMenus::GetItemChecked(cfast, 1));

    const bool background = Tlv3Base::BackgroundEnabled;
    Tlv3Menus::Shutdown();
    Tlv3Menus::Install("TLV", T3Types::KindTlv4USB, true, false, false, false, false, false, false);
    ChooseItem(Tlv3Menus::iBackground);
    EXPECT_EQ(Tlv3Base::BackgroundEnabled, !background);
    EXPECT_EQ(ModMenus::GetItemChecked(Tlv3Menus::Tlv3Menu, Tlv3Menus::iBackground), !background);
  });
}

TEST_F(AmplifierMenu, DelaysAndTimeoutsKeepTheirLimits) {
  Run([] {
    PlainTlv4();
    Tlv3Menus::Install("TLV", T3Types::KindTlv4USB, false, true, true, false, false, false, false);
    Script("key delete\ntype 0.1\nkey return\n");
    ChooseItem(Tlv3Menus::iSearchDelay);
    EXPECT_DOUBLE_EQ(T3Types::State.SearchDelay, 0.3333);
    Script("key delete\ntype -1\nkey return\n");
    ChooseItem(Tlv3Menus::iRmembDelay);
    EXPECT_DOUBLE_EQ(Tlv3Base::RmembDelay, 0.3);
    Script("key delete\ntype 0.75\nkey return\n");
    ChooseItem(Tlv3Menus::iRmembDelay);
    EXPECT_DOUBLE_EQ(Tlv3Base::RmembDelay, 0.75);
    Script("type 0.5\nkey tab\ntype 12\nkey tab\ntype 0\nkey return\n");
    ChooseItem(Tlv3Menus::iTimeouts);
    EXPECT_DOUBLE_EQ(T3Base::TimeoutCFast, 1.0);
    EXPECT_DOUBLE_EQ(T3Base::TimeoutOffset, 12.0);
    EXPECT_DOUBLE_EQ(T3Base::TimeoutGLeak, 1.0);
  });
}

struct CSlowCase {
  const char* typed;  // amplitude in mV, cycles, time-out in s
  std::vector<int> answers;
  double amplitude;  // stored, V
  int cycles;
  double timeout;
  const char* message;  // "" when no alert may show
  int times;            // how often it shows
};

TEST_F(AmplifierMenu, TheAutoCSlowSettingsAreCheckedBeforeTheyAreStored) {
  const CSlowCase cases[] = {
      {"5 4 8", {}, 0.005, 4, 8, "", 0},
      {"5 38 8", {}, 0.005, 38, 8, "", 0},
      {"20 10 8", {}, 0.02, 10, 8, "", 0},
      {"1 10 0.5", {}, 0.001, 10, 1, "", 0},
      // Refused, asked again with the same values, refused again, cancelled.
      {"5 3 8", {kOk, 1, kOk, kCancel}, 0.004, 12, 6, "Too few C-slow Cycles: 3.", 2},
      {"5 39 8", {kOk, kCancel}, 0.004, 12, 6, "Too many C-slow Cycles: 39.", 1},
      {"25 10 8", {kAccept}, 0.025, 10, 8, "V ) is very large.", 1},
      {"25 10 8", {kDecline, kCancel}, 0.004, 12, 6, "V ) is very large.", 1},
      {"0.5 10 8", {kCancel}, 0.004, 12, 6, "V ) must be  >=  1mV.", 1},
      // An accepted amplitude does not save a count out of range.
      {"25 40 8", {kAccept, kOk, kCancel}, 0.004, 12, 6, "Too many C-slow Cycles: 40.", 1},
  };
  for (const CSlowCase& c : cases) {
    SCOPED_TRACE(c.typed);
    Run([&c] {
      PlainTlv4();
      T3Types::State.AutoCSlowAmplitude = 0.004;
      T3Types::State.AutoCSlowCycles = 12;
      T3Types::State.AutoCSlowTimeout = 6;
      Tlv3Menus::Install("TLV", T3Types::KindTlv4USB, false, false, false, false, false, false, false);
      std::string steps = "type ";
      for (const char* p = c.typed; *p != '\0'; ++p) steps += *p == ' ' ? std::string("\nkey tab\ntype ") : std::string(1, *p);
      Script(steps + "\nkey return\n");
      for (int answer : c.answers) Alert::PushAnswer(answer);
      ChooseItem(Tlv3Menus::iAutoCSlow);
      EXPECT_DOUBLE_EQ(T3Types::State.AutoCSlowAmplitude, c.amplitude);
      EXPECT_EQ(T3Types::State.AutoCSlowCycles, c.cycles);
      EXPECT_DOUBLE_EQ(T3Types::State.AutoCSlowTimeout, c.timeout);
    });
    if (*c.message == '\0') {
      EXPECT_FALSE(Has("C-slow")) << Alerts();
    } else {
      EXPECT_EQ(Count(c.message), c.times) << Alerts();
    }
  }
}

}  // namespace
