// Sampling interval, channel slots and sequences: how a requested interval
// and two channel lists become what a board runs. Rounding is to the
// nearest integer with halves away from zero throughout (std::round).
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "acquisition/QRN24.h"
#include "acquisition/QRN28.h"
#include "acquisition/QRN55Interface.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVState.h"

namespace ZRV {

namespace Internal {

namespace {

// Frames longer than this run as several board frames (compression).
constexpr double kLongestFrame = 0.05;

// QRN 2400 input slots: each slot has four groups of converters (ADC 0-3,
// 4-7 of rack 1, 8-11, 12-15 of rack 2).
constexpr int kRackSlots = 22;
constexpr int kGroups = 4;

// Clamps the interval to the board's limits, rounds it to whole ticks and
// gives them.
std::uint32_t DoSecondsToTicks(double& interval) {
  if (!(interval >= ZRVBase::MinSamplingTime)) interval = ZRVBase::MinSamplingTime;
  if (interval > ZRVBase::MaxSamplingTime) interval = ZRVBase::MaxSamplingTime;
  const auto ticks = static_cast<std::uint32_t>(std::lround(interval / ZRVBase::SecPerTick));
  interval = ticks * ZRVBase::SecPerTick;
  return ticks;
}

// Output and input slots on the QRN 2400: two outputs of a rack share a
// slot; inputs of one converter group take consecutive slots, and a
// converter pair's slot before the one taken is closed to later inputs.
bool GetZRV2400ChannelSlots(std::int32_t dacCount, std::int32_t adcCount, ChannelList dacList,
                            ChannelList adcList, Timing& timing) {
  std::fill(std::begin(timing.dacSlots), std::end(timing.dacSlots), 0);
  std::fill(std::begin(timing.adcSlots), std::end(timing.adcSlots), 0);
  std::int32_t rackOutputs[2] = {0, 0};
  for (std::int32_t i = 0; i < dacCount; ++i) {
    const std::int32_t output = ConvertToZRV2400DacValue(dacList[i]);
    if (output == Z.fastOutPort) continue;
    const bool rack1 = output < 4 || output == Z.userOutPort || output == Z.tlvOutPort;
    std::int32_t& count = rackOutputs[rack1 ? 0 : 1];
    timing.dacSlots[i] = count / 2 + 1;
    ++count;
  }
  std::int32_t slots = (std::max(rackOutputs[0], rackOutputs[1]) + 1) / 2;
  bool used[kRackSlots][kGroups] = {};
  for (std::int32_t i = 0; i < adcCount; ++i) {
    const std::int32_t input = ConvertToZRV2400AdcValue(adcList[i]);
    if (input == Z.fastInPort) continue;
    std::int32_t p = 0;
    std::int32_t group = 0;
    const bool rack1Port = input == Z.userInPort || input == Z.tlvInPort;
    const bool rack2Port = input == Z.userInPort + 3 || input == Z.tlvInPort + 3;
    if (rack1Port || rack2Port) {
      // A port takes either group of its rack.
      const std::int32_t first = rack1Port ? 0 : 2;
      while (p < kRackSlots && used[p][first] && used[p][first + 1]) ++p;
      if (p < kRackSlots) group = used[p][first] ? first + 1 : first;
    } else {
      group = std::clamp(input / 4, 0, kGroups - 1);
      while (p < kRackSlots && used[p][group]) ++p;
    }
    if (p >= kRackSlots) return false;
    timing.adcSlots[i] = p + 1;
    used[p][group] = true;
    if (p > 0) {
      const std::int32_t pair = 2 * (group / 2);
      used[p - 1][pair] = true;
      used[p - 1][pair + 1] = true;
    }
    slots = std::max(slots, p + 1);
  }
  timing.slots = slots;
  return true;
}

// One word of the ZRV-24 sequence memory.
std::uint16_t ConvertToZRV24SeqRAMValue(std::int32_t dac, std::int32_t adc) {
  std::uint16_t word = 0;
  if (adc >= 0 && adc < 16) {
    word |= static_cast<std::uint16_t>((7 - Z.adcMap[adc]) & 7);
  } else {
    word |= 0x20;
  }
  if (dac >= 0 && dac < 8) {
    word |= static_cast<std::uint16_t>(((3 - Z.dacMap[dac]) & 3) << 3);
  } else {
    word |= 0x40;
  }
  return word;
}

// One word of the ZRV-28 sequence memory.
std::uint16_t ConvertToZRV28SeqRAMValue(std::int32_t dac, std::int32_t adc, bool last,
                                        bool stimulate) {
  std::uint16_t word = 0;
  if (adc >= 0 && adc < 16) {
    word |= static_cast<std::uint16_t>((Z.adcMap[adc] << 7) & 0x780);
  } else {
    word |= 0x400;
  }
  if (!stimulate) {
    word |= 0x3800;
  } else if (dac >= 0 && dac < 8) {
    word |= static_cast<std::uint16_t>((Z.dacMap[dac] << 11) & 0x3800);
  } else {
    word |= dac == TlvOut ? 0x2000 : 0x2800;
  }
  if (last) word |= stimulate ? 0xC000 : 0x4000;
  return word;
}

}  // namespace

bool DoGetIntervalAndCompression(std::int32_t dacCount, std::int32_t adcCount,
                                 ChannelList dacList, ChannelList adcList, double& interval,
                                 Timing& timing) {
  dacCount = std::clamp(dacCount, 0, std::min(DacChannels, static_cast<std::int32_t>(dacList.size())));
  adcCount = std::clamp(adcCount, 0, std::min(AdcChannels, static_cast<std::int32_t>(adcList.size())));
  timing.compression = 1;
  if (timing.slots < 1) timing.slots = PhysicalChannels(dacCount, adcCount);
  switch (Z.boardType) {
    case ZRVBase::BoardQRN2400:
    case ZRVBase::BoardQRN55: {
      if (Z.boardType == ZRVBase::BoardQRN2400) {
        if (!GetZRV2400ChannelSlots(dacCount, adcCount, dacList, adcList, timing)) return false;
      } else if (!QRN55Interface::GetSlots(dacCount, adcCount, dacList.data(), adcList.data(),
                                           timing.dacSlots, timing.adcSlots, timing.slots)) {
        return false;
      }
      std::int32_t& n = timing.slots;
      if (n < 1) n = 1;
      if (n == 3) n = 4;
      if (n == 6 || n == 7) n = 8;
      if (n == 9) n = 10;
      const double minimumFrame = ZRVBase::SecPerTick * n;
      timing.sampleInterval = minimumFrame;
      double frame = interval;
      if (!(interval >= minimumFrame)) {
        frame = minimumFrame;
      } else if (interval > kLongestFrame) {
        frame = kLongestFrame;
        timing.compression = Round(interval / kLongestFrame);
      }
      timing.ticks = static_cast<std::uint32_t>(std::lround(frame / minimumFrame));
      timing.frameInterval = timing.ticks * minimumFrame;
      interval = timing.frameInterval * timing.compression;
      return true;
    }
    default: {
      double sample = interval / timing.slots;
      if (!(sample >= ZRVBase::MinSamplingTime)) {
        sample = ZRVBase::MinSamplingTime;
      } else if (sample > kLongestFrame) {
        timing.compression = Round(sample / kLongestFrame);
        sample = kLongestFrame;
      }
      timing.ticks = DoSecondsToTicks(sample);
      timing.sampleInterval = sample;
      timing.frameInterval = sample * timing.slots;
      interval = timing.frameInterval * timing.compression;
      return true;
    }
  }
}

void SetSequence(std::int32_t slots, std::int32_t dacCount, std::int32_t adcCount,
                 ChannelList dacList, ChannelList adcList, bool stimulate) {
  if (Z.state == StateClosed) return;
  const bool zrv28 = Z.boardType == ZRVBase::BoardZRV28;
  if (!zrv28 && Z.boardType != ZRVBase::BoardZRV24) {
    ReportErrorString("\"SetSequence\" not allowed.");
    return;
  }
  slots = std::clamp(slots, 1, kMaxSlots);
  Z.result = zrv28 ? QRN28_InitializeAcquisition(Z.handle) : QRN24_InitializeAcquisition(Z.handle);
  if (Z.result == 0) {
    const std::int32_t oldLength = Z.sequenceLength;
    Z.sequenceLength = slots;
    Z.fifoReset = true;
    const auto entry = [](ChannelList list, std::int32_t count, std::int32_t i) {
      return i < std::max(count, 1) ? list[i] : list[0];
    };
    std::uint16_t words[kMaxSlots];
    bool changed = slots != oldLength;
    for (std::int32_t i = 0; i < slots; ++i) {
      const std::int32_t dac = entry(dacList, dacCount, i);
      const std::int32_t adc = entry(adcList, adcCount, i);
      words[i] = zrv28 ? ConvertToZRV28SeqRAMValue(dac, adc, i == slots - 1, stimulate)
                       : ConvertToZRV24SeqRAMValue(dac, adc);
      changed = changed || words[i] != Z.sequenceImage[i];
      Z.sequenceImage[i] = words[i];
    }
    // The ZRV-28 keeps its sequence memory between sweeps.
    if (!zrv28) {
      Z.result = QRN24_SetSequence(Z.handle, slots, words);
    } else if (changed) {
      Z.result = QRN28_SetSequence(Z.handle, slots, words);
    }
    // A sequence that did not load is no image of the board's memory.
    if (Z.result != 0) Z.sequenceLength = -1;
  }
  if (Z.result != 0) ReportError();
}

void SetPipelineLength(std::int32_t dacCount, std::int32_t adcCount) {
  switch (Z.boardType) {
    case ZRVBase::BoardZRV28: {
      const std::int32_t m = std::max(dacCount, adcCount);
      Z.pipelineLength = m > 1 ? 2 * m + 3 : 5;
      break;
    }
    case ZRVBase::BoardZRV24:
      Z.pipelineLength = 5;
      break;
    default:
      Z.pipelineLength = 0;
      break;
  }
}

}  // namespace Internal

using namespace Internal;

double CheckSampleInterval(double interval) {
  DoSecondsToTicks(interval);
  return interval;
}

std::int32_t PhysicalChannels(std::int32_t dacCount, std::int32_t adcCount) {
  const std::int32_t m = std::max(dacCount, adcCount);
  if (m < 0) return m;
  if (m <= 1) return 1;
  if (m == 2) return 2;
  if (m <= 4) return 4;
  if (m == 5) return 5;
  if (m <= 8) return 8;
  if (m <= 10) return 10;
  if (m <= 16) return 16;
  if (m <= 20) return 20;
  return m;
}

bool GetIntervalAndCompression(std::int32_t slots, std::int32_t dacCount, std::int32_t adcCount,
                               ChannelList dacList, ChannelList adcList, double& interval,
                               double& sampleInterval, std::int32_t& compression) {
  Timing timing;
  timing.slots = slots;
  if (!DoGetIntervalAndCompression(dacCount, adcCount, dacList, adcList, interval, timing)) {
    return false;
  }
  sampleInterval = timing.sampleInterval;
  compression = timing.compression;
  return true;
}

bool GetOffsets(std::int32_t slots, std::int32_t dacCount, std::int32_t adcCount,
                ChannelList dacList, ChannelList adcList, double& interval,
                std::span<double> dacOffsets, std::span<double> adcOffsets) {
  Timing timing;
  timing.slots = slots;
  if (!DoGetIntervalAndCompression(dacCount, adcCount, dacList, adcList, interval, timing)) {
    return false;
  }
  const std::int32_t dacs = std::clamp(dacCount, 0, std::min(DacChannels, static_cast<std::int32_t>(dacOffsets.size())));
  const std::int32_t adcs = std::clamp(adcCount, 0, std::min(AdcChannels, static_cast<std::int32_t>(adcOffsets.size())));
  const auto slotOffset = [](std::int32_t slot) {
    return slot > 0 ? ZRVBase::SecPerTick * (slot - 1) : 0.0;
  };
  for (std::int32_t i = 0; i < dacs; ++i) {
    switch (Z.boardType) {
      case ZRVBase::BoardQRN2400:
      case ZRVBase::BoardQRN55:
        dacOffsets[i] = slotOffset(timing.dacSlots[i]);
        break;
      case ZRVBase::BoardZRV24:
        dacOffsets[i] = timing.frameInterval * i / timing.slots;
        break;
      default:
        dacOffsets[i] = 0.0;
        break;
    }
  }
  for (std::int32_t i = 0; i < adcs; ++i) {
    switch (Z.boardType) {
      case ZRVBase::BoardQRN2400:
      case ZRVBase::BoardQRN55:
        adcOffsets[i] = slotOffset(timing.adcSlots[i]);
        break;
      case ZRVBase::BoardZRV24:
        adcOffsets[i] = timing.frameInterval * i / timing.slots;
        break;
      case ZRVBase::BoardZRV28:
        adcOffsets[i] = std::min(timing.sampleInterval - interval, 0.0);
        break;
      default:
        adcOffsets[i] = 0.0;
        break;
    }
  }
  return interval > 0.0;
}

}  // namespace ZRV
