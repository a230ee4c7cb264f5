// The operator dialogs of the test utilities in the running program: the
// external-test instructions, the sample-and-hold cable request and the
// identification of the active unit.
#include <gtest/gtest.h>

#include <string>

#include "amplifier/T3Panel.h"
#include "amplifier/T3Types.h"
#include "calibration/SimulatedHardware.h"
#include "calibration/T3TestUt.h"
#include "calibration/Tlv3Init.h"
#include "calibration/tests/Mereth_fixture.h"
#include "dialogs/Alert.h"
#include "dialogs/LoopDialog.h"
#include "platform/KeyCodes.h"
#include "platform/Windows.h"
#include "platform/headless/Headless.h"
#include "platform/tests/Golden_fixture.h"
#include "sim/amplifier/AmplifierRackWiring.h"

namespace {

constexpr int kType = 1;
constexpr int kTlv3 = 0;
constexpr int kTlv4 = 1;
constexpr int kCancel = 2;

// The program's own dialogs take their buttons' command keys: Return for
// "Done" and "Next", Escape for "Cancel" and "Continue".
void PressReturn() { Headless::Key(KeyCodes::kReturn, '\r', 0); }
void PressEscape() { Headless::Key(KeyCodes::kEscape, 27, 0); }

using UtilityRun = MerethTest;

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The front window as it shows when the queued steps come to it, then Done.
void ExpectFrontWindowAndPressDone(const char* golden) {
  Headless::Wait(0.5);
  Headless::Call([](void* name) {
    EXPECT_TRUE(MatchesGolden(Windows::PixelsOf(Windows::FrontWindow()), static_cast<const char*>(name)));
  }, const_cast<char*>(golden));
  PressReturn();
}

std::string Connections() {
  T3TestUt::ConnectionLines lines{};
  T3TestUt::ConnectionsOf(lines);
  std::string text;
  for (const auto& line : lines) {
    if (line[0] != 0) text += std::string(line.data()) + "|";
  }
  return text;
}

TEST_F(UtilityRun, TheExternalTestOfATlv3WithOneBoard) {
  UseRack("interface = zrv24\nboards.0.letter = D\nboards.0.eeprom = small\nanalog = true\n");
  Run([] {
    Choose(kType, kTlv3);
    Alert::PushAnswer(kCancel);
    Initialize();
    KeepRunning();
    EXPECT_EQ(Connections(), "Dac-0 to Test Input|Dac-1 to Stim Input|Adc-0 to V-Monitor|Adc-1 to FILTER-1|"
                             "Adc-2 to FILTER-2|");
    ExpectFrontWindowAndPressDone("external_test_tlv3");
    EXPECT_TRUE(T3TestUt::TestAlert(140, 100));
    // The sample-and-hold request is the TLV 4's.
    EXPECT_TRUE(T3TestUt::TestDacSH_Alert());
  });
  EXPECT_FALSE(Has(Alerts(), "Connect: Dac-")) << Alerts();
}

char identifyTitle[256] = "";

TEST_F(UtilityRun, TheExternalTestOfASecondRackBoardNamesItsRacksConnectors) {
  UseRack("interface = qrn2400\nracks = 2\nboards_per_rack = 2\n"
          "boards.0.letter = S\nboards.1.letter = S\nboards.4.letter = S\nboards.5.letter = S\n");
  Run([] {
    Choose(kType, kTlv4);
    for (int answer = 0; answer < 4; ++answer) Alert::PushAnswer(kCancel);
    Initialize();
    KeepRunning();
    Alert::ClearAnswers();
    T3Panel::SetT3Board(2);
    EXPECT_EQ(Connections(), "Dac-5 to Ext. Stim. Input CC|Dac-4 to Ext. Stim. Input VC|Adc-8 to FILTER-1|");
    // The unit is identified first.
    Headless::Wait(0.2);
    Headless::Call([](void*) { Windows::GetTitle(Windows::FrontWindow(), identifyTitle); }, nullptr);
    PressEscape();
    ExpectFrontWindowAndPressDone("external_test_second_rack");
    EXPECT_TRUE(T3TestUt::TestAlert(140, 100));
    EXPECT_EQ(T3Types::State.Board, 2);
    Alert::PushAnswer(3);
    EXPECT_TRUE(T3TestUt::TestDacSH_Alert());
    Alert::PushAnswer(1);
    EXPECT_FALSE(T3TestUt::TestDacSH_Alert());
  });
  EXPECT_TRUE(Has(Alerts(), "Connect: Dac-4 to Adc-8")) << Alerts();
  EXPECT_STREQ(identifyTitle, "Identify Amplifier Unit");
}

TEST_F(UtilityRun, AFourBoardRackNeedsNoInstructions) {
  UseRack("interface = qrn2400\nboards_per_rack = 4\n"
          "boards.0.letter = S\nboards.1.letter = S\nboards.2.letter = S\nboards.3.letter = S\n");
  Run([] {
    Choose(kType, kTlv4);
    Alert::PushAnswer(kCancel);
    Initialize();
    Alert::ClearAnswers();
    EXPECT_TRUE(T3TestUt::TestAlert(140, 100));
    EXPECT_EQ(Connections(), "Dac-0 to Ext. Stim. Input VC|Adc-0 to FILTER-1|");
  });
}

// What the identification showed at a moment, and the words the units'
// boards had taken by then.
struct Seen {
  std::string line;
  long words = 0;
  int board = 0;
};
Seen seenAtStart;
Seen seenAfterNext;

long UnitWords() {
  AmplifierRackWiring* wiring = SimulatedHardware::Rack();
  long words = 0;
  for (int rack = 0; rack < wiring->Racks(); ++rack) words += wiring->Rack(rack).Board(0).Words();
  return words;
}

void Look(void* seen) {
  *static_cast<Seen*>(seen) = {LoopDialog::Text2Buffer, UnitWords(), T3Types::State.Board};
}

TEST_F(UtilityRun, TheActiveUnitOfJoinedUnitsBlinksUntilContinue) {
  UseRack("racks = 2\n");
  Run([] {
    EXPECT_FALSE(T3TestUt::IdentifyActiveRack());
    Alert::PushAnswer(kCancel);
    Alert::PushAnswer(kCancel);
    Initialize();
    KeepRunning();
    Alert::ClearAnswers();
    T3Panel::SetT3Board(0);
    Headless::Wait(0.5);
    Headless::Call(Look, &seenAtStart);
    PressReturn();
    Headless::Wait(1.0);
    Headless::Call(Look, &seenAfterNext);
    PressEscape();
    EXPECT_FALSE(T3TestUt::IdentifyActiveRack());
    EXPECT_EQ(T3Types::State.Board, 0);
  });
  EXPECT_EQ(seenAtStart.line, "The flashing green LED identifies the Master Unit");
  EXPECT_EQ(seenAfterNext.line, "The flashing green LED identifies the Slave Unit");
  EXPECT_EQ(seenAfterNext.board, 1);
  // Re-selected every 0.333 s: three times in the second, each a word at least.
  EXPECT_GE(seenAfterNext.words - seenAtStart.words, 3);
}

}  // namespace
