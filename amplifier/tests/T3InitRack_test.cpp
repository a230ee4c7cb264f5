// The amplifier's start-up on the simulated rack: the program starts its
// modules anew over a rack whose EEPROMs the program's own writers filled
// (version page, scale and C-fast blocks of every board), opens the
// interface itself and checks every board.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "acquisition/tests/Measurement_fixture.h"
#include "acquisition/tests/QRN55Backend_fixture.h"
#include "amplifier/T3AD.h"
#include "amplifier/T3Auto.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3EEPROM.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Init.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"
#include "amplifier/tests/AmplifierCore_fixture.h"
#include "amplifier/tests/EEPROMRack_fixture.h"
#include "amplifier/tests/ScaleLoaders_fixture.h"
#include "foundation/Buffer.h"
#include "foundation/GLP.h"
#include "foundation/Strings.h"
#include "foundation/platform/Clock.h"
#include "sim/amplifier/AmplifierRackConfig.h"
#include "sim/amplifier/AmplifierRackWiring.h"

namespace {

bool ConsoleHasLineStarting(const std::string& start) {
  const std::vector<std::string> lines = NotebookLines();
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& line) { return line.rfind(start, 0) == 0; });
}

struct Outcome {
  std::int32_t result = -1;
  std::int32_t first = -1;
  std::int32_t last = -1;
  std::string message;
};

class StartupTest : public EEPROMRackTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(EEPROMRackTest::SetUp());
    GLP::InitModule();
  }
  void TearDown() override {
    GLP::InitModule();
    EEPROMRackTest::TearDown();
  }
  void ConfigureUnit(QRN55SimUnitConfig& config) override { config.record.unit_serial = UnitSerial(); }
  virtual const char* UnitSerial() const { return "123456701070001"; }

  // The rack of config, its first rack's page chips written by the
  // program: the version (versions[b], else the rack's fresh one) and, with
  // blocks, the sample scale and C-fast blocks of each board. Then the
  // program starts anew with the interface closed.
  void Prepare(AmplifierRackConfig config, const std::vector<std::string>& versions = {},
               bool blocks = false) {
    std::vector<bool> present;
    for (auto& board : config.boards) {
      present.push_back(board.present);
      board.present = true;
    }
    Rewire(config);
    ConnectAmplifier(true);
    T3Base::FirstRackBoards = config.boards_per_rack;
    T3Base::T3Boards = config.boards_per_rack;
    Strings::Assign(T3Base::SerialNumber, "123456");
    for (int b = 0; b < config.boards_per_rack; ++b) {
      T3Types::State.Board = static_cast<std::uint8_t>(b);
      if (static_cast<std::size_t>(b) < versions.size()) {
        ASSERT_TRUE(T3EEPROM::WriteVersion(Text(versions[static_cast<std::size_t>(b)]), true));
      }
      if (!blocks) continue;
      T3Scale::Scale = SampleScale(b);
      T3Auto::CFastTable = SampleCFast(b);
      std::string message;
      ASSERT_TRUE(T3EEPROM::WriteScale(message)) << message;
      ASSERT_TRUE(T3EEPROM::WriteCFast(message)) << message;
    }
    for (int b = 0; b < config.boards_per_rack; ++b) {
      if (Rack().BoardChip(b) != nullptr)
        config.boards[static_cast<std::size_t>(b)].image = BoardChip(b).Image();
      config.boards[static_cast<std::size_t>(b)].present = present[static_cast<std::size_t>(b)];
    }
    Rewire(config);
    boards_ = config.boards_per_rack;
    writeCycles_ = WriteCycles();
    ZRV::Shutdown();
    T3Init::InitAllModules();
    T3Base::AmplKind = T3Init::KindOfADBoard(Board());
    T3Base::ADBoard = Board();
  }
  int WriteCycles() {
    int cycles = 0;
    for (int b = 0; b < boards_; ++b) {
      if (Rack().BoardChip(b) != nullptr) cycles += Rack().BoardChip(b)->WriteCycles();
    }
    return cycles;
  }
  // The start-up; loadScale only where the chips hold blocks.
  Outcome Start(bool loadScale = false, bool allowSecondRack = false) {
    Outcome outcome;
    char message[256] = {};
    outcome.result = T3Init::InitializeAndCheckForLife(message, outcome.first, outcome.last,
                                                       T3Init::KindOfADBoard(Board()), false, allowSecondRack,
                                                       loadScale, nullptr, nullptr);
    outcome.message = message;
    return outcome;
  }

  int boards_ = 1;
  int writeCycles_ = 0;
};

