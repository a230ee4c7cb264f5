// The stand-in library's one state (the three boards, the loopback wiring,
// the driver version) behind its one lock, and the export mark of its entry
// points.
#pragma once

#include <cstdint>
#include <mutex>

#include "sim/ZRVLibrary/ZRVSimLoopback.h"
#include "sim/ZRVLibrary/ZRVSimRack.h"
#include "sim/ZRVLibrary/ZRVSimSequencedBoard.h"

// Entry points are the only symbols the library exports.
#define ZRV_SIM_EXPORT extern "C" __attribute__((visibility("default")))

namespace ZRVSimLibrary {

constexpr std::int32_t kDefaultVersionFirst = 19;
constexpr std::int32_t kDefaultVersionSecond = 1;

struct State {
  ZRVSimLoopback loopback;
  ZRVSimSequencedBoard zrv24{kZRVSimZRV24, &loopback};
  ZRVSimSequencedBoard zrv28{kZRVSimZRV28, &loopback};
  ZRVSimRack rack{&loopback};
  std::int32_t versionFirst = kDefaultVersionFirst;
  std::int32_t versionSecond = kDefaultVersionSecond;
};

std::mutex& Lock();
// Made on first use.
State& TheState();

// The action's result, computed under the lock.
template <typename Action>
auto Locked(Action action) {
  std::lock_guard<std::mutex> guard(Lock());
  return action(TheState());
}

}  // namespace ZRVSimLibrary
