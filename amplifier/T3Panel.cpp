#include "amplifier/T3Panel.h"

#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRVBase.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Selector.h"
#include "amplifier/T3Types.h"

namespace T3Panel {

namespace {

// The first rack's channels of the amplifier lines.
constexpr std::int16_t kCommandPort = 9;
constexpr std::int16_t kEEPROMRead = 17;
constexpr std::int16_t kSelectorPort = 8;

void ClearSelector() {
  T3Selector::SelectorPosition = 0;
  T3Selector::SelectorBoard = 0;
  T3Selector::SelectorDacUnits = 0;
  T3Selector::SelectorEEPROM = false;
}

}  // namespace

void InitModule() {
  T3Types::AmplifierState& state = T3Types::State;
  state = T3Types::AmplifierState{};
  state.ModelKind = T3Types::KindTlv4USB;
  state.Board = 0;
  state.ADBoard = ZRVBase::BoardQRN55;
  state.BoardVersion = 'R';
  state.EEPROMKind = 0;
  state.RefGainTrimOn = false;
  ClearSelector();
  state.CommandPortChannel = kCommandPort;
  state.EEPROMReadChannel = kEEPROMRead;
  state.SelectorPortChannel = kSelectorPort;
}

bool HasRefGainTrim() { return T3Base::BoardVersion == 'Y'; }

void GetDefaultState() {}

void LoadTheState() { VrnlBoards::FlushCache(); }

}  // namespace T3Panel
