// Sweeps of the QRN 5+5 backend through the simulated units' loopback:
// pulsed and continuous, one unit and two, scaling, the slave's ADC delay,
// reads beyond what is available, a slave that is not counted, the FIFO
// counter lines, a failed transfer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "Common/QRN55/Driver/QRN55Service.h"
#include "acquisition/QRN55Interface.h"
#include "acquisition/tests/QRN55Backend_fixture.h"
#include "foundation/platform/Clock.h"
#include "sim/QRN55SimWiring.h"

namespace {

namespace QI = QRN55Interface;
using Codes = std::vector<std::int32_t>;
using Samples = std::vector<std::int16_t>;

// Distinct ramps, channel by channel.
Samples Ramp(int samples, int channel) {
  Samples ramp(static_cast<std::size_t>(samples));
  for (int k = 0; k < samples; ++k) {
    ramp[static_cast<std::size_t>(k)] = static_cast<std::int16_t>(1000 * (channel + 1) + 7 * k);
  }
  return ramp;
}

struct Sweep {
  Sweep(Codes dacCodes, Codes adcCodes) : dac(std::move(dacCodes)), adc(std::move(adcCodes)) {}

  Codes dac;
  Codes adc;
  int samples = 200;
  double interval = 20e-6;
  std::vector<Samples> out;
  std::vector<Samples> in;

  void MakeData() {
    out.clear();
    in.clear();
    for (std::size_t n = 0; n < dac.size(); ++n) out.push_back(Ramp(samples, static_cast<int>(n)));
    for (std::size_t n = 0; n < adc.size(); ++n) in.emplace_back(samples, -1);
  }
  std::vector<const std::int16_t*> Outputs(int from) const {
    std::vector<const std::int16_t*> vectors;
    for (const Samples& s : out) vectors.push_back(s.data() + from);
    vectors.push_back(nullptr);
    return vectors;
  }
  std::vector<std::int16_t*> Inputs(int from) {
    std::vector<std::int16_t*> vectors;
    for (Samples& s : in) vectors.push_back(s.data() + from);
    vectors.push_back(nullptr);
    return vectors;
  }
  int Start(bool& pulsed, int first) {
    const auto outputs = Outputs(0);
    const auto inputs = Inputs(0);
    return QI::StartStimAndSample(static_cast<std::int32_t>(dac.size()),
                                  static_cast<std::int32_t>(adc.size()), first, samples, dac.data(),
                                  adc.data(), interval, outputs.data(), inputs.data(), pulsed,
                                  false, !dac.empty(), first >= samples);
  }
};

// The slave's ADCs see what its DACs drove `lag` frames before (nothing
// before the sweep began).
class LaggingLoopback final : public QRN55SimWiring {
 public:
  explicit LaggingLoopback(int lag) : lag_(lag) {}
  void Frame(const QRN55SimOutputs& outputs, QRN55SimInputs& inputs) override {
    if (outputs.sweep_seconds == 0.0) history_.clear();
    history_.push_back(outputs);
    const QRN55SimOutputs seen =
        history_.size() > static_cast<std::size_t>(lag_) ? history_.front() : QRN55SimOutputs{};
    if (history_.size() > static_cast<std::size_t>(lag_)) history_.pop_front();
    for (int adc = 0; adc < 8; ++adc) inputs.adc_volts[adc] = seen.dac_volts[adc % 5];
    inputs.multiplexer_volts = seen.dac_volts[2];
    inputs.user_digital = seen.user_digital;
    inputs.tlv_digital = seen.tlv_digital;
  }

 private:
  int lag_;
  std::deque<QRN55SimOutputs> history_;
};

class QRN55Sweeps : public QRN55BackendTest {
 protected:
  void SetUp() override {
    QRN55BackendTest::SetUp();
    // The units run on a clock the tests move.
    Platform::UseVirtualClock(Platform::ElapsedSeconds());
  }
  void TearDown() override {
    QRN55BackendTest::TearDown();
    Platform::UseRealClock();
  }

  std::vector<QRN55SimUnit*> OpenDevice(int units) {
    std::vector<QRN55SimUnit*> plugged = PlugDevice("100000010700010", units);
    EXPECT_EQ(QI::Open(0, 3), 0);
    return plugged;
  }

