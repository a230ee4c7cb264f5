// The simulated amplifier rack on each AD/DA board, through the AD/DA layer:
// command words played on the command port reach the selected board, the
// EEPROMs answer on the read-back lines, clipping lines and signals show
// where the layer reads them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Common/QRN55/Driver/QRN55DeviceManager.h"
#include "Common/QRN55/Driver/QRN55Service.h"
#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "acquisition/tests/Measurement_fixture.h"
#include "acquisition/tests/QRN55Backend_fixture.h"
#include "foundation/platform/Clock.h"
#include "sim/QRN55SimVolumes.h"
#include "sim/ZRVLibrary/ZRVSim.h"
#include "sim/amplifier/AmplifierRackWiring.h"

namespace {

struct Setup {
  RackInterface interface;
  int racks;
};

std::string SetupName(const ::testing::TestParamInfo<Setup>& info) {
  static const char* const names[] = {"ZRV24", "ZRV28", "QRN2400", "QRN55"};
  return std::string(names[static_cast<int>(info.param.interface)]) + (info.param.racks > 1 ? "TwoRacks" : "");
}

constexpr std::uint16_t kRest = 0x4000;
constexpr std::uint16_t kDataIn = 0x100;
constexpr std::uint16_t kClock = 0x200;
constexpr std::uint16_t kSelectLine = 0x400;

std::uint16_t LatchWord(int address, int even, int odd) {
  return static_cast<std::uint16_t>(0xC000 | address << 8 | (odd & 0xF) << 4 | (even & 0xF));
}

std::uint16_t Word(int address, int data) { return static_cast<std::uint16_t>(0xC000 | address << 8 | (data & 0xFF)); }

// A pattern of line states, two samples each, in the manner of the serial
// EEPROM access.
class Pattern {
 public:
  explicit Pattern(std::uint16_t extra) : _extra(extra) {}
  Pattern& State(std::uint16_t lines) {
    const auto sample = static_cast<std::int16_t>(lines | kRest | _extra);
    _samples.insert(_samples.end(), {sample, sample});
    return *this;
  }
  // SPI byte: a 1 is data-in, data-in and clock; a 0 is 0, clock.
  Pattern& Byte(int byte) {
    for (int bit = 7; bit >= 0; --bit) {
      const std::uint16_t d = ((byte >> bit) & 1) != 0 ? kDataIn : 0;
      State(d).State(d | kClock);
    }
    return *this;
  }
  // Microwire cells on the digital path, with the select line.
  Pattern& Cells(int bits, int count) {
    for (int bit = count - 1; bit >= 0; --bit) {
      const std::uint16_t d = ((bits >> bit) & 1) != 0 ? kDataIn : 0;
      State(kSelectLine | d).State(kSelectLine | d | kClock);
    }
    return *this;
  }
  // Microwire cells on the ZRV-24's clipping path.
  Pattern& ClipCells(int bits, int count) {
    for (int bit = count - 1; bit >= 0; --bit) {
      if (((bits >> bit) & 1) != 0) {
        State(kSelectLine).State(kSelectLine | kDataIn).State(kSelectLine | kDataIn | kClock);
        State(kSelectLine | kClock).State(kSelectLine);
      } else {
        State(kSelectLine).State(kSelectLine | kClock).State(kSelectLine);
      }
    }
    return *this;
  }
  const std::vector<std::int16_t>& Samples() const { return _samples; }
  int Size() const { return static_cast<int>(_samples.size()); }

 private:
  std::uint16_t _extra;
  std::vector<std::int16_t> _samples;
};

class AmplifierRackZRV : public TempDirectoryTest, public ::testing::WithParamInterface<Setup> {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(TempDirectoryTest::SetUp());
    StartBoardSurroundings();
  }

  void TearDown() override {
    StopSimulatedBoard(Board());
    TempDirectoryTest::TearDown();
  }

  RackInterface Interface() const { return GetParam().interface; }
  int Racks() const { return GetParam().racks; }
  ZRVBase::BoardType Board() const { return static_cast<ZRVBase::BoardType>(Interface()); }

