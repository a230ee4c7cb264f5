#include "foundation/Bytes.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace Bytes {

std::span<std::byte> BasePtr;

CharProc ProcessChar = CopyChar;
BoolProc ProcessBool = CopyBool;
ByteProc ProcessByte = CopyByte;
Word16Proc ProcessSet16 = CopySet16;
Int16Proc ProcessInt16 = CopyInt16;
Word16Proc ProcessCard16 = CopyCard16;
Word16Proc ProcessWord16 = CopyWord16;
Int32Proc ProcessInt32 = CopyInt32;
Card32Proc ProcessCard32 = CopyCard32;
SRealProc ProcessSReal = CopySReal;
LRealProc ProcessLReal = CopyLReal;
LRealProc ProcessSToLReal = CopySToLReal;
LRealsProc ProcessSToLReals = CopySToLReals;
PolyProc ProcessPoly8 = CopyBytes8;
PolyProc ProcessPoly16 = CopyBytes16;
PolyProc ProcessPoly32 = CopyBytes32;
PolyProc ProcessPoly64 = CopyBytes64;

namespace {

// The image bytes of a field of count elements of size bytes at offset, or an
// empty span when they do not lie wholly inside the image.
std::span<std::byte> ImageAt(std::int32_t offset, std::int64_t size, std::int32_t count = 1) {
  const std::int64_t bytes = size * count;
  if (offset < 0 || count < 0 || static_cast<std::int64_t>(offset) + bytes >
                                     static_cast<std::int64_t>(BasePtr.size())) {
    return {};
  }
  return BasePtr.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(bytes));
}

template <typename T>
T Reversed(T value) {
  auto bytes = std::bit_cast<std::array<std::byte, sizeof(T)>>(value);
  std::reverse(bytes.begin(), bytes.end());
  return std::bit_cast<T>(bytes);
}

template <typename T>
void Pack(std::int32_t offset, const T& field) {
  const auto image = ImageAt(offset, sizeof(T));
  if (!image.empty()) std::memcpy(image.data(), &field, sizeof(T));
}

template <typename T>
bool Read(std::int32_t offset, T& value) {
  const auto image = ImageAt(offset, sizeof(T));
  if (image.empty()) return false;
  std::memcpy(&value, image.data(), sizeof(T));
  return true;
}

template <typename T>
void Copy(std::int32_t offset, T& field) {
  Read(offset, field);
}

// Reversal is done on the bit pattern so that a float or double never passes
// through a register while its bytes are in the wrong order.
template <typename T>
void Swap(std::int32_t offset, T& field) {
  using Bits = std::conditional_t<sizeof(T) == 2, std::uint16_t,
                                  std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>>;
  Bits bits;
  if (Read(offset, bits)) field = std::bit_cast<T>(Reversed(bits));
}

void PackElements(std::int32_t offset, const void* field, std::int32_t size, std::int32_t count) {
  if (field == nullptr || count <= 0) return;
  const auto image = ImageAt(offset, size, count);
  if (!image.empty()) std::memcpy(image.data(), field, image.size());
}

void CopyElements(std::int32_t offset, void* field, std::int32_t size, std::int32_t count) {
  if (field == nullptr || count <= 0) return;
  const auto image = ImageAt(offset, size, count);
  if (!image.empty()) std::memcpy(field, image.data(), image.size());
}

void SwapElements(std::int32_t offset, void* field, std::int32_t size, std::int32_t count) {
  if (field == nullptr || count <= 0) return;
  const auto image = ImageAt(offset, size, count);
  if (!image.empty()) SwapArray(size, image.data(), field, count);
}

template <std::size_t N>
void SwapEach(const void* source, void* destination, std::int32_t count) {
  if (source == nullptr || destination == nullptr || count <= 0) return;
  const auto* from = static_cast<const std::byte*>(source);
  auto* to = static_cast<std::byte*>(destination);
  for (std::int32_t i = 0; i < count; ++i) {
    std::array<std::byte, N> element;
    std::memcpy(element.data(), from + i * N, N);
    std::reverse(element.begin(), element.end());
    std::memcpy(to + i * N, element.data(), N);
  }
}

}  // namespace

