// The AD/DA calibration procedures on a simulated unit whose DACs and ADCs
// have known gain and offset errors. A model of the signal chain (the
// backend's scaling, the unit's converters, the errors) gives the readings
// the procedures must see; the calibration formulas applied to them give
// the factors the procedures must find.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <string>
#include <vector>

#include "acquisition/QRN55Interface.h"
#include "acquisition/QRN55Tools.h"
#include "acquisition/ZRV.h"
#include "acquisition/tests/QRN55Tools_fixture.h"
#include "sim/QRN55SimWiring.h"

namespace {

using QRN55Tools::CalibrationVolts;
using QRN55Tools::DeviceInformation;

constexpr double kVoltsPerCode = 10.24 / 32768.0;  // the unit's converters
constexpr double kCodesPerVolt = 3200.0;           // the AD/DA layer's units
constexpr double kResolution = 1.0 / 3200.0;

std::string Message() { return Str(QRN55Tools::ErrorMessage); }

// DAC k drives ADC k (k < 5), each through its own gain and offset error,
// and remembers what it drove.
class ErrorWiring final : public QRN55SimWiring {
 public:
  double dacGain[5] = {1, 1, 1, 1, 1};
  double dacOffset[5] = {};
  double adcGain[5] = {1, 1, 1, 1, 1};
  double adcOffset[5] = {};
  std::atomic<double> driven[5] = {};

  double Seen(int k, double volts) const {
    return adcGain[k] * (dacGain[k] * volts + dacOffset[k]) + adcOffset[k];
  }
  void Frame(const QRN55SimOutputs& outputs, QRN55SimInputs& inputs) override {
    for (int k = 0; k < 5; ++k) {
      driven[k] = outputs.dac_volts[k];
      inputs.adc_volts[k] = Seen(k, outputs.dac_volts[k]);
    }
  }
};

std::int32_t Saturated(double value) {
  return static_cast<std::int32_t>(std::clamp(value, -32768.0, 32767.0));
}

// What channel k reads, in volts, with DAC k set to volts, under the
// calibration (scale, offset) of the DAC and the ADC. The AD/DA layer's way
// (its default, without the interface's own scaling): volts become units
// with a factor per channel that the scale gives, the interface subtracts
// the offset in whole units; read back, it adds the input offset in whole
// units, and the layer divides by the input's factor.
double ModelReading(const ErrorWiring& wiring, int k, double volts, double dacScale,
                    double dacOffset, double adcScale, double adcOffset) {
  const double dacFactor = dacScale / 0.0003125 * kCodesPerVolt;
  const std::int32_t units = volts >= 10.2396875 ? 32767
                             : volts <= -10.24   ? -32768
                                                 : Saturated(std::round(volts * dacFactor));
  const std::int32_t dacCode = Saturated(units - std::trunc(kCodesPerVolt * dacOffset));
  const double seen = wiring.Seen(k, dacCode * kVoltsPerCode);
  const std::int32_t adcCode = Saturated(std::round(seen / kVoltsPerCode));
  const std::int32_t scaled =
      Saturated(adcCode + std::trunc(kCodesPerVolt * adcOffset / (kCodesPerVolt * adcScale)));
  return scaled / (1.0 / adcScale);
}

class CalibrationTest : public QRN55ToolsTest {
 protected:
  void SetUp() override {
    QRN55ToolsTest::SetUp();
    unit_ = Plug(SingleUnit("111111"), " A");
    unit_->SetWiring(&wiring_);
    ASSERT_TRUE(ZRV::InitInterface(ZRVBase::BoardQRN55));
    ASSERT_TRUE(QRN55Tools::ReadDeviceInformation(0)) << Message();
  }
  void TearDown() override {
    ZRV::Shutdown();
    unit_->SetWiring(nullptr);
    QRN55ToolsTest::TearDown();
  }

