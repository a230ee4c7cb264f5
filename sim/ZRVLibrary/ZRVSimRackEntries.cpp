// The ZRV_* entry points of the QRN 2400: each runs the rack's operation
// under the library's lock.
#include "acquisition/ZRVLibraryCalls.h"
#include "sim/ZRVLibrary/ZRVSimLibrary.h"
#include "sim/ZRVLibrary/ZRVSimStatus.h"

using namespace ZRVLibraryCalls;

namespace {

template <typename Method, typename... Arguments>
std::int32_t OnRack(Method method, Arguments... arguments) {
  return ZRVSimLibrary::Locked(
      [&](ZRVSimLibrary::State& state) { return (state.rack.*method)(arguments...); });
}

using Rack = ZRVSimRack;

}  // namespace

ZRV_SIM_EXPORT std::int32_t ZRV_GlobalConfig(const GlobalConfigRecord* config) {
  return OnRack(&Rack::GlobalConfig, config);
}

ZRV_SIM_EXPORT std::int32_t ZRV_OpenDevice(std::int32_t deviceType, std::int32_t board,
                                           std::int32_t flags, void** handle) {
  return OnRack(&Rack::OpenDevice, deviceType, board, flags, handle);
}

ZRV_SIM_EXPORT std::int32_t ZRV_InitDevice(void* handle, const InitRecord* init) {
  return OnRack(&Rack::InitDevice, handle, init);
}

ZRV_SIM_EXPORT std::int32_t ZRV_GetSerialNumbers(void* handle, std::int32_t which,
                                                 std::uint32_t* master, std::uint32_t* slave) {
  return OnRack(&Rack::GetSerialNumbers, handle, which, master, slave);
}

ZRV_SIM_EXPORT std::int32_t ZRV_GetDeviceInfo(void* handle, DeviceInfoRecord* info) {
  return OnRack(&Rack::GetDeviceInfo, handle, info);
}

ZRV_SIM_EXPORT std::int32_t ZRV_GetVersions(void* handle, VersionRecord* versions,
                                            std::int32_t reserved1, std::int32_t reserved2) {
  if (versions == nullptr) return ZRVSimStatus::kBadArgument;
  return ZRVSimLibrary::Locked([&](ZRVSimLibrary::State& state) {
    *versions = VersionRecord{};
    versions->first = state.versionFirst;
    versions->second = state.versionSecond;
    return ZRVSimStatus::kOk;
  });
}

ZRV_SIM_EXPORT std::int32_t ZRV_CloseDevice(void* handle) {
  return OnRack(&Rack::CloseDevice, handle);
}

ZRV_SIM_EXPORT std::int32_t ZRV_GetStatusText(void* handle, std::int32_t status, char* text,
                                              std::int32_t size) {
  return ZRVSimStatus::Text(status, text, size);
}

ZRV_SIM_EXPORT std::int32_t ZRV_AsyncIO(void* handle, std::int32_t count, DataRecord* records) {
  return OnRack(&Rack::AsyncIO, handle, count, records);
}

ZRV_SIM_EXPORT std::int32_t ZRV_SingleScan(void* handle, std::int32_t count,
                                           SingleScanRecord* records) {
  return OnRack(&Rack::SingleScan, handle, count, records);
}

ZRV_SIM_EXPORT std::int32_t ZRV_ResetChannels(void* handle) {
  return OnRack(&Rack::ResetChannels, handle);
}

ZRV_SIM_EXPORT std::int32_t ZRV_SetChannels(void* handle, std::int32_t count,
                                            const ChannelRecord* records) {
  return OnRack(&Rack::SetChannels, handle, count, records);
}

ZRV_SIM_EXPORT std::int32_t ZRV_UpdateChannels(void* handle) {
  return OnRack(&Rack::UpdateChannels, handle);
}

ZRV_SIM_EXPORT std::int32_t ZRV_ReadWriteFIFO(void* handle, std::int32_t count,
                                              DataRecord* records) {
  return OnRack(&Rack::ReadWriteFIFO, handle, count, records);
}

ZRV_SIM_EXPORT std::int32_t ZRV_Start(void* handle, const StartRecord* start) {
  return OnRack(&Rack::Start, handle, start);
}

ZRV_SIM_EXPORT std::int32_t ZRV_UpdateNow(void* handle, std::int32_t flags) {
  return OnRack(&Rack::UpdateNow, handle);
}

ZRV_SIM_EXPORT std::int32_t ZRV_GetState(void* handle, StateRecord* state) {
  return OnRack(&Rack::GetState, handle, state);
}

ZRV_SIM_EXPORT std::int32_t ZRV_GetDataAvailable(void* handle, std::int32_t count,
                                                 DataRecord* records, std::int32_t flags) {
  return OnRack(&Rack::GetDataAvailable, handle, count, records);
}

ZRV_SIM_EXPORT std::int32_t ZRV_Stop(void* handle, std::int32_t flags) {
  return OnRack(&Rack::Stop, handle);
}