void InitProcs(std::span<std::byte> image, ByteProcessMode mode) {
  BasePtr = image;
  if (mode == kPack) {
    ProcessChar = PackChar;
    ProcessBool = PackBool;
    ProcessByte = PackByte;
    ProcessSet16 = PackSet16;
    ProcessInt16 = PackInt16;
    ProcessCard16 = PackCard16;
    ProcessWord16 = PackWord16;
    ProcessInt32 = PackInt32;
    ProcessCard32 = PackCard32;
    ProcessSReal = PackSReal;
    ProcessLReal = PackLReal;
    ProcessSToLReal = PackLToSReal;
    ProcessSToLReals = PackLToSReals;
    ProcessPoly8 = PackBytes8;
    ProcessPoly16 = PackBytes16;
    ProcessPoly32 = PackBytes32;
    ProcessPoly64 = PackBytes64;
    return;
  }
  // Characters, Booleans and single bytes have no byte order.
  ProcessChar = CopyChar;
  ProcessBool = CopyBool;
  ProcessByte = CopyByte;
  ProcessPoly8 = CopyBytes8;
  if (mode == kSwap) {
    ProcessSet16 = SwapSet16;
    ProcessInt16 = SwapInt16;
    ProcessCard16 = SwapCard16;
    ProcessWord16 = SwapWord16;
    ProcessInt32 = SwapInt32;
    ProcessCard32 = SwapCard32;
    ProcessSReal = SwapSReal;
    ProcessLReal = SwapLReal;
    ProcessSToLReal = SwapSToLReal;
    ProcessSToLReals = SwapSToLReals;
    ProcessPoly16 = SwapBytes16;
    ProcessPoly32 = SwapBytes32;
    ProcessPoly64 = SwapBytes64;
    return;
  }
  ProcessSet16 = CopySet16;
  ProcessInt16 = CopyInt16;
  ProcessCard16 = CopyCard16;
  ProcessWord16 = CopyWord16;
  ProcessInt32 = CopyInt32;
  ProcessCard32 = CopyCard32;
  ProcessSReal = CopySReal;
  ProcessLReal = CopyLReal;
  ProcessSToLReal = CopySToLReal;
  ProcessSToLReals = CopySToLReals;
  ProcessPoly16 = CopyBytes16;
  ProcessPoly32 = CopyBytes32;
  ProcessPoly64 = CopyBytes64;
}

void InitModule() { InitProcs({}, kCopy); }

bool Equal(const void* a, const void* b, std::int32_t length) {
  if (a == nullptr || b == nullptr) return false;
  if (length <= 0) return true;
  return std::memcmp(a, b, static_cast<std::size_t>(length)) == 0;
}

void SetArray(void* address, std::int32_t length, std::uint8_t value) {
  if (address == nullptr || length <= 0) return;
  std::memset(address, value, static_cast<std::size_t>(length));
}

void CopyArray(const void* source, void* destination, std::int32_t length) {
  if (source == nullptr || destination == nullptr || source == destination || length <= 0) return;
  std::memmove(destination, source, static_cast<std::size_t>(length));
}

void SwapByte2Array(const void* source, void* destination, std::int32_t count) {
  SwapEach<2>(source, destination, count);
}

void SwapByte4Array(const void* source, void* destination, std::int32_t count) {
  SwapEach<4>(source, destination, count);
}

void SwapByte8Array(const void* source, void* destination, std::int32_t count) {
  SwapEach<8>(source, destination, count);
}

void SwapArray(std::int32_t elementSize, const void* source, void* destination, std::int32_t count) {
  switch (elementSize) {
    case 2: SwapByte2Array(source, destination, count); break;
    case 4: SwapByte4Array(source, destination, count); break;
    case 8: SwapByte8Array(source, destination, count); break;
    default: break;
  }
}

std::int16_t SwappedInt16(std::int16_t value) { return Reversed(value); }
std::uint16_t SwappedCard16(std::uint16_t value) { return Reversed(value); }
std::uint16_t SwappedSet16(std::uint16_t value) { return Reversed(value); }
std::int32_t SwappedInt32(std::int32_t value) { return Reversed(value); }
std::uint32_t SwappedCard32(std::uint32_t value) { return Reversed(value); }
float SwappedSReal(float value) { return Reversed(value); }
double SwappedLReal(double value) { return Reversed(value); }

void PackChar(std::int32_t offset, char& field) { Pack(offset, field); }
void PackBool(std::int32_t offset, bool& field) {
  Pack(offset, static_cast<std::uint8_t>(field ? 1 : 0));
}
void PackByte(std::int32_t offset, std::uint8_t& field) { Pack(offset, field); }
void PackSet16(std::int32_t offset, std::uint16_t& field) { Pack(offset, field); }
void PackInt16(std::int32_t offset, std::int16_t& field) { Pack(offset, field); }
void PackCard16(std::int32_t offset, std::uint16_t& field) { Pack(offset, field); }
void PackWord16(std::int32_t offset, std::uint16_t& field) { Pack(offset, field); }
void PackInt32(std::int32_t offset, std::int32_t& field) { Pack(offset, field); }
void PackCard32(std::int32_t offset, std::uint32_t& field) { Pack(offset, field); }
void PackSReal(std::int32_t offset, float& field) { Pack(offset, field); }
void PackLReal(std::int32_t offset, double& field) { Pack(offset, field); }
void PackLToSReal(std::int32_t offset, double& field) { Pack(offset, static_cast<float>(field)); }
void PackLToSReals(std::int32_t offset, double* field, std::int32_t count) {
  if (field == nullptr || count <= 0 || ImageAt(offset, sizeof(float), count).empty()) return;
  for (std::int32_t i = 0; i < count; ++i) {
    Pack(offset + i * static_cast<std::int32_t>(sizeof(float)), static_cast<float>(field[i]));
  }
}
void PackBytes8(std::int32_t offset, void* field, std::int32_t count) {
  PackElements(offset, field, 1, count);
}
void PackBytes16(std::int32_t offset, void* field, std::int32_t count) {
  PackElements(offset, field, 2, count);
}
void PackBytes32(std::int32_t offset, void* field, std::int32_t count) {
  PackElements(offset, field, 4, count);
}
void PackBytes64(std::int32_t offset, void* field, std::int32_t count) {
  PackElements(offset, field, 8, count);
}