  AmplifierRackConfig Config(int boards = 1) const {
    AmplifierRackConfig config;
    config.interface = Interface();
    config.racks = Racks();
    config.boards_per_rack = boards;
    return config;
  }

  void Open(const AmplifierRackConfig& config) {
    wiring_ = std::make_unique<AmplifierRackWiring>(config);
    if (Interface() == RackInterface::kQRN55) {
      volumes_.Mount("/");
      QRN55Service::UseFilePort(&volumes_);
      for (int unit = 0; unit < Racks(); ++unit) {
        QRN55SimUnitConfig unitConfig = SimUnitConfig("RACKS01", Racks(), unit);
        unitConfig.signature.firmware = 8;
        unitConfig.signature.logic = 16;
        units_.push_back(std::make_unique<QRN55SimUnit>(unitConfig));
        units_.back()->SetWiring(wiring_->Unit(unit));
        volumes_.Mount(QRN55DeviceManager::VolumePrefix() + " RACKS01-" + std::to_string(unit), units_.back().get());
      }
    } else {
      ASSERT_TRUE(LoadStandInLibrary());
      ZRVSimSettings settings;
      ZRVSim_GetSettings(kZRVSimQRN2400, &settings);
      settings.racks = Racks();
      if (Racks() > 1) settings.slave_serial = 840u << 16 | 4321u;
      ZRVSim_SetSettings(kZRVSimQRN2400, &settings);
      ZRVSim_SetWiring(wiring_.get());
    }
    ZRVBase::InitModule();
    VrnlBoards::InitModule();
    ZRV::InitModule();
    ASSERT_TRUE(ZRV::InitInterface(Board())) << ZRVBase::ErrorText;
    ZRV::SetRemap(0, 0);
  }

  AmplifierRack& Rack(int rack) { return wiring_->Rack(rack); }

  // The amplifier words of the rack, as the command cache plays them.
  void Words(int rack, const std::vector<std::uint16_t>& words, bool mask = true) {
    std::vector<std::int16_t> samples;
    if (Interface() == RackInterface::kZRV24) {
      auto rest = static_cast<std::uint16_t>((ZRVBase::DigitalOutState & 0x7FFF) | 0x4000);
      if (mask) rest &= static_cast<std::uint16_t>(~kSelectLine);
      const auto high = static_cast<std::uint16_t>(rest | 0x8000);
      samples.push_back(static_cast<std::int16_t>(high));
      for (const std::uint16_t w : words) {
        samples.insert(samples.end(), {static_cast<std::int16_t>(w), static_cast<std::int16_t>(w & ~kRest),
                                       static_cast<std::int16_t>(w)});
      }
      samples.insert(samples.end(),
                     {static_cast<std::int16_t>(high & ~kSelectLine), static_cast<std::int16_t>(rest)});
    } else {
      for (const std::uint16_t w : words) {
        samples.insert(samples.end(), {static_cast<std::int16_t>(w), static_cast<std::int16_t>(w & ~kRest),
                                       static_cast<std::int16_t>(w)});
      }
      samples.push_back(static_cast<std::int16_t>(kRest));
    }
    Play(9 + 3 * rack, samples);
  }

  void Play(std::int32_t channel, const std::vector<std::int16_t>& samples) {
    double interval = ZRVBase::MinSamplingTime;
    ASSERT_TRUE(ZRV::Stim(channel, interval, samples, static_cast<std::int32_t>(samples.size())))
        << ZRVBase::ErrorText;
  }

  std::vector<std::int16_t> PlayAndSample(std::int32_t out, std::int32_t in, const Pattern& pattern) {
    std::vector<std::int16_t> input(pattern.Samples().size());
    const std::int32_t outs[] = {out};
    const std::int32_t ins[] = {in};
    const std::int16_t* outBuffers[] = {pattern.Samples().data()};
    std::int16_t* inBuffers[] = {input.data()};
    double interval = ZRVBase::MinSamplingTime;
    EXPECT_TRUE(ZRV::PolyStimAndSample(1, 1, pattern.Size(), pattern.Size(), ZRV::FlagStimulate, outs, ins,
                                       interval, outBuffers, inBuffers))
        << ZRVBase::ErrorText;
    return input;
  }