  int RunPulsed(Sweep& sweep) {
    sweep.MakeData();
    bool pulsed = true;
    const int status = sweep.Start(pulsed, sweep.samples);
    EXPECT_TRUE(pulsed || status != 0);
    return status;
  }

  // Starts with the first `first` output samples, appends the rest, then
  // reads whatever is available until every input sample is in.
  int RunContinuous(Sweep& sweep, int first = -1) {
    sweep.MakeData();
    if (first < 0) first = sweep.samples;
    bool pulsed = false;
    int status = sweep.Start(pulsed, first);
    EXPECT_FALSE(pulsed);
    if (status == 0 && first < sweep.samples) {
      status = QI::AppendToFifo(sweep.samples - first, sweep.Outputs(first).data(), true);
    }
    int got = 0;
    // Polls 1 ms apart keep the output ahead of the units.
    for (int poll = 0; status == 0 && got < sweep.samples && poll < 10000; ++poll) {
      Platform::Advance(0.001);
      std::int32_t available = 0;
      bool overflow = false;
      status = QI::GetReadAvailable(available, overflow);
      EXPECT_FALSE(overflow);
      const std::int32_t count = std::min(available, sweep.samples - got);
      if (status == 0 && count > 0) {
        status = QI::ReadFromFifo(count, sweep.Inputs(got).data());
        got += count;
      }
    }
    const int stopped = QI::Stop();
    EXPECT_EQ(got, sweep.samples);
    return status != 0 ? status : stopped;
  }
};

struct LoopbackCase {
  std::string name;
  int units;
  Codes dac;
  Codes adc;
  std::vector<int> seen;  // per ADC: the DAC it loops back
};
void PrintTo(const LoopbackCase& c, std::ostream* os) { *os << c.name; }

class Loopback : public QRN55Sweeps, public testing::WithParamInterface<LoopbackCase> {};

TEST_P(Loopback, PulsedAndContinuousChannelForChannel) {
  const LoopbackCase& c = GetParam();
  OpenDevice(c.units);
  for (const bool pulsed : {true, false}) {
    SCOPED_TRACE(pulsed ? "pulsed" : "continuous");
    Sweep sweep{c.dac, c.adc};
    ASSERT_EQ(pulsed ? RunPulsed(sweep) : RunContinuous(sweep, sweep.samples / 2), 0);
    for (std::size_t i = 0; i < c.adc.size(); ++i) {
      EXPECT_EQ(sweep.in[i], sweep.out[static_cast<std::size_t>(c.seen[i])]) << "ADC " << c.adc[i];
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    QRN55Sweeps, Loopback,
    testing::Values(LoopbackCase{"OneUnit", 1, {0, 1, 2, 3, 10}, {0, 1, 2, 3, 4}, {0, 1, 2, 3, 4}},
                    // ADC 5 sees DAC 0, ADC 7 DAC 2 of its unit.
                    LoopbackCase{"OneUnitOtherOrder", 1, {2, 0}, {7, 5, 2}, {0, 1, 0}},
                    LoopbackCase{"TwoUnits", 2, {0, 4, 5}, {8, 0, 9}, {1, 0, 2}},
                    // The digital ports read the digital outputs.
                    LoopbackCase{"Ports", 1, {8, 9}, {17, 16}, {1, 0}},
                    LoopbackCase{"SlavePorts", 2, {11, 12}, {20, 19}, {1, 0}}),
    [](const testing::TestParamInfo<LoopbackCase>& info) { return info.param.name; });

// A stimulus that does not end on a group of 4 frames, handed over in two
// parts that do not either: every sample is played, in its own frame.
TEST_F(QRN55Sweeps, ContinuousStimulusOfAnyLengthComesBackWhole) {
  OpenDevice(1);
  for (const int samples : {201, 202, 203}) {
    SCOPED_TRACE(samples);
    Sweep sweep{{0, 1}, {1, 0}};
    sweep.samples = samples;
    ASSERT_EQ(RunContinuous(sweep, 101), 0);
    EXPECT_EQ(sweep.in[0], sweep.out[1]);
    EXPECT_EQ(sweep.in[1], sweep.out[0]);
  }
}

TEST_F(QRN55Sweeps, OutputOnlyAndInputOnly) {
  OpenDevice(2);
  // Output only: the unit's input 1 paces the sweep into the cache.
  Sweep stimulus{{4}, {}};
  EXPECT_EQ(RunContinuous(stimulus), 0);
  // Input only (the FIFO counter test of the AD/DA layer): nothing runs dry.
  Sweep sampling{{}, {0, 8}};
  sampling.samples = 1600;
  sampling.interval = 1e-4;
  EXPECT_EQ(RunContinuous(sampling), 0);
}

TEST_F(QRN55Sweeps, ScalesByTheCalibration) {
  QRN55SimUnitConfig config = SimUnitConfig("100000010700010");
  config.record.output_scale[1] = 2 * 0.0003125;
  config.record.input_offset[0] = -0.01;  // -32 codes
  Plug(config, " A");
  ASSERT_EQ(QI::Open(0, 3), 0);
  Sweep sweep{{0, 1}, {0, 1}};
  sweep.samples = 100;
  ASSERT_EQ(RunPulsed(sweep), 0);
  for (int k = 0; k < sweep.samples; ++k) {
    const auto i = static_cast<std::size_t>(k);
    EXPECT_EQ(sweep.in[0][i], sweep.out[0][i] - 32);
    EXPECT_EQ(sweep.in[1][i], std::min(2 * sweep.out[1][i], 32767));
  }

  Switch("QRN55_Scale.Off");
  ASSERT_EQ(QI::Open(0, 3), 0);
  ASSERT_EQ(RunPulsed(sweep), 0);
  EXPECT_EQ(sweep.in[0], sweep.out[0]);
  EXPECT_EQ(sweep.in[1], sweep.out[1]);
}

struct LagCase {
  std::string name;
  bool pulsed;
  bool scaleOff;
};
void PrintTo(const LagCase& c, std::ostream* os) { *os << c.name; }

class SlaveLag : public QRN55Sweeps, public testing::WithParamInterface<LagCase> {};

TEST_P(SlaveLag, ComesBackAligned) {
  constexpr int kLag = 3;
  if (GetParam().scaleOff) Switch("QRN55_Scale.Off");
  std::vector<QRN55SimUnit*> units = OpenDevice(2);
  LaggingLoopback lagging(kLag);
  units[1]->SetWiring(&lagging);
  Sweep sweep{{0, 4}, {0, 8}};
  const auto run = [&] { return GetParam().pulsed ? RunPulsed(sweep) : RunContinuous(sweep); };

  // Without the switch the slave's samples come late.
  ASSERT_EQ(run(), 0);
  EXPECT_EQ(sweep.in[0], sweep.out[0]);
  EXPECT_EQ(sweep.in[1][kLag], sweep.out[1][0]);

  Switch("QRN55AdcDelaySlave.On", std::to_string(kLag));
  ASSERT_EQ(QI::Open(0, 3), 0);
  ASSERT_EQ(run(), 0);
  EXPECT_EQ(sweep.in[0], sweep.out[0]);
  EXPECT_EQ(sweep.in[1], sweep.out[1]);
  units[1]->SetWiring(nullptr);
}

INSTANTIATE_TEST_SUITE_P(QRN55Sweeps, SlaveLag,
                         testing::Values(LagCase{"Pulsed", true, false},
                                         LagCase{"PulsedUnscaled", true, true},
                                         LagCase{"Continuous", false, false},
                                         LagCase{"ContinuousUnscaled", false, true}),
                         [](const testing::TestParamInfo<LagCase>& info) {
                           return info.param.name;
                         });

TEST_F(QRN55Sweeps, ReadingMoreThanAvailableIsRefused) {
  OpenDevice(1);
  Sweep sweep{{0}, {0}};
  sweep.samples = 1000;
  sweep.MakeData();
  bool pulsed = false;
  ASSERT_EQ(sweep.Start(pulsed, sweep.samples), 0);
  Platform::Advance(0.005);
  std::int32_t available = 0;
  bool overflow = false;
  ASSERT_EQ(QI::GetReadAvailable(available, overflow), 0);
  ASSERT_GT(available, 0);
  ASSERT_LT(available, sweep.samples);
  EXPECT_EQ(QI::ReadFromFifo(available + 1, sweep.Inputs(0).data()), QRN55_STATUS_READ_COUNT);
  EXPECT_EQ(sweep.in[0][0], -1);  // nothing was handed out
  ASSERT_EQ(QI::ReadFromFifo(available, sweep.Inputs(0).data()), 0);
  EXPECT_TRUE(
      std::equal(sweep.in[0].begin(), sweep.in[0].begin() + available, sweep.out[0].begin()));
  // What was read is no longer available.
  EXPECT_EQ(QI::ReadFromFifo(1, sweep.Inputs(available).data()), QRN55_STATUS_READ_COUNT);
  EXPECT_EQ(QI::Stop(), 0);
  // After a pulsed sweep there is nothing to read.
  EXPECT_EQ(RunPulsed(sweep), 0);
  EXPECT_EQ(QI::ReadFromFifo(1, sweep.Inputs(0).data()), QRN55_STATUS_READ_COUNT);
}

// With "QRN55PulsedSlave.Off" a slave that only samples is not counted: its
// samples are waited for when read, for the AD/DA layer's stall time at most.
TEST_F(QRN55Sweeps, SlaveOutsideTheCount) {
  Switch("QRN55PulsedSlave.Off");
  std::vector<QRN55SimUnit*> units = OpenDevice(2);
  Sweep sweep{{0}, {0, 8}};
  EXPECT_EQ(RunContinuous(sweep), 0);
  EXPECT_EQ(sweep.in[0], sweep.out[0]);

  // A slave that stands still times out.
  sweep.MakeData();
  bool pulsed = true;
  ASSERT_EQ(sweep.Start(pulsed, sweep.samples), 0);
  EXPECT_FALSE(pulsed);
  units[1]->FreezeSequenceCount(true);
  Platform::Advance(0.01);
  std::int32_t available = 0;
  bool overflow = false;
  ASSERT_EQ(QI::GetReadAvailable(available, overflow), 0);
  ASSERT_GE(available, sweep.samples);
  const double start = Platform::ElapsedSeconds();
  EXPECT_EQ(QI::ReadFromFifo(sweep.samples, sweep.Inputs(0).data()), QI::kAcquisitionTimeout);
  EXPECT_GE(Platform::ElapsedSeconds() - start, 5.0);
  EXPECT_LT(Platform::ElapsedSeconds() - start, 5.1);
  units[1]->FreezeSequenceCount(false);
  QI::Stop();

  // A slave whose samples nobody wants is drained without waiting.
  Sweep stimulus{{0, 4}, {0}};
  ASSERT_EQ(RunContinuous(stimulus), 0);
  EXPECT_EQ(stimulus.in[0], stimulus.out[0]);
}

TEST_F(QRN55Sweeps, FifoCounterLines) {
  Switch("QRN55WriteFifoCounter.On");
  OpenDevice(2);
  Sweep sweep{{0, 9, 13}, {1, 17, 21}};
  ASSERT_EQ(RunContinuous(sweep), 0);
  const std::vector<std::string> lines = ConsoleLines();
  const auto has = [&](const std::string& text) {
    return std::find(lines.begin(), lines.end(), text) != lines.end();
  };
  EXPECT_TRUE(has("DA: m0 mA sT"));
  EXPECT_TRUE(has("AD: m1 mA sM"));
  EXPECT_TRUE(has("FIFO:  read                read                "));
  const auto poll = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
    return line.rfind("     1        DA_AD:", 0) == 0;
  });
  ASSERT_NE(poll, lines.end());
  EXPECT_NE(poll->find(" =>"), std::string::npos);
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
    return line.find(" ReadFromFifo: ") == 6;
  }));
}

