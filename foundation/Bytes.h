// Byte-array primitives (compare, fill, copy, byte-order reversal) and the
// procedure variables through which record walkers convert records to and
// from the byte images of files and EEPROMs.
//
// A walker names every field once, with its offset in the image, and calls
// only the Process* variables; InitProcs decides whether that list of calls
// packs the record into the image or unpacks it (as is, or byte-reversed
// when the image came from a host of the other byte order). The variables
// and the image are global: one walk at a time, main thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace Bytes {

// Direction of a walk.
using ByteProcessMode = std::uint8_t;
inline constexpr ByteProcessMode kCopy = 0;  // image to field as it is (any value but 1 and 2)
inline constexpr ByteProcessMode kSwap = 1;  // image to field, each number byte-reversed
inline constexpr ByteProcessMode kPack = 2;  // field to image, host byte order

using CharProc = void (*)(std::int32_t offset, char& field);
using BoolProc = void (*)(std::int32_t offset, bool& field);
using ByteProc = void (*)(std::int32_t offset, std::uint8_t& field);
using Word16Proc = void (*)(std::int32_t offset, std::uint16_t& field);
using Int16Proc = void (*)(std::int32_t offset, std::int16_t& field);
using Int32Proc = void (*)(std::int32_t offset, std::int32_t& field);
using Card32Proc = void (*)(std::int32_t offset, std::uint32_t& field);
using SRealProc = void (*)(std::int32_t offset, float& field);
using LRealProc = void (*)(std::int32_t offset, double& field);
using LRealsProc = void (*)(std::int32_t offset, double* field, std::int32_t count);
using PolyProc = void (*)(std::int32_t offset, void* field, std::int32_t count);

// The image of the current walk; every offset is relative to its start. A
// field that would reach outside it (or any field while it is empty) is left
// alone, so a walker whose offsets outgrow its image cannot write past it.
extern std::span<std::byte> BasePtr;

extern CharProc ProcessChar;
extern BoolProc ProcessBool;
extern ByteProc ProcessByte;
extern Word16Proc ProcessSet16;
extern Int16Proc ProcessInt16;
extern Word16Proc ProcessCard16;
extern Word16Proc ProcessWord16;
extern Int32Proc ProcessInt32;
extern Card32Proc ProcessCard32;
extern SRealProc ProcessSReal;
extern LRealProc ProcessLReal;
extern LRealProc ProcessSToLReal;    // double in memory, float in the image
extern LRealsProc ProcessSToLReals;  // count doubles, count floats in the image
extern PolyProc ProcessPoly8;        // count bytes, never reversed
extern PolyProc ProcessPoly16;       // count 2-byte elements
extern PolyProc ProcessPoly32;       // count 4-byte elements
extern PolyProc ProcessPoly64;       // count 8-byte elements

// Points BasePtr at the image and every Process* variable at the family of
// the mode.
void InitProcs(std::span<std::byte> image, ByteProcessMode mode);
// InitProcs(empty image, kCopy).
void InitModule();

// TRUE when the first length bytes agree (TRUE for length <= 0); FALSE when
// either address is nil.
bool Equal(const void* a, const void* b, std::int32_t length);
// Fills length bytes with value; nil is ignored.
void SetArray(void* address, std::int32_t length, std::uint8_t value);
// Overlap-safe copy; nothing for a nil address, equal addresses or length <= 0.
void CopyArray(const void* source, void* destination, std::int32_t length);
// Copy count elements with the bytes of each reversed; source and destination
// may be the same array; nothing for nil addresses or count <= 0.
void SwapByte2Array(const void* source, void* destination, std::int32_t count);
void SwapByte4Array(const void* source, void* destination, std::int32_t count);
void SwapByte8Array(const void* source, void* destination, std::int32_t count);
// One of the three by element size 2, 4 or 8; any other size does nothing.
void SwapArray(std::int32_t elementSize, const void* source, void* destination, std::int32_t count);

std::int16_t SwappedInt16(std::int16_t value);
std::uint16_t SwappedCard16(std::uint16_t value);
std::uint16_t SwappedSet16(std::uint16_t value);
std::int32_t SwappedInt32(std::int32_t value);
std::uint32_t SwappedCard32(std::uint32_t value);
float SwappedSReal(float value);
double SwappedLReal(double value);

// The families behind the variables; walkers may call them directly.
// Pack: field to image in host order.
void PackChar(std::int32_t offset, char& field);
void PackBool(std::int32_t offset, bool& field);
void PackByte(std::int32_t offset, std::uint8_t& field);
void PackSet16(std::int32_t offset, std::uint16_t& field);
void PackInt16(std::int32_t offset, std::int16_t& field);
void PackCard16(std::int32_t offset, std::uint16_t& field);
void PackWord16(std::int32_t offset, std::uint16_t& field);
void PackInt32(std::int32_t offset, std::int32_t& field);
void PackCard32(std::int32_t offset, std::uint32_t& field);
void PackSReal(std::int32_t offset, float& field);
void PackLReal(std::int32_t offset, double& field);
void PackLToSReal(std::int32_t offset, double& field);
void PackLToSReals(std::int32_t offset, double* field, std::int32_t count);
void PackBytes8(std::int32_t offset, void* field, std::int32_t count);
void PackBytes16(std::int32_t offset, void* field, std::int32_t count);
void PackBytes32(std::int32_t offset, void* field, std::int32_t count);
void PackBytes64(std::int32_t offset, void* field, std::int32_t count);

// Copy: image to field unchanged. A Boolean byte reads TRUE when not 0.
void CopyChar(std::int32_t offset, char& field);
void CopyBool(std::int32_t offset, bool& field);
void CopyByte(std::int32_t offset, std::uint8_t& field);
void CopySet16(std::int32_t offset, std::uint16_t& field);
void CopyInt16(std::int32_t offset, std::int16_t& field);
void CopyCard16(std::int32_t offset, std::uint16_t& field);
void CopyWord16(std::int32_t offset, std::uint16_t& field);
void CopyInt32(std::int32_t offset, std::int32_t& field);
void CopyCard32(std::int32_t offset, std::uint32_t& field);
void CopySReal(std::int32_t offset, float& field);
void CopyLReal(std::int32_t offset, double& field);
void CopySToLReal(std::int32_t offset, double& field);
void CopySToLReals(std::int32_t offset, double* field, std::int32_t count);
void CopyBytes8(std::int32_t offset, void* field, std::int32_t count);
void CopyBytes16(std::int32_t offset, void* field, std::int32_t count);
void CopyBytes32(std::int32_t offset, void* field, std::int32_t count);
void CopyBytes64(std::int32_t offset, void* field, std::int32_t count);

// Swap: image to field with each number byte-reversed.
void SwapSet16(std::int32_t offset, std::uint16_t& field);
void SwapInt16(std::int32_t offset, std::int16_t& field);
void SwapCard16(std::int32_t offset, std::uint16_t& field);
void SwapWord16(std::int32_t offset, std::uint16_t& field);
void SwapInt32(std::int32_t offset, std::int32_t& field);
void SwapCard32(std::int32_t offset, std::uint32_t& field);
void SwapSReal(std::int32_t offset, float& field);
void SwapLReal(std::int32_t offset, double& field);
void SwapSToLReal(std::int32_t offset, double& field);
void SwapSToLReals(std::int32_t offset, double* field, std::int32_t count);
void SwapBytes16(std::int32_t offset, void* field, std::int32_t count);
void SwapBytes32(std::int32_t offset, void* field, std::int32_t count);
void SwapBytes64(std::int32_t offset, void* field, std::int32_t count);

}  // namespace Bytes