  std::uint16_t ReadBackBit() const {
    switch (Interface()) {
      case RackInterface::kQRN55: return 0x1000;
      case RackInterface::kQRN2400: return 0x0002;
      default: return 0x8000;
    }
  }

  // A page read of the rack's board 0 chip, framed as the EEPROM access
  // frames it, decoded at the read offset.
  std::string ReadPage(int rack, int address, int count) {
    Words(rack, {LatchWord(46, 1, 0), LatchWord(45, 0, 8), LatchWord(24, 0, 0)});
    Pattern pattern(0);
    pattern.State(0).Byte(0x03).Byte(address >> 16).Byte(address >> 8).Byte(address);
    for (int n = 0; n < count; ++n) pattern.Byte(0);
    pattern.State(0);
    const std::vector<std::int16_t> input = PlayAndSample(9 + 3 * rack, 17 + 3 * rack, pattern);
    Words(rack, {LatchWord(24, 4, 0)});
    const int first = 2 + 32 * 4 + (Interface() == RackInterface::kZRV28 ? 2 : 1);
    std::string text;
    for (int n = 0; n < count; ++n) {
      int value = 0;
      for (int bit = 0; bit < 8; ++bit) {
        const auto sample = static_cast<std::uint16_t>(input[static_cast<std::size_t>(first + 4 * (8 * n + bit))]);
        value = value << 1 | ((sample & ReadBackBit()) != 0 ? 1 : 0);
      }
      text += static_cast<char>(value);
    }
    return text;
  }

  std::unique_ptr<AmplifierRackWiring> wiring_;
  std::vector<std::unique_ptr<QRN55SimUnit>> units_;
  QRN55SimVolumes volumes_;
};

// The boards with a digital read-back line (the ZRV-24 reads its chips
// through its clipping flag: AmplifierRackZRV24).
class AmplifierRackReadBack : public AmplifierRackZRV {};

TEST_P(AmplifierRackZRV, CommandWordsReachTheSelectedBoard) {
  Open(Config(2));
  for (int rack = 0; rack < Racks(); ++rack) {
    SCOPED_TRACE(rack);
    Words(rack, {LatchWord(46, 2, 0), Word(5, 0x5A), Word(20, 0x0F), Word(20, 0x1F), Word(20, 0x2F), Word(20, 0x30),
                 LatchWord(28, 4, 0)});
    if (Interface() == RackInterface::kZRV24) Words(rack, {Word(6, 0x66)}, false);
    const AmplifierBoardElements& board = Rack(rack).Board(1);
    EXPECT_EQ(board.Element(5), 0x5A);
    EXPECT_EQ(board.Element(20), 0xFFF);
    EXPECT_EQ(board.Element(28), 4);
    if (Interface() == RackInterface::kZRV24) {
      EXPECT_EQ(board.Element(6), 0x66);
    }
    EXPECT_EQ(Rack(rack).Board(0).Element(5), 0);
    EXPECT_EQ(Rack(rack).StrictBits(), 0);
  }
  // Board 0's page chip selected with its data path on: a bus word clocks it.
  Words(0, {LatchWord(46, 1, 0), LatchWord(45, 0, 8), LatchWord(24, 0, 0)});
  Words(0, {LatchWord(46, 1, 0)});
  EXPECT_EQ(Rack(0).StrictBits(), 1);
}

TEST_P(AmplifierRackReadBack, PageEEPROMReadsBack) {
  Open(Config());
  for (int rack = 0; rack < Racks(); ++rack) {
    SCOPED_TRACE(rack);
    EXPECT_EQ(ReadPage(rack, 0, 23), "EEPROM_Tlv" + std::string(6, '\0') + "123456R");
  }
  EXPECT_EQ(Rack(0).StrictBits(), 0);
}

