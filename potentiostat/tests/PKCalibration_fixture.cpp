#include "potentiostat/tests/PKCalibration_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

#include "acquisition/ADMeasure.h"
#include "acquisition/VrnlBoards.h"
#include "amplifier/T3Error.h"
#include "dialogs/Alert.h"
#include "foundation/BufferText.h"
#include "foundation/TermIO.h"
#include "potentiostat/K5Measure.h"
#include "potentiostat/K5Panel.h"
#include "potentiostat/K5Protocol.h"
#include "potentiostat/K5Set.h"
#include "potentiostat/PKTypes.h"
#include "potentiostat/tests/PKBus_fixture.h"
#include "selftest/Protocol.h"
#include "shell/Shell.h"

void PKCalibrationRack::UseWiring() {
  AmplifierRackConfig config;
  config.potentiostat.pk510.present = true;
  config.potentiostat.pk510.version = withPK512_ ? "123456B" : "123456A";
  config.potentiostat.pk512.present = withPK512_;
  config.potentiostat.pk512.version = "654321B";
  rack_ = std::make_unique<AmplifierRackWiring>(config);
  SetWiring(rack_.get(), rack_->Unit(0));
}

void PKCalibrationRack::SetUp() {
  ASSERT_NO_FATAL_FAILURE(SimulatedBoardTest::SetUp());
  ASSERT_TRUE(StartModulesOnOpenBoard(Board())) << ZRVBase::ErrorText;
  T3Error::InitModule();
  Alert::ClearAnswers();
  Bus().UseAnalogModel(kSeed);
  K5Set::SendToHardware = true;
  K5Panel::AssignVersion(withPK512_ ? 'B' : 'A');
  Protocol::InitModule();
  K5Protocol::InitModule();
  ADMeasure::TestWriteMode = 1;
  UseAmplifier(0);
}

void PKCalibrationRack::TearDown() {
  ADMeasure::TestWriteMode = 0;
  Protocol::InitModule();
  K5Measure::InitModule();
  Alert::ClearAnswers();
  SimulatedBoardTest::TearDown();
}

void PKCalibrationRack::UseAmplifier(int amplifier) {
  K5Panel::SetActiveAmpl(static_cast<std::uint8_t>(amplifier));
  VrnlBoards::FlushCache();
}

PKSimBus& PKCalibrationRack::Bus() { return rack_->Rack(0).Potentiostats(); }

PKSimAnalog& PKCalibrationRack::Analog(int amplifier) {
  return *Bus().Analog(amplifier == 0 ? PKSimModel::PK510 : PKSimModel::PK512);
}

int PKCalibrationRack::PKTypesAmplifier() { return PKTypes::State.IsRingAmplifier ? 1 : 0; }

std::string PKCalibrationRack::Notebook() {
  TermIO::Flush();
  std::string text;
  const std::int32_t count = BufferText::RecordCount(Shell::List);
  for (std::int32_t n = 1; n <= count; ++n) {
    char record[512];
    BufferText::Get(Shell::List, n, record);
    text += std::string(record) + "\n";
  }
  return text;
}

double PKCalibrationRack::MuxTargetNode(double target) {
  const PKSimTruths& t = Active().Truths();
  if (std::fabs(target) < 0.001) return t.stim_scale_gain[0] * K5Protocol::Results.MuxTransfer[1].Offset.Value;
  return target * t.reference_volts / 10.0;
}

double PKCalibrationRack::OffsetDacZero(double zero, double step, bool rising, double rest, double target) {
  return zero + (MuxTargetNode(target) - rest) / step * (rising ? 1.0 : -1.0);
}
