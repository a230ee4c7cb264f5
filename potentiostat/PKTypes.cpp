#include "potentiostat/PKTypes.h"

#include <string_view>

#include "acquisition/ZRV.h"
#include "foundation/Strings.h"
#include "potentiostat/K2Types.h"
#include "potentiostat/K5Types.h"

namespace PKTypes {

PKState State;
PKState States[2];
std::uint8_t Error = 0;
double OffsetTimeout = 5.0;
double CellActivateDelay = 2.0;

namespace {

// Texts by code; code 1 is the AD/DA layer's own text and has none here.
// Code 2 never had a text of its own and reads like an unknown code.
constexpr std::string_view kErrorTexts[] = {
    "no error",
    "",
    "unknow error",
    "no SCALE file loaded",
    "no mux-gain",
    "mux-gain not OK",
    "EEPROM-string faulty",
    "serial number conflict",
    "board version conflict",
    "version conflict",
    "unknown version (faulty?)",
    "wrong file length",
    "wrong file ID",
    "timeout",
    "EEPROM cache error",
    "AD/DA-board not initialized",
    "error in PKMeasure",
    "range error",
    "fatal error in user function",
    "not implemented",
};
constexpr std::string_view kUnknownError = "unknow error";

std::span<const char> Text(std::string_view text) { return {text.data(), text.size()}; }

}  // namespace

void InitModule() {
  K2Types::Initialise();
  K5Types::Initialise();
  State = PKState{};
  State.SpareReal1 = 1.0;
  State.SharedReal2 = 7.0;
  State.SharedReal3 = 0.0;
  State.SharedFlag1 = true;
  Error = NoError;
  CellActivateDelay = 2.0;
  OffsetTimeout = 5.0;
}

void ErrorText(std::span<char> text) {
  if (Error == ADDAError) {
    ZRV::ConcatErrorText(text);
  } else if (Error < std::size(kErrorTexts)) {
    Strings::Concat(text, Text(kErrorTexts[Error]));
  } else {
    Strings::Concat(text, Text(kUnknownError));
  }
}

void SyncState(std::uint8_t amplifier, std::uint8_t activeAmplifier) {
  if (amplifier <= 1) {
    PKState& copy = States[amplifier];
    copy.Version = State.Version;
    copy.SharedReal1 = State.SharedReal1;
    copy.SharedFlag2 = State.SharedFlag2;
    copy.SharedReal2 = State.SharedReal2;
    copy.SharedReal3 = State.SharedReal3;
    copy.SharedFlag1 = State.SharedFlag1;
    copy.SharedByte1 = State.SharedByte1;
    copy.SharedChar1 = State.SharedChar1;
    copy.HasRingAmplifier = State.HasRingAmplifier;
    copy.ActiveAmplifier = activeAmplifier;
  }
  States[0].IsRingAmplifier = false;
  States[1].IsRingAmplifier = true;
}

}  // namespace PKTypes