TEST_P(AmplifierRackZRV, ClippingLinesShowInTheMask) {
  AmplifierRackConfig config = Config(2);
  const int rack = Racks() - 1;
  config.boards[static_cast<std::size_t>(4 * rack + 1)].stuck_clipping = true;
  Open(config);
  std::uint8_t expected = 1;
  if (Interface() == RackInterface::kQRN55) expected = static_cast<std::uint8_t>(1 << (4 * rack + 1));
  if (Interface() == RackInterface::kQRN2400) expected = static_cast<std::uint8_t>(1 << (4 * rack + 2));
  // A held line shows at every read, with no acquisition running.
  EXPECT_EQ(ZRV::ReadClippingAndClear(), expected);
  EXPECT_EQ(ZRV::ReadClippingAndClear(), expected);
}

TEST_P(AmplifierRackZRV, MultiplexerSignatures) {
  AmplifierRackConfig config = Config();
  config.remap_ad_lines = {Interface() == RackInterface::kZRV28, false};
  Open(config);
  ZRV::SetRemap(Interface() == RackInterface::kZRV28 ? 1 : 0, 0);
  for (int rack = 0; rack < Racks(); ++rack) {
    SCOPED_TRACE(rack);
    Words(rack, {LatchWord(46, 1, 0), LatchWord(41, 0, 10)});
    ZRV::SetDacReal(3 + 4 * rack, 1.5);
    EXPECT_NEAR(ZRV::ReadAdcReal(7 + 8 * rack), -1.5, 0.002);
    Words(rack, {LatchWord(41, 0, 1)});
    EXPECT_NEAR(ZRV::ReadAdcReal(7 + 8 * rack), 5.0, 0.002);
    EXPECT_NEAR(ZRV::ReadAdcReal(5 + 8 * rack), 0.0, 0.002);
    Words(rack, {LatchWord(46, 0, 0)});
    EXPECT_NEAR(ZRV::ReadAdcReal(7 + 8 * rack), 0.0, 0.002);
  }
}

TEST_P(AmplifierRackZRV, TriggerBoardEchoesBit15) {
  AmplifierRackConfig config = Config();
  config.trigger_board = true;
  Open(config);
  ZRV::SetDigValue(0x8000);
  EXPECT_NE(ZRV::ReadDigitalIO() & 0x4000, 0);
  ZRV::SetDigValue(0);
  EXPECT_EQ(ZRV::ReadDigitalIO() & 0x4000, 0);
}

TEST_P(AmplifierRackZRV, NoEchoWithoutTriggerBoard) {
  Open(Config());
  ZRV::SetDigValue(0x8000);
  EXPECT_EQ(ZRV::ReadDigitalIO() & 0x4000, 0);
}

TEST_P(AmplifierRackReadBack, SelectorStringReadsBack) {
  AmplifierRackConfig config = Config(2);
  const int rack = Racks() - 1;
  config.selectors.emplace_back();
  config.selectors.back().rack = rack;
  config.selectors.back().boards = 2;
  Open(config);
  const std::int32_t port = 8 + 3 * rack;
  auto selectorWord = [&](std::uint16_t word) {
    const auto w = static_cast<std::uint16_t>(word | kRest);
    Play(port, {static_cast<std::int16_t>(w), static_cast<std::int16_t>(w & ~kRest), static_cast<std::int16_t>(w),
                static_cast<std::int16_t>(kRest)});
  };
  selectorWord(0x1000 | 2 << 8);  // board 1, position 3
  EXPECT_EQ(Rack(rack).Selectors()[0].Probe(1), 3);
  selectorWord(0x1000 | 0x800 | 0x40);
  Pattern pattern(0);
  pattern.Cells(0b110, 3).Cells(0, 7).Cells(0, 1);
  for (int n = 0; n < 12; ++n) pattern.Cells(0, 8);
  pattern.State(0).State(kClock).State(0);
  const std::vector<std::int16_t> input = PlayAndSample(port, 16 + 3 * rack, pattern);
  selectorWord(0x1000 | 0x40);
  std::string text;
  for (int n = 0; n < 12; ++n) {
    int value = 0;
    for (int bit = 0; bit < 8; ++bit) {
      const auto sample = static_cast<std::uint16_t>(input[static_cast<std::size_t>(44 + 4 * (8 * n + bit))]);
      value = value << 1 | ((sample & 0x4000) != 0 ? 1 : 0);
    }
    text += static_cast<char>(value);
  }
  EXPECT_EQ(text, "123456F02x08");
}

