#include "acquisition/QRN24.h"

#include "acquisition/ZRVLibrary.h"

using ZRVLibrary::Call;
using ZRVLibrary::Table;

std::int32_t QRN24_GetStructureSize() {
  return ZRVLibrary::CallOr(&Table::ZRV24_GetStructureSize, std::int32_t{0});
}

std::int32_t QRN24_Open(void* device, std::int32_t board) {
  return Call(&Table::ZRV24_Open, device, board);
}

std::int32_t QRN24_Initialize(void* device) { return Call(&Table::ZRV24_Initialize, device); }

std::int32_t QRN24_Close(void* device) { return Call(&Table::ZRV24_Close, device); }

std::int32_t QRN24_GetStatusText(void* device, std::int32_t status, std::span<char> text) {
  return Call(&Table::ZRV24_GetStatusText, device, status, text.data(),
              static_cast<std::int32_t>(text.size()));
}

std::int32_t QRN24_SetSamplingInterval(void* device, std::int32_t ticks) {
  return Call(&Table::ZRV24_SetSamplingInterval, device, ticks);
}

std::int32_t QRN24_SetSequence(void* device, std::int32_t length, const std::uint16_t* words) {
  return Call(&Table::ZRV24_SetSequence, device, length, words);
}

std::int32_t QRN24_InitializeAcquisition(void* device) {
  return Call(&Table::ZRV24_InitializeAcquisition, device);
}

std::int32_t QRN24_Start(void* device, std::int32_t trigger, std::int32_t outputEnable,
                         std::int32_t option3, std::int32_t option4) {
  return Call(&Table::ZRV24_Start, device, trigger, outputEnable, option3, option4);
}

std::int32_t QRN24_WriteFIFO(void* device, std::int32_t count, const std::int16_t* samples) {
  return Call(&Table::ZRV24_WriteFIFO, device, count, samples);
}

std::int32_t QRN24_GetFIFOReadAvailable(void* device, std::int32_t& count) {
  return Call(&Table::ZRV24_GetFIFOReadAvailable, device, &count);
}

std::int32_t QRN24_ReadFIFO(void* device, std::int32_t count, std::int16_t* samples) {
  return Call(&Table::ZRV24_ReadFIFO, device, count, samples);
}

std::int32_t QRN24_IsClipping(void* device, std::int32_t& flag) {
  return Call(&Table::ZRV24_IsClipping, device, &flag);
}

std::int32_t QRN24_GetFIFOOverflow(void* device, std::int32_t& flag) {
  return Call(&Table::ZRV24_GetFIFOOverflow, device, &flag);
}

std::int32_t QRN24_Stop(void* device) { return Call(&Table::ZRV24_Stop, device); }