// A failed transfer marks the device; the next sweep opens it again.
TEST_F(QRN55Sweeps, FileErrorReopensAtTheNextSweep) {
  std::vector<QRN55SimUnit*> units = OpenDevice(1);
  Sweep sweep{{0}, {0}};
  sweep.MakeData();
  bool pulsed = false;
  ASSERT_EQ(sweep.Start(pulsed, sweep.samples), 0);
  units[0]->InjectFault(QRN55SimFault::kReadError);
  Platform::Advance(0.01);
  std::int32_t available = 0;
  bool overflow = false;
  EXPECT_EQ(QI::GetReadAvailable(available, overflow), QRN55_ERROR_FileIO());
  units[0]->ClearFaults();
  QI::Stop();
  ASSERT_EQ(RunContinuous(sweep), 0);
  EXPECT_EQ(sweep.in[0], sweep.out[0]);
}

TEST_F(QRN55Sweeps, RefusedSweeps) {
  OpenDevice(1);
  Sweep sweep{{0}, {8}};  // no slave
  sweep.MakeData();
  bool pulsed = false;
  EXPECT_EQ(sweep.Start(pulsed, sweep.samples), QI::kSlotConfiguration);
  Sweep longer{{0}, {0}};
  longer.samples = 65537;
  longer.MakeData();
  EXPECT_EQ(longer.Start(pulsed, longer.samples), QI::kFIFOOverflow);
  Sweep missing{{0, 1}, {0}};
  missing.MakeData();
  const std::vector<const std::int16_t*> outputs = {missing.out[0].data(), nullptr};
  const auto inputs = missing.Inputs(0);
  EXPECT_EQ(QI::StartStimAndSample(2, 1, 10, 10, missing.dac.data(), missing.adc.data(), 2e-5,
                                   outputs.data(), inputs.data(), pulsed, false, true, true),
            QI::kInternal);
  QI::Close();
  EXPECT_EQ(sweep.Start(pulsed, 10), QI::kNotOpen);
  std::int32_t available = 0;
  bool overflow = false;
  EXPECT_EQ(QI::GetReadAvailable(available, overflow), QI::kNotOpen);
  EXPECT_EQ(QI::Stop(), 0);
}

