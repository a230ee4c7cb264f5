#include "amplifier/tests/AutoRack_fixture.h"

#include "acquisition/VrnlBoards.h"
#include "amplifier/T3Scale.h"

AmplifierRackConfig AutoRackTest::RackConfig() const {
  AmplifierRackConfig config = Racks(1, boards_, letter_);
  config.analog = true;
  config.noise = noise_;
  // The core starts from the power-on words alone, whose HF codes suit no
  // range: an ideal probe.
  for (AmplifierBoardConfig& board : config.boards) {
    board.analog = analog_;
    board.analog.hf.on = false;
  }
  return config;
}

void AutoRackTest::Start(const AmplifierCell& cell, std::uint16_t options) {
  UseWiring();
  StartCore(options);
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
