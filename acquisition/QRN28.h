// The ZRV-28 board wrappers: each passes its arguments unchanged, in the
// same order, to the closed library's function of the same operation
// (QRN28_Open calls ZRV28_Open ...) and returns its result unchanged. They
// hold no state. The device record is the caller's, allocated with the size
// that QRN28_GetStructureSize gives. While the library or the function is
// missing, a status call gives ZRVLibrary::kLibraryNotFound, and
// QRN28_GetStructureSize and QRN28_GetFIFOSize give 0. What each call does:
// acquisition/ZRVLibraryCalls.h.
#pragma once

#include <cstdint>
#include <span>

#include "acquisition/ZRVLibraryCalls.h"

std::int32_t QRN28_GetStructureSize();
std::int32_t QRN28_Open(void* device, std::int32_t board);
std::int32_t QRN28_Initialize(void* device, std::int32_t mode);
std::int32_t QRN28_GetFIFOSize(void* device);
std::int32_t QRN28_Close(void* device);
std::int32_t QRN28_GetStatusText(void* device, std::int32_t status, std::span<char> text);
std::int32_t QRN28_SetSamplingInterval(void* device, std::int32_t ticks, std::int32_t reserved);
std::int32_t QRN28_SetSequence(void* device, std::int32_t length, const std::uint16_t* words);
std::int32_t QRN28_InitializeAcquisition(void* device);
std::int32_t QRN28_Start(void* device, std::int32_t trigger, std::int32_t outputEnable,
                         std::int32_t option3, std::int32_t option4);
std::int32_t QRN28_WriteFIFO(void* device, std::int32_t count, const std::int16_t* samples);
std::int32_t QRN28_GetFIFOReadAvailable(void* device, std::int32_t& count);
std::int32_t QRN28_ReadFIFO(void* device, std::int32_t count, std::int16_t* samples);
std::int32_t QRN28_IsClipping(void* device, std::int32_t& flag);
std::int32_t QRN28_GetFIFOOverflow(void* device, std::int32_t& flag);
std::int32_t QRN28_Stop(void* device);
std::int32_t QRN28_SetDACShift(
    void* device, std::span<const std::int32_t, ZRVLibraryCalls::kDacShiftCount> shifts);
std::int32_t QRN28_SetRange(void* device,
                            std::span<const std::int32_t, ZRVLibraryCalls::kRangeCount> ranges);
std::int32_t QRN28_SetExternalTriggerMode(void* device, std::int32_t first, std::int32_t second);
