#include "acquisition/QRN28.h"

#include "acquisition/ZRVLibrary.h"

using ZRVLibrary::Call;
using ZRVLibrary::Table;

std::int32_t QRN28_GetStructureSize() {
  return ZRVLibrary::CallOr(&Table::ZRV28_GetStructureSize, std::int32_t{0});
}

std::int32_t QRN28_Open(void* device, std::int32_t board) {
  return Call(&Table::ZRV28_Open, device, board);
}

std::int32_t QRN28_Initialize(void* device, std::int32_t mode) {
  return Call(&Table::ZRV28_Initialize, device, mode);
}

std::int32_t QRN28_GetFIFOSize(void* device) {
  return ZRVLibrary::CallOr(&Table::ZRV28_GetFIFOSize, std::int32_t{0}, device);
}

std::int32_t QRN28_Close(void* device) { return Call(&Table::ZRV28_Close, device); }

std::int32_t QRN28_GetStatusText(void* device, std::int32_t status, std::span<char> text) {
  return Call(&Table::ZRV28_GetStatusText, device, status, text.data(),
              static_cast<std::int32_t>(text.size()));
}

std::int32_t QRN28_SetSamplingInterval(void* device, std::int32_t ticks, std::int32_t reserved) {
  return Call(&Table::ZRV28_SetSamplingInterval, device, ticks, reserved);
}

std::int32_t QRN28_SetSequence(void* device, std::int32_t length, const std::uint16_t* words) {
  return Call(&Table::ZRV28_SetSequence, device, length, words);
}

std::int32_t QRN28_InitializeAcquisition(void* device) {
  return Call(&Table::ZRV28_InitializeAcquisition, device);
}

std::int32_t QRN28_Start(void* device, std::int32_t trigger, std::int32_t outputEnable,
                         std::int32_t option3, std::int32_t option4) {
  return Call(&Table::ZRV28_Start, device, trigger, outputEnable, option3, option4);
}

std::int32_t QRN28_WriteFIFO(void* device, std::int32_t count, const std::int16_t* samples) {
  return Call(&Table::ZRV28_WriteFIFO, device, count, samples);
}

std::int32_t QRN28_GetFIFOReadAvailable(void* device, std::int32_t& count) {
  return Call(&Table::ZRV28_GetFIFOReadAvailable, device, &count);
}

std::int32_t QRN28_ReadFIFO(void* device, std::int32_t count, std::int16_t* samples) {
  return Call(&Table::ZRV28_ReadFIFO, device, count, samples);
}

std::int32_t QRN28_IsClipping(void* device, std::int32_t& flag) {
  return Call(&Table::ZRV28_IsClipping, device, &flag);
}

std::int32_t QRN28_GetFIFOOverflow(void* device, std::int32_t& flag) {
  return Call(&Table::ZRV28_GetFIFOOverflow, device, &flag);
}

std::int32_t QRN28_Stop(void* device) { return Call(&Table::ZRV28_Stop, device); }

std::int32_t QRN28_SetDACShift(
    void* device, std::span<const std::int32_t, ZRVLibraryCalls::kDacShiftCount> shifts) {
  return Call(&Table::ZRV28_SetDACShift, device, shifts.data());
}

std::int32_t QRN28_SetRange(void* device,
                            std::span<const std::int32_t, ZRVLibraryCalls::kRangeCount> ranges) {
  return Call(&Table::ZRV28_SetRange, device, ranges.data());
}

std::int32_t QRN28_SetExternalTriggerMode(void* device, std::int32_t first, std::int32_t second) {
  return Call(&Table::ZRV28_SetExternalTriggerMode, device, first, second);
}
