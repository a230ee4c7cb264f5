#include "acquisition/VrnlBoards.h"

#include <cstdint>
#include <span>

#include "acquisition/ZRV.h"
#include "foundation/RealTime.h"
#include "foundation/TermIO.h"

namespace VrnlBoards {

namespace {

constexpr std::int32_t kCacheSamples = 2048;

struct CommandCache {
  std::int16_t samples[kCacheSamples] = {};
  std::int32_t cachedSamples = 0;
  std::int32_t cachedCommands = 0;
  std::int32_t maximumSamples = 0;
  std::int32_t channel = -1;
  double interval = 0.0;
  bool cachingOn = false;
  bool protocolOn = false;
};

CommandCache cache;

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
    ZRV::InhibitFlush();
    double interval = cache.interval;
    ZRV::Stim(cache.channel, interval,
              std::span<const std::int16_t>(cache.samples, static_cast<std::size_t>(cache.cachedSamples)),
              cache.cachedSamples);
  }
  ClearCache();
}

void Wait(double seconds) {
  FlushCache();
  RealTime::Wait(seconds);
}

void InitModule() { cache = CommandCache{}; }

}  // namespace VrnlBoards
