#include "foundation/EncodeNext.h"

#include <limits>

#include "foundation/EncodeUt.h"

namespace EncodeNext {

namespace {

template <typename T>
bool ReadSigned(std::span<const char> s, int& pos, T& value) {
  std::uint32_t magnitude = 0;
  bool positive = true;
  bool overflow = false;
  const bool ok =
      EncodeUt::NextNumber(s, magnitude, positive, overflow, pos,
                           static_cast<std::uint32_t>(std::numeric_limits<T>::max()), true);
  if (overflow) {
    value = positive ? std::numeric_limits<T>::max() : std::numeric_limits<T>::min();
  } else if (ok && !positive) {
    value = static_cast<T>(-static_cast<std::int64_t>(magnitude));
  } else {
    value = static_cast<T>(magnitude);
  }
  return ok;
}

template <typename T>
bool ReadUnsigned(std::span<const char> s, int& pos, T& value) {
  std::uint32_t magnitude = 0;
  bool positive = true;
  bool overflow = false;
  const bool ok = EncodeUt::NextNumber(s, magnitude, positive, overflow, pos,
                                       std::numeric_limits<T>::max(), false);
  value = static_cast<T>(magnitude);
  return ok;
}

bool ReadReal(std::span<const char> s, int& pos, double& value, bool engineering) {
  int end = 0;
  return EncodeUt::NextReal(s, pos, end, engineering, value);
}

}  // namespace

bool Integer(std::span<const char> s, int& pos, std::int32_t& value) {
  return ReadSigned(s, pos, value);
}

bool Int32(std::span<const char> s, int& pos, std::int32_t& value) {
  return ReadSigned(s, pos, value);
}

bool Int16(std::span<const char> s, int& pos, std::int16_t& value) {
  return ReadSigned(s, pos, value);
}

bool Cardinal(std::span<const char> s, int& pos, std::uint32_t& value) {
  return ReadUnsigned(s, pos, value);
}

bool Card32(std::span<const char> s, int& pos, std::uint32_t& value) {
  return ReadUnsigned(s, pos, value);
}

bool Card16(std::span<const char> s, int& pos, std::uint16_t& value) {
  return ReadUnsigned(s, pos, value);
}

bool Set16(std::span<const char> s, int& pos, std::uint16_t& value) {
  return EncodeUt::NextSet16(s, value, pos);
}

bool Set32(std::span<const char> s, int& pos, std::uint32_t& value) {
  return EncodeUt::NextSet32(s, value, pos);
}

bool Real(std::span<const char> s, int& pos, double& value) {
  return ReadReal(s, pos, value, false);
}

bool Engineering(std::span<const char> s, int& pos, double& value) {
  return ReadReal(s, pos, value, true);
}

}  // namespace EncodeNext