  double Reading(int channel, double volts) {
    QRN55Tools::SetDac(0, channel, volts);
    return QRN55Tools::Sample(0, channel);
  }

  // The model's reading of channel k under the working copy's calibration.
  double Model(int k, double volts) const {
    return ModelReading(wiring_, k, volts, DeviceInformation.outputCalibrationScale[k],
                        DeviceInformation.outputCalibrationOffset[k],
                        DeviceInformation.inputCalibrationScale[k],
                        DeviceInformation.inputCalibrationOffset[k]);
  }

  ErrorWiring wiring_;
  QRN55SimUnit* unit_ = nullptr;
};

TEST_F(CalibrationTest, TheModelReadsWhatTheUnitReads) {
  wiring_.dacGain[1] = 0.999;
  wiring_.dacOffset[1] = 0.0123;
  wiring_.adcGain[1] = 1.0007;
  wiring_.adcOffset[1] = -0.0051;
  DeviceInformation.outputCalibrationScale[1] = 0.00031;
  DeviceInformation.inputCalibrationOffset[1] = 0.002;
  QRN55Tools::SyncDacScaling(0);
  QRN55Tools::SyncAdcScaling(0);
  for (double volts : {0.0, 1.0, -3.3, CalibrationVolts}) {
    EXPECT_EQ(Reading(1, volts), Model(1, volts)) << volts;
  }
}

TEST_F(CalibrationTest, AnADCGainIsMeasuredAndCorrected) {
  wiring_.adcGain[0] = 1.0005;
  double gain = 0;
  double offset = 0;
  const double low = Model(0, 0.0);
  const double high = Model(0, CalibrationVolts);
  ASSERT_TRUE(QRN55Tools::CalibAD(0, 0, 0, gain, offset)) << Message();
  EXPECT_NEAR(gain, CalibrationVolts / high, 1e-4 * gain);
  EXPECT_EQ(offset, -low);
  EXPECT_NEAR(DeviceInformation.inputCalibrationScale[0], 0.0003125 * gain, 1e-12);
  for (double volts : {0.0, 1.5, -4.0, CalibrationVolts}) {
    EXPECT_NEAR(Reading(0, volts), volts, kResolution) << volts;
  }
}

TEST_F(CalibrationTest, CalibADUsesTheHighReadingAlone) {
  // With an offset error the formula's gain is 6.852 over the high reading,
  // the offset the low reading negated: the factors the formulas give, not a
  // corrected channel.
  wiring_.adcGain[2] = 1.002;
  wiring_.adcOffset[2] = 0.02;
  const double low = Model(2, 0.0);
  const double high = Model(2, CalibrationVolts);
  double gain = 0;
  double offset = 0;
  ASSERT_TRUE(QRN55Tools::CalibAD(0, 2, 2, gain, offset)) << Message();
  EXPECT_NEAR(gain, CalibrationVolts / high, 1e-4 * gain);
  EXPECT_NEAR(offset, -low, 1e-12);
  EXPECT_NEAR(DeviceInformation.inputCalibrationOffset[2], -low, 1e-12);
}

TEST_F(CalibrationTest, TwoPassesCorrectADACsGainAndOffset) {
  wiring_.dacGain[3] = 0.9985;
  wiring_.dacOffset[3] = 0.0125;

  // Pass one and two as the formulas put them, on the model's readings.
  double scale = DeviceInformation.outputCalibrationScale[3];
  double shift = DeviceInformation.outputCalibrationOffset[3];
  double expectedGain = 1.0;
  double expectedOffset = 0.0;
  for (int pass = 0; pass < 2; ++pass) {
    const double low = ModelReading(wiring_, 3, 0.0, scale, shift, 0.0003125, 0.0);
    const double high = ModelReading(wiring_, 3, CalibrationVolts, scale, shift, 0.0003125, 0.0);
    const double gain = CalibrationVolts / (high - low);
    scale *= gain;
    shift += low;
    expectedGain *= gain;
    expectedOffset += low;
  }

  double gain = 0;
  double offset = 0;
  ASSERT_TRUE(QRN55Tools::CalibDA(0, 3, 3, gain, offset)) << Message();
  EXPECT_NEAR(gain, expectedGain, 1e-4 * expectedGain);
  EXPECT_NEAR(offset, expectedOffset, 1e-4 * std::fabs(expectedOffset));
  EXPECT_NEAR(DeviceInformation.outputCalibrationScale[3], scale, 1e-12);
  EXPECT_NEAR(DeviceInformation.outputCalibrationOffset[3], shift, 1e-12);
  for (double volts : {0.0, 2.0, -6.0, CalibrationVolts}) {
    EXPECT_NEAR(Reading(3, volts), volts, 2 * kResolution) << volts;
  }
  EXPECT_EQ(QRN55Tools::DacValues[3], CalibrationVolts);
}

TEST_F(CalibrationTest, AnInputIsCalibratedAgainstTwoReferences) {
  wiring_.adcGain[1] = 0.9992;
  // The DAC, ideal here, serves as the references: what it really drives.
  double lowReading = 0;
  QRN55Tools::SetDac(0, 1, 0.0);
  QRN55Tools::ReadADLow(0, 1, lowReading);
  const double lowReference = wiring_.driven[1];
  QRN55Tools::SetDac(0, 1, CalibrationVolts);
  const double highReference = wiring_.driven[1];
  const double expectedHigh = Model(1, CalibrationVolts);
  double highReading = 0;
  double gain = 0;
  double offset = 0;
  ASSERT_TRUE(QRN55Tools::ReadADHigh(0, 1, lowReference, highReference, lowReading, highReading,
                                     gain, offset))
      << Message();
  EXPECT_EQ(highReading, expectedHigh);
  const double expectedGain = (highReference - lowReference) / (expectedHigh - lowReading);
  EXPECT_NEAR(gain, expectedGain, 1e-4 * expectedGain);
  EXPECT_NEAR(offset, lowReference * gain - lowReading, 1e-12);
  for (double volts : {0.0, 5.0, -2.5}) {
    EXPECT_NEAR(Reading(1, volts), volts, kResolution) << volts;
  }
}

TEST_F(CalibrationTest, EqualReadingsAreRefusedAndChangeNothing) {
  wiring_.adcGain[0] = 0.0;                            // the input sees nothing of the DAC
  DeviceInformation.inputCalibrationScale[0] = 0.001;  // the check would reset it
  DeviceInformation.outputCalibrationOffset[0] = 0.2;
  QRN55Tools::SyncAdcScaling(0);
  QRN55Tools::SyncDacScaling(0);
  const QRN55Tools::QRN55DeviceInfo before = DeviceInformation;

  double gain = 0;
  double offset = 0;
  EXPECT_FALSE(QRN55Tools::CalibDA(0, 0, 0, gain, offset));
  EXPECT_TRUE(std::isinf(gain));
  EXPECT_FALSE(QRN55Tools::CalibAD(0, 0, 0, gain, offset));
  double highReading = 0;
  EXPECT_FALSE(QRN55Tools::ReadADHigh(0, 0, 0.0, 1.0, 0.0, highReading, gain, offset));
  EXPECT_EQ(DeviceInformation.inputCalibrationScale[0], before.inputCalibrationScale[0]);
  EXPECT_EQ(DeviceInformation.outputCalibrationOffset[0], 0.2);
  double scale = 0;
  double shift = 0;
  QRN55Interface::GetAdcScale(0, 0, scale, shift);
  EXPECT_EQ(scale, 0.001) << "the backend keeps the scaling it had";
  const std::vector<std::string> lines = ConsoleLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(),
                       "Calibration refused: the readings give no finite gain and offset."),
            3);
}

