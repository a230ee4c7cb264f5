// The ZRV-24 board wrappers: each passes its arguments unchanged, in the
// same order, to the closed library's function of the same operation
// (QRN24_Open calls ZRV24_Open ...) and returns its result unchanged. They
// hold no state. The device record is the caller's, allocated with the size
// that QRN24_GetStructureSize gives. While the library or the function is
// missing, a status call gives ZRVLibrary::kLibraryNotFound and
// QRN24_GetStructureSize gives 0. What each call does: acquisition/ZRVLibraryCalls.h.
#pragma once

#include <cstdint>
#include <span>

std::int32_t QRN24_GetStructureSize();
std::int32_t QRN24_Open(void* device, std::int32_t board);
std::int32_t QRN24_Initialize(void* device);
std::int32_t QRN24_Close(void* device);
std::int32_t QRN24_GetStatusText(void* device, std::int32_t status, std::span<char> text);
std::int32_t QRN24_SetSamplingInterval(void* device, std::int32_t ticks);
std::int32_t QRN24_SetSequence(void* device, std::int32_t length, const std::uint16_t* words);
std::int32_t QRN24_InitializeAcquisition(void* device);
std::int32_t QRN24_Start(void* device, std::int32_t trigger, std::int32_t outputEnable,
                         std::int32_t option3, std::int32_t option4);
std::int32_t QRN24_WriteFIFO(void* device, std::int32_t count, const std::int16_t* samples);
std::int32_t QRN24_GetFIFOReadAvailable(void* device, std::int32_t& count);
std::int32_t QRN24_ReadFIFO(void* device, std::int32_t count, std::int16_t* samples);
std::int32_t QRN24_IsClipping(void* device, std::int32_t& flag);
std::int32_t QRN24_GetFIFOOverflow(void* device, std::int32_t& flag);
std::int32_t QRN24_Stop(void* device);