TEST_F(QRN55Sweeps, SlotsOfTheAdLayersLists) {
  OpenDevice(2);
  const Codes dac = {0, 1, 2, 4};
  const Codes adc = {0, 1, 2, 3, 8, 18};
  Codes dacSlots(dac.size());
  Codes adcSlots(adc.size());
  std::int32_t slots = 0;
  ASSERT_TRUE(QI::GetSlots(4, 6, dac.data(), adc.data(), dacSlots.data(), adcSlots.data(), slots));
  EXPECT_EQ(dacSlots, (Codes{1, 1, 2, 1}));
  EXPECT_EQ(adcSlots, (Codes{1, 1, 2, 2, 1, 3}));
  EXPECT_EQ(slots, 3);
  EXPECT_TRUE(QI::UnitHasActiveDac(1, 4, dac.data()));
  EXPECT_FALSE(QI::UnitHasActiveDac(1, 3, dac.data()));
}

TEST_F(QRN55Sweeps, ClippingPerUnitBoard) {
  std::vector<QRN55SimUnit*> units = OpenDevice(2);
  units[0]->Loopback().SetError(1, 1.1, 0.0);
  units[1]->Loopback().SetError(2, 1.1, 0.0);
  Sweep sweep{{1, 6}, {1, 10}};  // unit 0 ADC 1 (board 1), unit 1 ADC 2 (board 2)
  sweep.samples = 20;
  sweep.MakeData();
  sweep.out[0].assign(20, 32767);
  sweep.out[1].assign(20, -32768);
  bool pulsed = true;
  const auto outputs = sweep.Outputs(0);
  const auto inputs = sweep.Inputs(0);
  ASSERT_EQ(QI::StartStimAndSample(2, 2, 20, 20, sweep.dac.data(), sweep.adc.data(), 2e-5,
                                   outputs.data(), inputs.data(), pulsed, false, true, true),
            0);
  std::uint32_t bits = 0;
  ASSERT_EQ(QI::ReadClippingAndClear(bits), 0);
  EXPECT_EQ(bits, 0x21u);
  ASSERT_EQ(QI::ReadClippingAndClear(bits), 0);
  EXPECT_EQ(bits, 0u);
}

// One sweep over a real file system: the unit on a FUSE volume.
TEST_F(QRN55Sweeps, ContinuousLoopbackOverFuse) {
  QRN55Service::UseFilePort(nullptr);
  QRN55FuseVolumes volumes;
  std::string reason;
  if (volumes.Plug(SimUnitConfig("500000010700010"), " F", reason) == nullptr) {
    GTEST_SKIP() << "FUSE cannot mount here: " << reason;
  }
  ASSERT_EQ(QI::Open(0, 3), 0);
  Sweep sweep{{0, 1}, {1, 0}};
  EXPECT_EQ(RunContinuous(sweep, 100), 0);
  EXPECT_EQ(sweep.in[0], sweep.out[1]);
  EXPECT_EQ(sweep.in[1], sweep.out[0]);
  QI::Shutdown();
}

}  // namespace