TEST_F(QRN55ToolsTest, ImplausibleCalibrationsStartAgainFromTheDefault) {
  struct Case {
    double scale, offset;
    double checkedScale, checkedOffset;
  };
  const Case cases[] = {
      {0.001, 0.2, 0.0003125, 0.0},
      {0.000625, -0.1, 0.000625, -0.1},
      {0.0006250001, 0.1000001, 0.0003125, 0.0},
      {std::nan(""), std::nan(""), 0.0003125, 0.0},
  };
  for (const Case& c : cases) {
    DeviceInformation.inputCalibrationScale[8] = c.scale;
    DeviceInformation.inputCalibrationOffset[8] = c.offset;
    DeviceInformation.outputCalibrationScale[4] = c.scale;
    DeviceInformation.outputCalibrationOffset[4] = c.offset;
    QRN55Tools::CheckAdcScaling(1, 18);
    QRN55Tools::CheckDacScaling(1, 10);
    EXPECT_EQ(DeviceInformation.inputCalibrationScale[8], c.checkedScale) << c.scale;
    EXPECT_EQ(DeviceInformation.inputCalibrationOffset[8], c.checkedOffset) << c.offset;
    EXPECT_EQ(DeviceInformation.outputCalibrationScale[4], c.checkedScale) << c.scale;
    EXPECT_EQ(DeviceInformation.outputCalibrationOffset[4], c.checkedOffset) << c.offset;
    double scale = 0;
    double offset = 0;
    QRN55Interface::GetAdcScale(1, 8, scale, offset);
    EXPECT_EQ(scale, c.checkedScale) << "unit 1 gets the working copy's scaling";
  }
  EXPECT_EQ(QRN55Tools::AdcChannelToIndex(18), 8);
  EXPECT_EQ(QRN55Tools::DacChannelToIndex(10), 4);
  EXPECT_FALSE(QRN55Tools::CorrectAdcScaling(0, 9, 1.0, 0.0)) << "no such input";
  EXPECT_EQ(Message(), "Invalid channel specified");
}