// The analog model on every board and rack: the current monitor of a 10 MOhm
// cell and the voltage monitor on the rack's board 0 lines, each after the
// words that set the range; past 10 V the board's clipping bit, which a read
// clears once the monitor is back in range. The words set the range
// without its HF codes: an ideal probe.
TEST_P(AmplifierRackZRV, AnalogMonitorsAndClipping) {
  AmplifierRackConfig config = Config();
  config.analog = true;
  for (auto& board : config.boards) {
    board.analog.cell = AmplifierCell::Resistor(10e6);
    board.analog.hf.on = false;
  }
  Open(config);
  const AmplifierAnalogTruths& truths = config.boards[0].analog;
  const auto zero = static_cast<int>(truths.scale.vp_offset_zero);
  const double pipette = 0.1 * truths.stimulus_gain + truths.stimulus_offset_volts;
  const auto settle = [&](int rack) { Play(9 + 3 * rack, std::vector<std::int16_t>(400, static_cast<std::int16_t>(kRest))); };
  for (int rack = 0; rack < Racks(); ++rack) {
    SCOPED_TRACE(rack);
    const std::uint8_t bit = Interface() == RackInterface::kZRV24 || Interface() == RackInterface::kZRV28
                                 ? 1
                                 : static_cast<std::uint8_t>(1 << (4 * rack));
    // Range 0, gain 1, filter 1 at 100 kHz, filter 2 bypassed, the pipette
    // offset DAC (16) at its zero and the probe offset DAC (17) at
    // mid-scale.
    Words(rack, {LatchWord(46, 1, 0), LatchWord(28, 1, 2), LatchWord(30, 4, 0), LatchWord(40, 0, 5),
                 Word(16, zero & 0xF), Word(16, (zero >> 4 & 0xF) + 0x10), Word(16, (zero >> 8) + 0x20), Word(16, 0x30),
                 Word(16, 0x40), Word(16, 0x50), Word(16, 0x68), Word(16, 0x70)});
    ZRV::SetDacReal(3 + 4 * rack, 1.0);
    settle(rack);
    EXPECT_NEAR(ZRV::ReadAdcReal(6 + 8 * rack), pipette / 10e6 * truths.range_gain[0] + truths.probe_offset_volts[0],
                0.002);
    EXPECT_NEAR(ZRV::ReadAdcReal(5 + 8 * rack), pipette * 10.0, 0.002);
    ZRV::ReadClippingAndClear();
    EXPECT_EQ(ZRV::ReadClippingAndClear() & bit, 0);
    // Range 1: 5 V.
    Words(rack, {LatchWord(40, 8, 5)});
    settle(rack);
    EXPECT_NEAR(ZRV::ReadAdcReal(6 + 8 * rack), pipette / 10e6 * truths.range_gain[1] + truths.probe_offset_volts[1],
                0.005);
    EXPECT_EQ(ZRV::ReadClippingAndClear() & bit, 0);
    // Range 2 clips, and a held line shows at every read.
    Words(rack, {LatchWord(40, 12, 5)});
    settle(rack);
    EXPECT_GT(ZRV::ReadAdcReal(6 + 8 * rack), 10.0);
    EXPECT_EQ(ZRV::ReadClippingAndClear() & bit, bit);
    EXPECT_EQ(ZRV::ReadClippingAndClear() & bit, bit);
    Words(rack, {LatchWord(40, 0, 5)});
    settle(rack);
    ZRV::ReadClippingAndClear();
    EXPECT_EQ(ZRV::ReadClippingAndClear() & bit, 0);
    ZRV::SetDacReal(3 + 4 * rack, 0.0);
  }
}

