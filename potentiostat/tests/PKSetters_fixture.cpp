#include "potentiostat/tests/PKSetters_fixture.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "potentiostat/K5Set.h"
#include "potentiostat/K5Set_510.h"
#include "potentiostat/K5Set_512.h"

const std::vector<Setter>& Setters() {
  static const std::vector<Setter> setters = {
      {"WorkElectrOffsetDac", [](unsigned v) { K5Set::WorkElectrOffsetDac(v); }, 4096, 4096},
      {"CoAmpOffsetDac", [](unsigned v) { K5Set::CoAmpOffsetDac(v); }, 4096, 0},
      {"VoltageOffsetDac", [](unsigned v) { K5Set::VoltageOffsetDac(v); }, 4096, 4096},
      {"IRCompGainDac", [](unsigned v) { K5Set::IRCompGainDac(v); }, 4096, 0},
      {"IRCompOffsetDac", [](unsigned v) { K5Set::IRCompOffsetDac(v); }, 4096, 0},
      {"CurrentOffsetDac", [](unsigned v) { K5Set::CurrentOffsetDac(v); }, 4096, 4096},
      {"ClampGainDac", [](unsigned v) { K5Set::ClampGainDac(v); }, 256, 0},
      {"Feedback", [](unsigned v) { K5Set::Feedback(v); }, 3, 3},
      {"CurrentOutputAmplifierGain", [](unsigned v) { K5Set::CurrentOutputAmplifierGain(v); }, 4, 4},
      {"VoltageOutputAmplifierGain", [](unsigned v) { K5Set::VoltageOutputAmplifierGain(v); }, 4, 4},
      {"MuxOutPath", [](unsigned v) { K5Set::MuxOutPath(v); }, 3, 3},
      {"TestDacPath", [](unsigned v) { K5Set::TestDacPath(v); }, 3, 3},
      {"ModelCell", [](unsigned v) { K5Set::ModelCell(v); }, 4, 5},
      {"ControlBandwidth", [](unsigned v) { K5Set::ControlBandwidth(v); }, 8, 0},
      {"CurrentFilter", [](unsigned v) { K5Set::CurrentFilter(v); }, 7, 7},
      {"VoltageFilter", [](unsigned v) { K5Set::VoltageFilter(v); }, 7, 7},
      {"StimulusFilter", [](unsigned v) { K5Set::StimulusFilter(v); }, 8, 8},
      {"WorkingElectrode", [](unsigned v) { K5Set::WorkingElectrode(v != 0); }, 2, 2},
      {"StimInScale", [](unsigned v) { K5Set::StimInScale(v); }, 4, 4},
      {"EEPROMSelect", [](unsigned v) { K5Set::EEPROMSelect(v != 0); }, 2, 2},
      {"IRCompensationOn", [](unsigned v) { K5Set::IRCompensationOn(v != 0); }, 2, 0},
      {"ElectrodeMode", [](unsigned v) { K5Set::ElectrodeMode(v); }, 3, 0},
      {"Remote", [](unsigned v) { K5Set::Remote(v != 0); }, 2, 2},
      {"Cell", [](unsigned v) { K5Set::Cell(v != 0); }, 2, 0},
      {"Standby", [](unsigned v) { K5Set::Standby(v != 0); }, 2, 0},
      {"OpenCellPotential", [](unsigned v) { K5Set::OpenCellPotential(v != 0); }, 2, 2},
      {"OCP_GalMode", [](unsigned v) { K5Set::OCP_GalMode(v != 0); }, 0, 2},
      {"OCP_RingOn", [](unsigned v) { K5Set::OCP_RingOn(v != 0); }, 2, 0},
      {"AmplMode", [](unsigned v) { K5Set::AmplMode(v); }, 3, 3},
      {"VoltageSubtractOn", [](unsigned v) { K5Set::VoltageSubtractOn(v != 0); }, 2, 2},
      {"CurrentSubtractOn", [](unsigned v) { K5Set::CurrentSubtractOn(v != 0); }, 2, 2},
      {"ClampGainOn", [](unsigned v) { K5Set::ClampGainOn(v != 0); }, 2, 0},
      {"StimToCE", [](unsigned v) { K5Set::StimToCE(v != 0); }, 2, 0},
      {"RefToWE", [](unsigned v) { K5Set::RefToWE(v != 0); }, 2, 0},
      {"SubtractDacValue", [](unsigned v) { K5Set::SubtractDacValue(v); }, 65536, 65536},
      {"InitDacValue", [](unsigned v) { K5Set::InitDacValue(v); }, 65536, 65536},
      {"MuxX100", [](unsigned v) { K5Set::MuxX100(v != 0); }, 2, 2},
      {"RefToGround", [](unsigned v) { K5Set::RefToGround(v != 0); }, 2, 0},
      {"BoosterActive", [](unsigned v) { K5Set::BoosterActive(v != 0); }, 2, 0},
      {"MuxChannel", [](unsigned v) { K5Set::MuxChannel(v); }, 16, 16},
      {"CMR1Dac", [](unsigned v) { K5Set::CMR1Dac(v); }, 0, 4096},
      {"CMR2Dac", [](unsigned v) { K5Set::CMR2Dac(v); }, 0, 4096},
      {"MeasuredVoltageOffsetDac", [](unsigned v) { K5Set::MeasuredVoltageOffsetDac(v); }, 0, 4096},
      {"OCP_Offset", [](unsigned v) { K5Set::OCP_Offset(v); }, 0, 256},
  };
  return setters;
}