TEST_F(QRN55ToolsTest, TheSlavesFurtherOutputIsBoardChannelThirteen) {
  ErrorWiring masterWiring;
  ErrorWiring slaveWiring;
  QRN55SimUnitConfig master = SingleUnit("111111");
  QRN55SimUnitConfig slave = SingleUnit("222222");
  master.record.unit_serial = Serial("111111", 7, 1);
  slave.record.unit_serial = Serial("222222", 7, 2);
  for (QRN55SimUnitConfig* config : {&master, &slave}) {
    config->record.device_serial = master.record.unit_serial;
    config->record.unit_count = 2;
  }
  slave.record.unit_index = 1;
  QRN55SimUnit* masterUnit = Plug(master, " M");
  QRN55SimUnit* slaveUnit = Plug(slave, " S");
  masterUnit->SetWiring(&masterWiring);
  slaveUnit->SetWiring(&slaveWiring);
  // The units outlive the wirings: they must let go of them first.
  struct Unwire {
    QRN55SimUnit* units[2];
    ~Unwire() {
      ZRV::Shutdown();
      for (QRN55SimUnit* unit : units) unit->SetWiring(nullptr);
    }
  } unwire{{masterUnit, slaveUnit}};
  ASSERT_TRUE(ZRV::InitInterface(ZRVBase::BoardQRN55));

  QRN55Tools::SetDac(1, 10, 2.5);
  EXPECT_NEAR(slaveWiring.driven[4], 2.5, kResolution);
  EXPECT_EQ(masterWiring.driven[4], 0.0);
  EXPECT_EQ(QRN55Tools::DacValues[4], 0.0) << "only channels 0..4 are remembered";
  QRN55Tools::SetDac(1, 2, -1.25);
  EXPECT_NEAR(slaveWiring.driven[2], -1.25, kResolution);
  EXPECT_EQ(QRN55Tools::DacValues[2], -1.25);
}

}  // namespace
