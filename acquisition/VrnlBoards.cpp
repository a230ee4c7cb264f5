#include "acquisition/VrnlBoards.h"

#include <algorithm>
#include <array>

#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "dialogs/Alert.h"
#include "foundation/RealTime.h"
#include "foundation/TellTaleFile.h"
#include "foundation/TermIO.h"

namespace VrnlBoards {

namespace {

constexpr std::uint16_t kPortSelect = 0x8000;
constexpr std::uint16_t kStrobe = 0x4000;
constexpr std::uint16_t kChipSelect = 0x0400;
constexpr std::int32_t kLongestBurst = CacheSize - 1;

struct CommandCache {
  std::uint16_t samples[CacheSize] = {};
  std::int32_t cachedSamples = 0;
  std::int32_t cachedCommands = 0;
  std::int32_t maximumSamples = 0;
  std::int32_t channel = -1;
  double interval = 0.0;
  bool cachingOn = false;
  bool protocolOn = false;
};

CommandCache cache;

// One word as the command port plays it, and how it joins the words queued
// before it: the first `drop` samples of the burst and the last `rewind`
// samples of the cache are the rest samples the two share.
struct Burst {
  std::array<std::uint16_t, 6> samples;
  std::int32_t count;
  std::int32_t drop;
  std::int32_t rewind;
};

std::span<const std::int16_t> AsStimulus(const std::uint16_t* samples, std::int32_t count) {
  return {reinterpret_cast<const std::int16_t*>(samples), static_cast<std::size_t>(count)};
}

void Play(std::int32_t channel, double interval, const std::uint16_t* samples,
          std::int32_t count) {
  ZRV::InhibitFlush();
  ZRV::Stim(channel, interval, AsStimulus(samples, count), count);
}

void SendCached(std::int32_t channel, double interval, const Burst& burst) {
  if (burst.count > 0 && cache.channel != channel) FlushCache();
  if (cache.cachedSamples + burst.count > kLongestBurst) {
    FlushCache();
    if (burst.count > kLongestBurst) {
      Alert::OK("ZRV-Cache overflow!");
      return;
    }
  }
  if (cache.cachingOn) {
    cache.channel = channel;
    cache.interval = interval;
    std::int32_t first = 0;
    if (cache.cachedSamples >= burst.count) {
      first = burst.drop;
      cache.cachedSamples -= burst.rewind;
    }
    std::copy(burst.samples.begin() + first, burst.samples.begin() + burst.count,
              cache.samples + cache.cachedSamples);
    cache.cachedSamples += burst.count - first;
  } else {
    Play(channel, interval, burst.samples.data(), burst.count);
    cache.cachedSamples += burst.count;
  }
  ++cache.cachedCommands;
  cache.maximumSamples = std::max(cache.maximumSamples, cache.cachedSamples);
}

void SendToCommandPort(std::uint16_t word, std::int32_t channel, double interval,
                       bool maskChipSelect) {
  if (ZRV::Status() == ZRV::StateClosed) return;
  const std::uint16_t w = word | kStrobe;
  const std::uint16_t latch = w & ~kStrobe;
  Burst burst{};
  if (ZRV::GetBoardType() != ZRVBase::BoardZRV24) {
    burst = {{w, latch, w, kStrobe}, 4, 0, 1};
  } else {
    // The ZRV-24's port also carries the user's lines: they rest at their
    // own state around the word.
    std::uint16_t d = (ZRVBase::DigitalOutState & ~kPortSelect) | kStrobe;
    if (maskChipSelect) d &= ~kChipSelect;
    ZRVBase::DigitalOutState = d;
    const std::uint16_t rest = d | kPortSelect;
    burst = {{rest, w, latch, w, static_cast<std::uint16_t>(rest & ~kChipSelect), d}, 6, 1, 2};
  }
  SendCached(channel, interval, burst);
}

}  // namespace

void ClearCache() {
  cache.cachedCommands = 0;
  cache.cachedSamples = 0;
}

void FlushCache() {
  if (cache.cachedCommands == 0) return;
  if (cache.protocolOn) {
    TermIO::WriteString(cache.cachingOn ? "CACHE: " : "cache: ");
    TermIO::WriteTime(RealTime::GetTime());
    TermIO::WriteInt(cache.cachedCommands, 9);
    TermIO::WriteInt(cache.cachedSamples, 9);
    TermIO::WriteInt(cache.maximumSamples, 9);
    TermIO::WriteLn();
  }
  if (cache.cachingOn) {
    cache.cachedCommands = 0;
    Play(cache.channel, cache.interval, cache.samples, cache.cachedSamples);
  }
  ClearCache();
}

void Wait(double seconds) {
  FlushCache();
  RealTime::Wait(seconds);
}

void InitModule() { cache = CommandCache{}; }

void SendToTlv3Port(std::int32_t channel, std::uint16_t word, bool maskChipSelect) {
  SendToCommandPort(word | kPortSelect, channel, ZRVBase::MinSamplingTime, maskChipSelect);
}

void SendToPK200Port(std::int32_t channel, std::uint16_t word) {
  if (ZRV::GetBoardType() == ZRVBase::BoardZRV24) word |= kPortSelect;
  SendToCommandPort(word, channel, ZRVBase::MinSamplingTime, false);
}

void SendToTlv2Port(std::int32_t channel, std::uint16_t word) {
  const std::uint16_t w = (word & ~kPortSelect) | kStrobe;
  const std::uint16_t d = (ZRVBase::DigitalOutState & ~kPortSelect) | kStrobe;
  ZRVBase::DigitalOutState = d;
  if (ZRV::Status() == ZRV::StateClosed) return;
  const std::uint16_t samples[] = {w, static_cast<std::uint16_t>(w & ~kStrobe), w, d};
  double interval = ZRVBase::MinSamplingTime;
  ZRV::Stim(channel, interval, AsStimulus(samples, 4), 4);
}

void GetCache(std::int32_t& samples, std::span<const std::uint16_t>& cacheSamples,
              std::uint16_t& restWord) {
  samples = cache.cachedSamples;
  cacheSamples = cache.samples;
  restWord = kStrobe;
  if (ZRV::GetBoardType() == ZRVBase::BoardZRV24) {
    restWord = (ZRVBase::DigitalOutState | kPortSelect | kStrobe) & ~kChipSelect;
  }
}

void GetProperties(bool& cacheOn, bool& protocolOn) {
  cacheOn = cache.cachingOn;
  protocolOn = cache.protocolOn;
}

void SetProperties(bool cacheOn, bool protocolOn) {
  if (cache.cachingOn && !cacheOn) FlushCache();
  const bool protocolTurnsOn = protocolOn && !cache.protocolOn;
  cache.cachingOn = cacheOn;
  cache.protocolOn = protocolOn;
  if (protocolTurnsOn) StartTracking();
}

void StartTracking() {
  cache.maximumSamples = 0;
  if (!cache.protocolOn) return;
  TermIO::WriteLn();
  TermIO::WriteLn();
  TermIO::WriteLine("StartTracking ");
}

bool KESP7Present() {
  if (TellTaleFile::Exists("KESP7.On")) return true;
  if (ZRV::Status() == ZRV::StateClosed) return false;
  // The trigger board echoes digital output bit 15 on input bit 14.
  const std::uint16_t a = ZRV::GetDigitalOutState();
  ZRV::SetDigValue(a | kPortSelect);
  const std::uint16_t high = ZRV::ReadDigitalIO();
  ZRV::SetDigValue(a & ~kPortSelect);
  const std::uint16_t low = ZRV::ReadDigitalIO();
  return (high & kStrobe) != 0 && (low & kStrobe) == 0;
}

bool KESP7Initialize() {
  if (ZRV::Status() == ZRV::StateClosed) return TellTaleFile::Exists("KESP7.On");
  const std::uint16_t a = ZRV::GetDigitalOutState();
  const std::uint16_t v = 0x00C0 | (a & kStrobe);
  ZRV::SetDigValue(v | kPortSelect);
  ZRV::SetDigValue(v);
  ZRV::SetDigValue(a & ~kPortSelect);
  return KESP7Present();
}

void InitQRNExtBoard(std::int32_t channel) {
  for (const std::uint16_t word : {0x2D10, 0x2D20, 0x2D40, 0x2D80}) {
    SendToTlv3Port(channel, word, false);
  }
}

}  // namespace VrnlBoards