void CopyChar(std::int32_t offset, char& field) { Copy(offset, field); }
// A stored Boolean may hold any byte; only 0 is FALSE.
void CopyBool(std::int32_t offset, bool& field) {
  std::uint8_t byte;
  if (Read(offset, byte)) field = byte != 0;
}
void CopyByte(std::int32_t offset, std::uint8_t& field) { Copy(offset, field); }
void CopySet16(std::int32_t offset, std::uint16_t& field) { Copy(offset, field); }
void CopyInt16(std::int32_t offset, std::int16_t& field) { Copy(offset, field); }
void CopyCard16(std::int32_t offset, std::uint16_t& field) { Copy(offset, field); }
void CopyWord16(std::int32_t offset, std::uint16_t& field) { Copy(offset, field); }
void CopyInt32(std::int32_t offset, std::int32_t& field) { Copy(offset, field); }
void CopyCard32(std::int32_t offset, std::uint32_t& field) { Copy(offset, field); }
void CopySReal(std::int32_t offset, float& field) { Copy(offset, field); }
void CopyLReal(std::int32_t offset, double& field) { Copy(offset, field); }
void CopySToLReal(std::int32_t offset, double& field) {
  float value;
  if (Read(offset, value)) field = value;
}
void CopySToLReals(std::int32_t offset, double* field, std::int32_t count) {
  if (field == nullptr || count <= 0 || ImageAt(offset, sizeof(float), count).empty()) return;
  for (std::int32_t i = 0; i < count; ++i) {
    CopySToLReal(offset + i * static_cast<std::int32_t>(sizeof(float)), field[i]);
  }
}
void CopyBytes8(std::int32_t offset, void* field, std::int32_t count) {
  CopyElements(offset, field, 1, count);
}
void CopyBytes16(std::int32_t offset, void* field, std::int32_t count) {
  CopyElements(offset, field, 2, count);
}
void CopyBytes32(std::int32_t offset, void* field, std::int32_t count) {
  CopyElements(offset, field, 4, count);
}
void CopyBytes64(std::int32_t offset, void* field, std::int32_t count) {
  CopyElements(offset, field, 8, count);
}

void SwapSet16(std::int32_t offset, std::uint16_t& field) { Swap(offset, field); }
void SwapInt16(std::int32_t offset, std::int16_t& field) { Swap(offset, field); }
void SwapCard16(std::int32_t offset, std::uint16_t& field) { Swap(offset, field); }
void SwapWord16(std::int32_t offset, std::uint16_t& field) { Swap(offset, field); }
void SwapInt32(std::int32_t offset, std::int32_t& field) { Swap(offset, field); }
void SwapCard32(std::int32_t offset, std::uint32_t& field) { Swap(offset, field); }
void SwapSReal(std::int32_t offset, float& field) { Swap(offset, field); }
void SwapLReal(std::int32_t offset, double& field) { Swap(offset, field); }
void SwapSToLReal(std::int32_t offset, double& field) {
  std::uint32_t bits;
  if (Read(offset, bits)) field = std::bit_cast<float>(Reversed(bits));
}
void SwapSToLReals(std::int32_t offset, double* field, std::int32_t count) {
  if (field == nullptr || count <= 0 || ImageAt(offset, sizeof(float), count).empty()) return;
  for (std::int32_t i = 0; i < count; ++i) {
    SwapSToLReal(offset + i * static_cast<std::int32_t>(sizeof(float)), field[i]);
  }
}
void SwapBytes16(std::int32_t offset, void* field, std::int32_t count) {
  SwapElements(offset, field, 2, count);
}
void SwapBytes32(std::int32_t offset, void* field, std::int32_t count) {
  SwapElements(offset, field, 4, count);
}
void SwapBytes64(std::int32_t offset, void* field, std::int32_t count) {
  SwapElements(offset, field, 8, count);
}

}  // namespace Bytes
