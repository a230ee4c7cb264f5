// The ZRVSim_* functions through which tests and simulations set the
// boards up and look into them.
#include "sim/ZRVLibrary/ZRVSim.h"
#include "sim/ZRVLibrary/ZRVSimClock.h"
#include "sim/ZRVLibrary/ZRVSimLibrary.h"

using ZRVSimLibrary::Locked;
using ZRVSimLibrary::State;

namespace {

// The action on the family's board; nothing for an unknown family.
template <typename Action>
void OnFamily(std::int32_t family, Action action) {
  Locked([&](State& state) {
    switch (family) {
      case kZRVSimZRV24: action(state.zrv24); break;
      case kZRVSimZRV28: action(state.zrv28); break;
      case kZRVSimQRN2400: action(state.rack); break;
      default: break;
    }
    return 0;
  });
}

}  // namespace

ZRV_SIM_EXPORT void ZRVSim_Reset(void) {
  Locked([](State& state) {
    state.zrv24.Reset(&state.loopback);
    state.zrv28.Reset(&state.loopback);
    state.rack.Reset(&state.loopback);
    state.versionFirst = ZRVSimLibrary::kDefaultVersionFirst;
    state.versionSecond = ZRVSimLibrary::kDefaultVersionSecond;
    return 0;
  });
}

ZRV_SIM_EXPORT void ZRVSim_UseClock(double (*elapsedSeconds)(void)) {
  ZRVSimClock::Use(elapsedSeconds);
}

ZRV_SIM_EXPORT void ZRVSim_UseClockAdvance(void (*advanceSeconds)(double)) {
  ZRVSimClock::UseAdvance(advanceSeconds);
}

ZRV_SIM_EXPORT void ZRVSim_SetWiring(ZRVSimWiring* wiring) {
  Locked([wiring](State& state) {
    ZRVSimWiring* chosen = wiring != nullptr ? wiring : &state.loopback;
    state.zrv24.SetWiring(chosen);
    state.zrv28.SetWiring(chosen);
    state.rack.SetWiring(chosen);
    return 0;
  });
}

ZRV_SIM_EXPORT void ZRVSim_GetSettings(std::int32_t family, ZRVSimSettings* settings) {
  if (settings == nullptr) return;
  OnFamily(family, [settings](auto& board) { *settings = board.Settings(); });
}

ZRV_SIM_EXPORT void ZRVSim_SetSettings(std::int32_t family, const ZRVSimSettings* settings) {
  if (settings == nullptr) return;
  OnFamily(family, [settings](auto& board) { board.Configure(*settings); });
}

ZRV_SIM_EXPORT void ZRVSim_SetDriverVersion(std::int32_t first, std::int32_t second) {
  Locked([=](State& state) {
    state.versionFirst = first;
    state.versionSecond = second;
    return 0;
  });
}

ZRV_SIM_EXPORT void ZRVSim_Trigger(std::int32_t family) {
  OnFamily(family, [](auto& board) { board.Trigger(); });
}

ZRV_SIM_EXPORT void ZRVSim_InjectOverflow(std::int32_t family) {
  OnFamily(family, [](auto& board) { board.InjectOverflow(); });
}

ZRV_SIM_EXPORT void ZRVSim_InjectClipping(std::int32_t family, std::int32_t input) {
  Locked([=](State& state) {
    if (family == kZRVSimQRN2400) state.rack.InjectClipping(input);
    if (family == kZRVSimZRV24) state.zrv24.InjectClipping();
    if (family == kZRVSimZRV28) state.zrv28.InjectClipping();
    return 0;
  });
}

ZRV_SIM_EXPORT void ZRVSim_GetBoardState(std::int32_t family, ZRVSimBoardState* state) {
  if (state == nullptr) return;
  *state = ZRVSimBoardState{};
  OnFamily(family, [state](auto& board) { board.Look(*state); });
}
