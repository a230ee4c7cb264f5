#include "amplifier/T3Init.h"

#include <array>
#include <cstring>

#include "acquisition/ZRV.h"
#include "amplifier/T3Error.h"
#include "foundation/Strings.h"

namespace T3Init {

bool ScaleFileLoaded = false;
bool CFastFileLoaded = false;
std::array<std::uint8_t, kFileBufferSize> FileBuffer{};

namespace {

constexpr int kAdaError = 1;

// Indexed by code; nullptr where the code has no text of its own.
constexpr std::array<const char*, 33> kErrorTexts = {
    "no error",
    nullptr,
    nullptr,
    "no SCALE file loaded",
    "no CFAST table loaded",
    "no mux-gain",
    "mux-gain not OK",
    "EEPROM-string faulty",
    "TLV3/n EEPROM-string faulty",
    "serial number conflict",
    "board version conflict",
    "version conflict (1)",
    "version conflict (2)",
    "incorrect version",
    "unknown version (faulty?)",
    "RAM-block too short",
    "wrong file length",
    "wrong file ID",
    "timeout",
    "no convergence",
    "cache error",
    "EEPROM cache error",
    "AD/DA-board not initialized",
    "AD/DA acquisition error",
    "error in T3Measure",
    "range error",
    "clipping indicator cannot be cleared",
    "error while selecting amplifier board",
    "error while activating probe selector",
    "fatal error in user function",
    "CRC error",
    "file too old",
    "not implemented",
};

}  // namespace

void ErrorText(std::span<char> text) {
  const int code = T3Error::Error;
  if (code == kAdaError) {
    ZRV::ConcatErrorText(text);
    return;
  }
  const char* message = "unknow error";
  if (code < static_cast<int>(kErrorTexts.size()) && kErrorTexts[code] != nullptr) {
    message = kErrorTexts[code];
  }
  Strings::Concat(text, std::span<const char>(message, std::strlen(message) + 1));
}

}  // namespace T3Init