void RandomSetterRun(unsigned seed, int steps, const PKSimBoard& pk510, const PKSimBoard& pk512,
                     const std::function<void()>& settle) {
  SCOPED_TRACE(testing::Message() << "seed " << seed);
  std::uint32_t random = seed * 2654435761u;
  auto next = [&random](unsigned range) {
    random = random * 1664525u + 1013904223u;
    return (random >> 8) % range;
  };
  K5Set::SendToHardware = true;
  K5Set::ActiveBoard(1);
  K5Set::InitHardware();
  K5Set::DisableBoard(1);
  K5Set::ActiveBoard(2);
  K5Set::InitHardware();
  settle();
  for (int step = 0; step < steps; ++step) {
    if (next(20) == 0) {
      const std::uint8_t board = K5Set::SelectedBoard == 1 ? 2 : 1;
      K5Set::DisableBoard(K5Set::SelectedBoard);
      K5Set::ActiveBoard(board);
      settle();
    }
    const PKSimBoard& idle = K5Set::SelectedBoard == 1 ? pk512 : pk510;
    std::array<std::uint16_t, 64> before;
    for (unsigned a = 0; a < 64; ++a) before[a] = idle.Register(a);
    const Setter& setter = Setters()[next(static_cast<unsigned>(Setters().size()))];
    const unsigned values = K5Set::SelectedBoard == 1 ? setter.pk510Values : setter.pk512Values;
    setter.set(next(values == 0 ? 2 : values >= 256 ? values : values + 1));
    settle();
    for (unsigned a = 0; a < 64; ++a) {
      if ((a & ~1u) == idle.SelectLatch()) continue;
      ASSERT_EQ(idle.Register(a), before[a]) << "step " << step << " " << setter.name << " address " << a;
    }
  }
  for (const PKSimBoard* board : {&pk510, &pk512}) {
    const K5Set::Shadow& shadow = board == &pk510 ? K5Set_510::SwitchState : K5Set_512::SwitchState;
    for (unsigned a = 0; a < 64; ++a) {
      if ((a & ~1u) == board->SelectLatch()) continue;
      EXPECT_EQ(board->Register(a), shadow[a]) << "address " << a;
    }
    EXPECT_EQ(board->RouteMismatches(), 0);
  }
}
