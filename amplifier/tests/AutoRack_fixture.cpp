#include "amplifier/tests/AutoRack_fixture.h"

#include "acquisition/VrnlBoards.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Init.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Scale.h"

AmplifierRackConfig AutoRackTest::RackConfig() const {
  AmplifierRackConfig config = Racks(1, boards_, letter_);
  config.analog = true;
  config.noise = noise_;
  for (AmplifierBoardConfig& board : config.boards) board.analog = analog_;
  return config;
}

void AutoRackTest::Start(const AmplifierCell& cell, std::uint16_t options) {
  UseWiring();
  StartCore(options);
  // The power-on words leave the trims, filter 2 and the stimulus filter at
  // their start codes; the program's start-up then replays every board's
  // state, its range's codes with it.
  for (int board = T3Base::T3Boards - 1; board >= 0; --board) {
    T3Panel::SetT3Board(board);
    T3Init::InitHardware();
  }
  VrnlBoards::FlushCache();
  Rack().SwitchModelCircuit(0, cell);
}

void AutoRackTest::UseTruthScale() {
  const AmplifierScaleTruths& truths = Model().Truths().scale;
  T3Scale::ScaleRecord& scale = T3Scale::Scale;
  scale.InjectionCap = truths.injection_farads;
  scale.CFastTau = truths.c_fast_tau_seconds;
  scale.CFastFactor = truths.c_fast_factor;
  scale.CSlowFactor = truths.c_slow_factor;
  scale.GSeriesFactor = truths.g_series_factor;
  scale.RsFactor = truths.rs_factor;
  scale.RsFractionFactor = truths.rs_fraction_factor;
  scale.GLeakFactor = truths.g_leak_factor;
  scale.VpOffsetScale = truths.vp_offset_scale;
  scale.VpOffsetZero = truths.vp_offset_zero;
}

void AutoRackTest::CompensateWholeCell() {
  const AmplifierCell cell = AmplifierCell::WholeCell();
  T3Panel::SetCSlowRange(2);
  T3Panel::SetCSlow(cell.membrane_farads);
  T3Panel::SetGSeries(1.0 / cell.series_ohms);
  T3Panel::SetRsOn(true);
}

AmplifierCompensation AutoRackTest::Applied(int board) {
  VrnlBoards::FlushCache();
  return Model(board).Compensation(Rack().Board(board));
}

BoardElements AutoRackTest::Elements(int board) {
  VrnlBoards::FlushCache();
  return BoardPart(Rack().Board(board).Elements().data());
}

char LetterOfInterface(ZRVBase::BoardType board) {
  constexpr char kLetters[] = {'D', 'Q', 'S', 'R'};
  return kLetters[board & 3];
}
