#include "sim/ZRVLibrary/ZRVSimStatus.h"

#include <cstdio>

namespace ZRVSimStatus {

namespace {

const char* Known(std::int32_t status) {
  switch (status) {
    case kOk: return "No error.";
    case kNoBoardAnswer: return "Board does not answer.";
    case kInvalidDevice: return "Invalid device record or handle.";
    case kBusy: return "Board is already open.";
    case kNotInitialised: return "Board is not initialised.";
    case kBadArgument: return "Invalid argument.";
    case kBadChannel: return "Invalid channel.";
    case kRunning: return "Acquisition is running.";
    case kNoSetUp: return "Acquisition is not set up.";
    case kOutputFull: return "Output FIFO full.";
    case kInputUnderrun: return "Input FIFO holds fewer samples.";
    case kWrongMode: return "Not available in this logic configuration.";
    case kOpticalLink: return "Optical link not working.";
    default: return nullptr;
  }
}

}  // namespace

std::int32_t Text(std::int32_t status, char* text, std::int32_t size) {
  if (text == nullptr || size < 1) return kBadArgument;
  if (const char* known = Known(status)) {
    std::snprintf(text, static_cast<std::size_t>(size), "%s", known);
  } else {
    std::snprintf(text, static_cast<std::size_t>(size), "Unknown status %d.", status);
  }
  return kOk;
}

}  // namespace ZRVSimStatus
