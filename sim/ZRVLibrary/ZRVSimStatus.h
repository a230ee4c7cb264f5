// The stand-in library's status codes and their texts.
#pragma once

#include <cstdint>

#include "acquisition/ZRVLibraryCalls.h"

namespace ZRVSimStatus {

constexpr std::int32_t kOk = 0;
constexpr std::int32_t kNoBoardAnswer = ZRVLibraryCalls::kStatusNoBoardAnswer;
constexpr std::int32_t kInvalidDevice = 2;
constexpr std::int32_t kBusy = 3;
constexpr std::int32_t kNotInitialised = 4;
constexpr std::int32_t kBadArgument = 5;
constexpr std::int32_t kBadChannel = 6;
constexpr std::int32_t kRunning = 7;
constexpr std::int32_t kNoSetUp = 8;
constexpr std::int32_t kOutputFull = 9;
constexpr std::int32_t kInputUnderrun = 10;
constexpr std::int32_t kWrongMode = 11;
constexpr std::int32_t kOpticalLink = ZRVLibraryCalls::kStatusOpticalLinkNotWorking;

// The status's text into text[0 .. size-1], cut and ended by a NUL;
// kBadArgument (and nothing written) for a nil text or a size below 1.
std::int32_t Text(std::int32_t status, char* text, std::int32_t size);

}  // namespace ZRVSimStatus
