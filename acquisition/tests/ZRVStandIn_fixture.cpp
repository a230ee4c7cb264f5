#include "acquisition/tests/ZRVStandIn_fixture.h"

#include <cstdlib>
#include <cstring>

#include "acquisition/ZRVLibrary.h"
#include "foundation/platform/Clock.h"

void ZRVStandIn::SetUp() {
  Platform::UseVirtualClock(1000.0);
  setenv(ZRVLibrary::kPathVariable, MERETH_ZRV_STANDIN, 1);
  ZRVLibrary::InitModule();
  ASSERT_TRUE(ZRVLibrary::Load());
  ZRVSim_Reset();
}

void ZRVStandIn::TearDown() {
  ZRVSim_Reset();
  ZRVLibrary::InitModule();
  unsetenv(ZRVLibrary::kPathVariable);
  Platform::UseRealClock();
}

ZRVSimBoardState ZRVStandIn::Board(std::int32_t family) {
  ZRVSimBoardState state;
  ZRVSim_GetBoardState(family, &state);
  return state;
}

ZRVSimSettings ZRVStandIn::Settings(std::int32_t family) {
  ZRVSimSettings settings;
  ZRVSim_GetSettings(family, &settings);
  return settings;
}

void ZRVStandIn::Configure(std::int32_t family, const ZRVSimSettings& settings) {
  ZRVSim_SetSettings(family, &settings);
}

Layout& Layout::Put(std::size_t offset, std::uint64_t value, std::size_t width) {
  for (std::size_t n = 0; n < width; ++n) _bytes.at(offset + n) = static_cast<std::uint8_t>(value >> (8 * n));
  return *this;
}

Layout& Layout::Int16(std::size_t offset, std::int16_t value) {
  return Put(offset, static_cast<std::uint16_t>(value), 2);
}

Layout& Layout::Int32(std::size_t offset, std::int64_t value) {
  return Put(offset, static_cast<std::uint32_t>(value), 4);
}

Layout& Layout::Double(std::size_t offset, double value) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return Put(offset, bits, 8);
}

Layout& Layout::Pointer(std::size_t offset, const void* value) {
  return Put(offset, reinterpret_cast<std::uintptr_t>(value), sizeof value);
}