// Sweeps take their length on the program's clock on every board, so that a
// loop of sweeps against a deadline ends, and the cell goes on between them.
TEST_P(AmplifierRackZRV, ADeadlineLoopOfSweepsEnds) {
  AmplifierRackConfig config = Config();
  config.analog = true;
  for (auto& board : config.boards) board.analog.cell = AmplifierCell::WholeCell();
  Open(config);
  constexpr int kSamples = 500;
  constexpr double kSweepSeconds = kSamples * 200e-6;
  constexpr int kMostSweeps = 1000;
  const std::vector<std::int16_t> stimulus(kSamples, 3200);
  std::vector<std::int16_t> monitor(kSamples);
  const std::int32_t outs[] = {3};
  const std::int32_t ins[] = {6};
  const std::int16_t* outBuffers[] = {stimulus.data()};
  std::int16_t* inBuffers[] = {monitor.data()};
  const double start = Platform::ElapsedSeconds();
  const double deadline = start + 8.0;
  int sweeps = 0;
  while (Platform::ElapsedSeconds() < deadline && sweeps < kMostSweeps) {
    double interval = 200e-6;
    ASSERT_TRUE(ZRV::PolyStimAndSample(1, 1, kSamples, kSamples, ZRV::FlagStimulate, outs, ins, interval, outBuffers,
                                       inBuffers))
        << ZRVBase::ErrorText;
    ++sweeps;
  }
  EXPECT_LE(sweeps, static_cast<int>(8.0 / kSweepSeconds) + 1);
  EXPECT_GE(Platform::ElapsedSeconds(), deadline);
}

INSTANTIATE_TEST_SUITE_P(Boards, AmplifierRackZRV,
                         ::testing::Values(Setup{RackInterface::kZRV24, 1}, Setup{RackInterface::kZRV28, 1},
                                           Setup{RackInterface::kQRN2400, 1}, Setup{RackInterface::kQRN2400, 2},
                                           Setup{RackInterface::kQRN55, 1}, Setup{RackInterface::kQRN55, 2}),
                         SetupName);

INSTANTIATE_TEST_SUITE_P(Boards, AmplifierRackReadBack,
                         ::testing::Values(Setup{RackInterface::kZRV28, 1}, Setup{RackInterface::kQRN2400, 1},
                                           Setup{RackInterface::kQRN2400, 2}, Setup{RackInterface::kQRN55, 1},
                                           Setup{RackInterface::kQRN55, 2}),
                         SetupName);

// The ZRV-24 reads an old board's 128-byte chip through its clipping flag:
// a held data line latches the flag again after every read.
class AmplifierRackZRV24 : public AmplifierRackZRV {};

TEST_P(AmplifierRackZRV24, SmallChipStatusRelatchesTheClippingFlag) {
  AmplifierRackConfig config = Config();
  config.boards[0].letter = 'D';
  config.boards[0].eeprom = AmplifierEEPROMKind::kSmall;
  Open(config);
  Words(0, {LatchWord(46, 1, 0), LatchWord(45, 0, 8)});
  Pattern enable(0x8000);
  enable.State(0).ClipCells(0b10011, 5).ClipCells(0, 5).State(0);
  Play(9, enable.Samples());
  Pattern write(0x8000);
  write.State(0).ClipCells(0b101, 3).ClipCells(5, 7).ClipCells(0xA5, 8).State(0).State(kSelectLine);
  Play(9, write.Samples());
  ZRV::ReadClippingAndClear();
  Platform::Advance(0.01);
  EXPECT_EQ(ZRV::ReadClippingAndClear(), 1);
  EXPECT_EQ(ZRV::ReadClippingAndClear(), 1);
  EXPECT_EQ(Rack(0).BoardChip(0)->Image()[5], 0xA5);
  Pattern release(0x8000);
  release.State(0);
  Play(9, release.Samples());
  ZRV::ReadClippingAndClear();
  EXPECT_EQ(ZRV::ReadClippingAndClear(), 0);
}

INSTANTIATE_TEST_SUITE_P(Board, AmplifierRackZRV24, ::testing::Values(Setup{RackInterface::kZRV24, 1}), SetupName);

}  // namespace