// ---- QRN 5+5 ----------------------------------------------------------------------

class QRN55Startup : public StartupTest {};
INSTANTIATE_TEST_SUITE_P(QRN55, QRN55Startup, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

TEST_P(QRN55Startup, OneBoardComesUpWithItsEEPROMRecords) {
  ASSERT_NO_FATAL_FAILURE(Prepare(OneBoardRack(AmplifierEEPROMKind::kPage), {}, true));
  const Outcome outcome = Start(true);
  EXPECT_EQ(outcome.message, "TLV4_USB initialized.");
  EXPECT_EQ(outcome.first, 0);
  EXPECT_EQ(outcome.last, 0);
  EXPECT_EQ(outcome.result, 0);
  EXPECT_EQ(T3Base::BoardVersion, 'R');
  EXPECT_EQ(T3Base::HardwareVersion, 16382);
  EXPECT_STREQ(T3Base::SerialNumber, "123456");
  EXPECT_STREQ(T3Base::SerialNumber1, "123456");
  EXPECT_EQ(T3Base::T3Boards, 1);
  EXPECT_TRUE(T3Init::ScaleFileLoaded);
  EXPECT_TRUE(T3Init::CFastFileLoaded);
  T3Scale::ScaleRecord expected = Stored(SampleScale(0));
  expected.SerialNumber = T3Scale::Scale.SerialNumber;
  EXPECT_EQ(T3Scale::Scale.CFastFactor, expected.CFastFactor);
  EXPECT_EQ(T3Scale::Scale.CCStimDacOffset, expected.CCStimDacOffset);
  EXPECT_TRUE(T3Auto::CFastTable == SampleCFast(0));
  EXPECT_STREQ(T3Init::ScaleFileName, "SCALE-123456.TLV");
  EXPECT_STREQ(T3Init::CFastFileName, "CFAST-123456.TLV");
  EXPECT_EQ(BoardPart(Rack().Board(0).Elements().data()), BoardPart(T3Set::SwitchState.Element))
      << "the replayed state reached the board";
  EXPECT_EQ(WriteCycles(), writeCycles_) << "nothing written to the EEPROM";
}

TEST_P(QRN55Startup, ATetralRackHasFourBoards) {
  AmplifierRackConfig config = OneBoardRack(AmplifierEEPROMKind::kPage);
  config.boards_per_rack = 4;
  ASSERT_NO_FATAL_FAILURE(Prepare(config));
  const Outcome outcome = Start();
  EXPECT_EQ(outcome.last, 0) << outcome.message;
  EXPECT_EQ(T3Base::T3Boards, 4);
  EXPECT_EQ(T3Base::FirstRackBoards, 4);
  EXPECT_TRUE(T3Base::TetralRack1);
  EXPECT_TRUE(T3Base::IsTlv3N);
  EXPECT_EQ(T3Base::HardwareVersion, 16382 | 64);
  EXPECT_EQ(T3Types::State.Board, 0);
}

struct FaultCase {
  const char* name;
  void (*fault)(AmplifierRackConfig&);
  const char* version;  // nullptr: the rack's own
  std::int32_t first;
  std::int32_t last;
  const char* message;
};

class QRN55Faults : public StartupTest {};
INSTANTIATE_TEST_SUITE_P(QRN55, QRN55Faults, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

TEST_P(QRN55Faults, EachFaultGivesItsCodesAndText) {
  const FaultCase cases[] = {
      {"no board", [](AmplifierRackConfig& c) { c.boards[0].present = false; }, nullptr, 5, 11,
       "Cannot read from TLV4_USB! Please, check power and connections."},
      {"stuck clipping", [](AmplifierRackConfig& c) { c.boards[0].stuck_clipping = true; }, nullptr, 26, 26,
       "TLV4_USB clipping indicator cannot be cleared."},
      {"dead stimulus path", [](AmplifierRackConfig& c) { c.boards[0].mux_channels[10].gain = 0.0; }, nullptr,
       5, 6, "TLV4_USB NOT responding! Please, check  power and connections."},
      {"stimulus path at 0.7", [](AmplifierRackConfig& c) { c.boards[0].mux_channels[10].gain = 0.7; },
       nullptr, 6, 6, "TLV4_USB malfunction: Mux-gain is unreasonable."},
      {"six characters", [](AmplifierRackConfig&) {}, "123456", 0, 7,
       "TLV4_USB: Error reading board version -  version string faulty"},
      {"count 5", [](AmplifierRackConfig&) {}, "123456R5", 0, 8,
       "TLV4_USB: Error reading board version -  unknown error"},
      {"digit letter", [](AmplifierRackConfig&) {}, "1234567", 0, 14,
       "TLV4_USB: Error reading board version -  unknown version"},
      {"serial leaving the folder", [](AmplifierRackConfig&) {}, "12/45.R", 0, 7,
       "TLV4_USB: Error reading board version -  version string faulty"},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.name);
    AmplifierRackConfig config = OneBoardRack(AmplifierEEPROMKind::kPage);
    c.fault(config);
    std::vector<std::string> versions;
    if (c.version != nullptr) versions.push_back(c.version);
    ASSERT_NO_FATAL_FAILURE(Prepare(config, versions));
    const Outcome outcome = Start();
    EXPECT_EQ(outcome.first, c.first);
    EXPECT_EQ(outcome.last, c.last);
    EXPECT_EQ(outcome.result, c.last);
    EXPECT_EQ(outcome.message, c.message);
  }
}

TEST_P(QRN55Startup, WithoutTheUnitTheInterfaceFailsAndTheDefaultsStay) {
  ASSERT_NO_FATAL_FAILURE(Prepare(OneBoardRack(AmplifierEEPROMKind::kPage)));
  Unit()->Unplug();
  EXPECT_FALSE(T3Init::InitializeInterface(T3Types::KindTlv4USB, ZRVBase::BoardQRN55, false));
  const Outcome outcome = Start();
  EXPECT_EQ(outcome.last, 1);
  EXPECT_EQ(outcome.message.rfind("TLV4_USB initialization failed: ", 0), 0u) << outcome.message;
  EXPECT_GT(outcome.message.size(), std::string("TLV4_USB initialization failed: ").size());
  EXPECT_FALSE(T3Init::ScaleFileLoaded);
}

TEST_P(QRN55Startup, TheUnitSerialNamesTheRackWithoutAnAmplifier) {
  AmplifierRackConfig config = OneBoardRack(AmplifierEEPROMKind::kPage);
  config.boards[0].present = false;
  ASSERT_NO_FATAL_FAILURE(Prepare(config));
  EXPECT_TRUE(T3Init::InitializeInterface(T3Types::KindTlv4USB, ZRVBase::BoardQRN55, false));
  EXPECT_STREQ(T3Base::ExtEEPROMVersion1, "123456A") << "eighth character 0";
  EXPECT_STREQ(T3Base::ExtEEPROMVersion2, "");
  EXPECT_EQ(T3Base::AmplKind, T3Types::KindTlv4USB);
}

// A heap that has room for the start board's records only: the system
// gives no more memory once the heap is filled.
bool heapStarved = false;
void* StarvedNewPtr(std::size_t size) { return heapStarved ? nullptr : std::malloc(size); }

class StarvedStartup : public StartupTest {
 protected:
  void SetUp() override {
    Buffer::Shutdown();
    Buffer::SetSystemMemory({StarvedNewPtr, std::free});
    heapStarved = false;
    StartupTest::SetUp();
  }
  void TearDown() override {
    heapStarved = false;
    Buffer::Delete(filler_);
    StartupTest::TearDown();
    Buffer::SetSystemMemory({std::malloc, std::free});
  }
  void FillHeap() {
    heapStarved = true;
    filler_ = Buffer::Create("Filler", Buffer::kHeap);
    for (std::int32_t size = 1 << 20; size >= 16; size /= 2) {
      void* block = nullptr;
      do {
        block = nullptr;
        Buffer::Allocate(filler_, size, block);
      } while (block != nullptr);
    }
  }
  Buffer::NamedBuffer filler_ = nullptr;
};
INSTANTIATE_TEST_SUITE_P(QRN55, StarvedStartup, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

TEST_P(StarvedStartup, ABoardWithoutRoomForItsRecordsEndsTheBoardLoop) {
  AmplifierRackConfig config = OneBoardRack(AmplifierEEPROMKind::kPage);
  config.boards_per_rack = 2;
  ASSERT_NO_FATAL_FAILURE(Prepare(config));
  // The interface's own memory is taken before the heap fills; the
  // start-up's reopening finds it again.
  ASSERT_TRUE(T3AD::InitInterface(T3Types::KindTlv4USB, ZRVBase::BoardQRN55, false));
  FillHeap();
  const Outcome outcome = Start();
  EXPECT_EQ(outcome.first, 27);
  EXPECT_EQ(outcome.last, 27);
  EXPECT_EQ(outcome.message, "TLV4_USB malfunction: amplifier board cannot be selected.");
  EXPECT_EQ(T3Types::State.Board, 0);
}

TEST_P(QRN55Startup, WithAnAmplifierTheRackIsNamedByItsSerialNumber) {
  ASSERT_NO_FATAL_FAILURE(Prepare(OneBoardRack(AmplifierEEPROMKind::kPage)));
  EXPECT_TRUE(T3Init::InitializeInterface(T3Types::KindTlv4USB, ZRVBase::BoardQRN55, false));
  EXPECT_STREQ(T3Base::ExtEEPROMVersion1, "123456");
  EXPECT_STREQ(T3Base::ExtEEPROMVersion2, "");
  EXPECT_EQ(T3Base::AmplKind, T3Types::KindTlv4USB);
  EXPECT_FALSE(T3Base::IsTlv3N);
  EXPECT_EQ(WriteCycles(), writeCycles_);
}

// A unit whose serial's eighth character is another digit.
class UnitSerial7 : public StartupTest {
  const char* UnitSerial() const override { return "1234567701070001"; }
};
INSTANTIATE_TEST_SUITE_P(QRN55, UnitSerial7, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

TEST_P(UnitSerial7, ItsDigitBecomesTheLetter) {
  T3Base::InitModule();
  T3Base::ADBoard = ZRVBase::BoardQRN55;
  char text[16] = {};
  EXPECT_TRUE(T3Init::ReadExtEEPROM(text, false, true));
  EXPECT_STREQ(text, "123456H");
  char second[16] = "junk";
  EXPECT_FALSE(T3Init::ReadExtEEPROM(second, true, true)) << "no second unit";
  EXPECT_STREQ(second, "");
}

TEST_P(QRN55Startup, TheDebugSwitchEchoesTheDetection) {
  ASSERT_NO_FATAL_FAILURE(Prepare(OneBoardRack(AmplifierEEPROMKind::kPage)));
  PutFile("TlvProtocol.On", "1\n");
  ASSERT_EQ(Start().last, 0);
  for (const char* start : {"MuxGain:  ", "CSEEPROM: ", "read:     \"123456\", \"R\""}) {
    EXPECT_TRUE(ConsoleHasLineStarting(start)) << start;
  }
}

TEST_P(QRN55Startup, SwitchFilesAreHonouredOutsideGLP) {
  ASSERT_NO_FATAL_FAILURE(Prepare(OneBoardRack(AmplifierEEPROMKind::kPage)));
  PutFile("T4USBVersion.On", "654321T\n");
  Outcome outcome = Start();
  EXPECT_EQ(T3Base::BoardVersion, 'T');
  EXPECT_STREQ(T3Base::SerialNumber, "654321");
  EXPECT_EQ(T3Base::HardwareVersion, 32766);

  GLP::Enforce = true;
  outcome = Start();
  EXPECT_EQ(outcome.last, 0) << outcome.message;
  EXPECT_EQ(T3Base::BoardVersion, 'R');
  EXPECT_STREQ(T3Base::SerialNumber, "123456");
}

TEST_P(QRN55Startup, CCHighForcesTheZBoardAndTimingIsWritten) {
  ASSERT_NO_FATAL_FAILURE(Prepare(OneBoardRack(AmplifierEEPROMKind::kPage)));
  PutFile("T3CCHigh.On", "1\n");
  PutFile("ZRVTest.On", "1\n");
  const Outcome outcome = Start();
  EXPECT_EQ(outcome.last, 0) << outcome.message;
  EXPECT_EQ(T3Base::BoardVersion, 'Z');
  EXPECT_EQ(T3Base::HardwareVersion, 46);
  EXPECT_EQ(T3Types::State.BoardVersion, 'Z');
  EXPECT_EQ(T3Types::State.CCRange, 1);
  for (const char* label :
       {"TLV-initialization timing:", "          init AD-board: ", "               mux gain: ",
        "          test clipping: ", "             GetVersion: ", "          init hardware: ",
        "                  total: "}) {
    EXPECT_TRUE(ConsoleHasLineStarting(label)) << label;
  }
}

TEST_P(QRN55Startup, ShutdownPutsEveryBoardIntoVoltageClamp) {
  AmplifierRackConfig config = OneBoardRack(AmplifierEEPROMKind::kPage);
  config.boards_per_rack = 3;
  ASSERT_NO_FATAL_FAILURE(Prepare(config));
  ASSERT_EQ(Start().last, 0);
  ASSERT_EQ(T3Base::T3Boards, 3);
  for (int b = 0; b < 3; ++b) {
    T3Panel::SetT3Board(b);
    T3Panel::SetMode(2);
    ASSERT_TRUE(Rack().Board(b).LatchBit(33, 3)) << "current clamp on board " << b;
  }
  T3Base::Initialized = true;
  T3Init::Shutdown();
  for (int b = 0; b < 3; ++b) EXPECT_FALSE(Rack().Board(b).LatchBit(33, 3)) << "board " << b;
  EXPECT_EQ(T3Types::State.Board, 0) << "board 0 last";
  EXPECT_FALSE(T3Base::Initialized);
  EXPECT_EQ(ZRV::Status(), ZRV::StateClosed);
}

// Two joined QRN 5+5 units, each a rack of one board.
class JoinedStartup : public JoinedUnitsTest {
 protected:
  void SetUp() override {
    JoinedUnitsTest::SetUp();
    T3Init::InitAllModules();
  }
  std::int32_t Start(bool allowSecondRack) {
    char message[256] = {};
    std::int32_t first = 0;
    std::int32_t last = 0;
    T3Init::InitializeAndCheckForLife(message, first, last, T3Types::KindTlv4USB, false, allowSecondRack,
                                      false, nullptr, nullptr);
    return last;
  }
};

TEST_F(JoinedStartup, TheSecondRackIsFoundWhenAllowed) {
  EXPECT_EQ(Start(true), 0);
  EXPECT_EQ(T3Base::T3Boards, 2);
  EXPECT_EQ(T3Base::FirstRackBoards, 1);
  EXPECT_EQ(T3Base::SecondRackBoards, 1);
  EXPECT_STREQ(T3Base::SerialNumber2, "123456");
  EXPECT_GT(Rack(1).Board(0).Words(), 0);
}

TEST_F(JoinedStartup, TheSecondRackIsNotProbedOtherwise) {
  EXPECT_EQ(Start(false), 0);
  EXPECT_EQ(T3Base::T3Boards, 1);
  EXPECT_EQ(T3Base::SecondRackBoards, 0);
  EXPECT_STREQ(T3Base::SerialNumber2, "");
  EXPECT_EQ(Rack(1).Board(0).Words(), 0);
}

// ---- ZRV-28 and QRN 2400 --------------------------------------------------------------

class ZRV28Startup : public StartupTest {};
INSTANTIATE_TEST_SUITE_P(ZRV28, ZRV28Startup, ::testing::Values(ZRVBase::BoardZRV28), BoardName);

TEST_P(ZRV28Startup, AnSBoardBecomesQWithAnAlertAndGoesOn) {
  ASSERT_NO_FATAL_FAILURE(Prepare(OneBoardRack(AmplifierEEPROMKind::kPage, 'S'), {"123456S"}));
  testing::internal::CaptureStderr();
  const Outcome outcome = Start();
  const std::string alerts = testing::internal::GetCapturedStderr();
  EXPECT_NE(alerts.find("Incorrect Version \"S\" for the ZRV-28."), std::string::npos) << alerts;
  EXPECT_EQ(T3Base::BoardVersion, 'Q');
  EXPECT_EQ(outcome.last, 0) << outcome.message;
  EXPECT_EQ(outcome.message, "TLV4_Plus initialized.");
}

class ZRV24Startup : public StartupTest {};
INSTANTIATE_TEST_SUITE_P(ZRV24, ZRV24Startup, ::testing::Values(ZRVBase::BoardZRV24), BoardName);

TEST_P(ZRV24Startup, OldBoardsWithoutChipSelectAreToldApartByMeasuring) {
  for (const auto& [letter, expected] : std::vector<std::pair<char, std::uint16_t>>{{'A', 48}, {'P', 49}, {'B', 50}}) {
    SCOPED_TRACE(letter);
    AmplifierRackConfig config = OneBoardRack(AmplifierEEPROMKind::kNone, letter);
    config.analog = true;
    ASSERT_NO_FATAL_FAILURE(Prepare(config));
    ASSERT_TRUE(T3AD::InitInterface(T3Types::KindTlv3, ZRVBase::BoardZRV24, false));
    T3Set::SendToHardware = true;
    T3Base::BoardVersion = 'D';
    std::uint16_t hardware = 0;
    EXPECT_EQ(T3Init::MeasuredBoardVersion(hardware), letter);
    EXPECT_EQ(hardware, expected);
    EXPECT_EQ(T3Base::BoardVersion, 'D') << "the letter in force stays";
  }
}

TEST_P(QRN55Startup, ScaleFilesOfEveryBoardComeThroughTheLoaders) {
  AmplifierRackConfig config = OneBoardRack(AmplifierEEPROMKind::kNone);
  config.boards_per_rack = 2;
  ASSERT_NO_FATAL_FAILURE(Prepare(config, {}));
  PutFile("T4USBVersion.On", "123456R2\n");
  ASSERT_EQ(Start().last, 0);
  for (int board = 0; board < 2; ++board) {
    const std::string extension = board == 0 ? ".TLV" : ".TL2";
    ASSERT_TRUE(SaveScaleFile("SCALE-123456" + extension, SampleScale(board)));
    ASSERT_TRUE(SaveCFastFile("CFAST-123456" + extension, SampleCFast(board)));
  }
  scaleLoader = {};
  cFastLoader = {};
  char message[256] = {};
  std::int32_t first = -1;
  std::int32_t last = -1;
  EXPECT_EQ(T3Init::LoadScaleFiles(message, first, last, LoadScale, LoadCFast), 0);
  EXPECT_STREQ(message, "Scale files loaded.");
  EXPECT_EQ(first, 0);
  EXPECT_EQ(scaleLoader.Names(), (std::vector<std::string>{"SCALE-123456.TLV", "SCALE-123456.TL2"}));
  EXPECT_EQ(cFastLoader.Names(), (std::vector<std::string>{"CFAST-123456.TLV", "CFAST-123456.TL2"}));
  EXPECT_EQ(T3Types::State.Board, 0);
  EXPECT_TRUE(T3Auto::CFastTable == SampleCFast(0));
  T3Panel::SetT3Board(1);
  EXPECT_TRUE(T3Auto::CFastTable == SampleCFast(1));
  EXPECT_EQ(T3Scale::Scale.CFastFactor, SampleScale(1).CFastFactor);
}

class QRN2400Startup : public StartupTest {};
INSTANTIATE_TEST_SUITE_P(QRN2400, QRN2400Startup, ::testing::Values(ZRVBase::BoardQRN2400), BoardName);

TEST_P(QRN2400Startup, TheRackInterfaceNamesTheRackWithoutAnAmplifier) {
  AmplifierRackConfig config = OneBoardRack(AmplifierEEPROMKind::kPage);
  config.boards[0].present = false;
  ASSERT_NO_FATAL_FAILURE(Prepare(config));
  EXPECT_TRUE(T3Init::InitializeInterface(T3Types::KindTlv4, ZRVBase::BoardQRN2400, false));
  EXPECT_STREQ(T3Base::ExtEEPROMVersion1, "901234");
}

TEST_P(QRN2400Startup, RackInterfaceStringsAreChecked) {
  struct Case {
    const char* chip;
    bool ok;
    std::uint8_t error;
    const char* text;
    const char* report;
  } cases[] = {
      {"901234A", true, 0, "901234A", ""},
      {"901234", false, 7, "901234", "QRN 2400 error: version string faulty (1). "},
      {"911234A", false, 8, "911234A", "QRN 2400 error: version string faulty (2). "},
      {"9012347", false, 14, "9012347", "QRN 2400 error: unknown version. "},
      {"", false, 0, "", "QRN 2400 error: error reading version. "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.chip);
    AmplifierRackConfig config = OneBoardRack(AmplifierEEPROMKind::kPage);
    config.boards[0].present = false;
    config.rack_interface[0] = c.chip;
    ASSERT_NO_FATAL_FAILURE(Prepare(config));
    ASSERT_TRUE(T3AD::InitInterface(T3Types::KindTlv4, ZRVBase::BoardQRN2400, false));
    T3Error::Error = 0;
    Strings::Clear(ZRVBase::ErrorText);
    char text[16] = {};
    EXPECT_EQ(T3Init::ReadExtEEPROM(text, false, true), c.ok);
    EXPECT_EQ(T3Error::Error, c.error);
    EXPECT_STREQ(text, c.text);
    EXPECT_STREQ(ZRVBase::ErrorText, c.report);
  }
}

TEST_P(QRN2400Startup, AFourBoardRackComesUpWithEveryBoardsRecords) {
  AmplifierRackConfig config = OneBoardRack(AmplifierEEPROMKind::kPage, 'S');
  config.boards_per_rack = 4;
  for (auto& board : config.boards) board.letter = 'S';
  ASSERT_NO_FATAL_FAILURE(Prepare(config, {"123456S4"}));
  const Outcome outcome = Start();
  EXPECT_EQ(outcome.last, 0) << outcome.message;
  EXPECT_EQ(outcome.message, "TLV4 initialized.");
  EXPECT_EQ(T3Base::T3Boards, 4);
  EXPECT_EQ(T3Types::State.Board, 0) << "the start board selected at the end";
}

}  // namespace
