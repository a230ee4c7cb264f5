// The ZRV24_* and ZRV28_* entry points: each runs its board's operation
// under the library's lock.
#include "acquisition/ZRVLibraryCalls.h"
#include "sim/ZRVLibrary/ZRVSimLibrary.h"
#include "sim/ZRVLibrary/ZRVSimStatus.h"

namespace {

template <typename Method, typename... Arguments>
std::int32_t On(std::int32_t family, Method method, Arguments... arguments) {
  return ZRVSimLibrary::Locked([&](ZRVSimLibrary::State& state) {
    ZRVSimSequencedBoard& board = family == kZRVSimZRV28 ? state.zrv28 : state.zrv24;
    return (board.*method)(arguments...);
  });
}

constexpr std::int32_t k24 = kZRVSimZRV24;
constexpr std::int32_t k28 = kZRVSimZRV28;
using Board = ZRVSimSequencedBoard;

}  // namespace

ZRV_SIM_EXPORT std::int32_t ZRV24_GetStructureSize(void) { return On(k24, &Board::StructureSize); }
ZRV_SIM_EXPORT std::int32_t ZRV28_GetStructureSize(void) { return On(k28, &Board::StructureSize); }

ZRV_SIM_EXPORT std::int32_t ZRV24_Open(void* device, std::int32_t board) {
  return On(k24, &Board::Open, device, board);
}
ZRV_SIM_EXPORT std::int32_t ZRV28_Open(void* device, std::int32_t board) {
  return On(k28, &Board::Open, device, board);
}

ZRV_SIM_EXPORT std::int32_t ZRV24_Initialize(void* device) {
  return On(k24, &Board::Initialize, device, 0);
}
ZRV_SIM_EXPORT std::int32_t ZRV28_Initialize(void* device, std::int32_t mode) {
  return On(k28, &Board::Initialize, device, mode);
}

ZRV_SIM_EXPORT std::int32_t ZRV28_GetFIFOSize(void* device) {
  return On(k28, &Board::FIFOSize, device);
}

ZRV_SIM_EXPORT std::int32_t ZRV24_Close(void* device) { return On(k24, &Board::Close, device); }
ZRV_SIM_EXPORT std::int32_t ZRV28_Close(void* device) { return On(k28, &Board::Close, device); }

ZRV_SIM_EXPORT std::int32_t ZRV24_GetStatusText(void* device, std::int32_t status, char* text,
                                                std::int32_t size) {
  return ZRVSimStatus::Text(status, text, size);
}
ZRV_SIM_EXPORT std::int32_t ZRV28_GetStatusText(void* device, std::int32_t status, char* text,
                                                std::int32_t size) {
  return ZRVSimStatus::Text(status, text, size);
}

ZRV_SIM_EXPORT std::int32_t ZRV24_SetSamplingInterval(void* device, std::int32_t ticks) {
  return On(k24, &Board::SetSamplingInterval, device, ticks);
}
ZRV_SIM_EXPORT std::int32_t ZRV28_SetSamplingInterval(void* device, std::int32_t ticks,
                                                      std::int32_t reserved) {
  return On(k28, &Board::SetSamplingInterval, device, ticks);
}

ZRV_SIM_EXPORT std::int32_t ZRV24_InitializeAcquisition(void* device) {
  return On(k24, &Board::InitializeAcquisition, device);
}
ZRV_SIM_EXPORT std::int32_t ZRV28_InitializeAcquisition(void* device) {
  return On(k28, &Board::InitializeAcquisition, device);
}

ZRV_SIM_EXPORT std::int32_t ZRV24_SetSequence(void* device, std::int32_t length,
                                              const std::uint16_t* words) {
  return On(k24, &Board::SetSequence, device, length, words);
}
ZRV_SIM_EXPORT std::int32_t ZRV28_SetSequence(void* device, std::int32_t length,
                                              const std::uint16_t* words) {
  return On(k28, &Board::SetSequence, device, length, words);
}

ZRV_SIM_EXPORT std::int32_t ZRV24_Start(void* device, std::int32_t trigger,
                                        std::int32_t outputEnable, std::int32_t option3,
                                        std::int32_t option4) {
  return On(k24, &Board::Start, device, trigger, outputEnable, option3, option4);
}
ZRV_SIM_EXPORT std::int32_t ZRV28_Start(void* device, std::int32_t trigger,
                                        std::int32_t outputEnable, std::int32_t option3,
                                        std::int32_t option4) {
  return On(k28, &Board::Start, device, trigger, outputEnable, option3, option4);
}

ZRV_SIM_EXPORT std::int32_t ZRV24_WriteFIFO(void* device, std::int32_t count,
                                            const std::int16_t* samples) {
  return On(k24, &Board::WriteFIFO, device, count, samples);
}
ZRV_SIM_EXPORT std::int32_t ZRV28_WriteFIFO(void* device, std::int32_t count,
                                            const std::int16_t* samples) {
  return On(k28, &Board::WriteFIFO, device, count, samples);
}

ZRV_SIM_EXPORT std::int32_t ZRV24_GetFIFOReadAvailable(void* device, std::int32_t* count) {
  return On(k24, &Board::GetFIFOReadAvailable, device, count);
}
ZRV_SIM_EXPORT std::int32_t ZRV28_GetFIFOReadAvailable(void* device, std::int32_t* count) {
  return On(k28, &Board::GetFIFOReadAvailable, device, count);
}

ZRV_SIM_EXPORT std::int32_t ZRV24_ReadFIFO(void* device, std::int32_t count,
                                           std::int16_t* samples) {
  return On(k24, &Board::ReadFIFO, device, count, samples);
}
ZRV_SIM_EXPORT std::int32_t ZRV28_ReadFIFO(void* device, std::int32_t count,
                                           std::int16_t* samples) {
  return On(k28, &Board::ReadFIFO, device, count, samples);
}

ZRV_SIM_EXPORT std::int32_t ZRV24_IsClipping(void* device, std::int32_t* flag) {
  return On(k24, &Board::IsClipping, device, flag);
}
ZRV_SIM_EXPORT std::int32_t ZRV28_IsClipping(void* device, std::int32_t* flag) {
  return On(k28, &Board::IsClipping, device, flag);
}

ZRV_SIM_EXPORT std::int32_t ZRV24_GetFIFOOverflow(void* device, std::int32_t* flag) {
  return On(k24, &Board::GetFIFOOverflow, device, flag);
}
ZRV_SIM_EXPORT std::int32_t ZRV28_GetFIFOOverflow(void* device, std::int32_t* flag) {
  return On(k28, &Board::GetFIFOOverflow, device, flag);
}

ZRV_SIM_EXPORT std::int32_t ZRV24_Stop(void* device) { return On(k24, &Board::Stop, device); }
ZRV_SIM_EXPORT std::int32_t ZRV28_Stop(void* device) { return On(k28, &Board::Stop, device); }

ZRV_SIM_EXPORT std::int32_t ZRV28_SetDACShift(void* device, const std::int32_t* shifts) {
  return On(k28, &Board::SetDACShift, device, shifts);
}

ZRV_SIM_EXPORT std::int32_t ZRV28_SetRange(void* device, const std::int32_t* ranges) {
  return On(k28, &Board::SetRange, device, ranges);
}

ZRV_SIM_EXPORT std::int32_t ZRV28_SetExternalTriggerMode(void* device, std::int32_t first,
                                                         std::int32_t second) {
  return On(k28, &Board::SetExternalTriggerMode, device, first, second);
}
