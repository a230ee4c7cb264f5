#include "foundation/Encode.h"

#include "foundation/EncodeNext.h"
#include "foundation/EncodeUt.h"
#include "foundation/Strings.h"

namespace Encode {

namespace {

int Result(bool ok, int pos) { return ok ? -1 : pos; }

// Hexadecimal and octal: blanks, then digits of the base up to the end. A
// digit that would carry the value beyond 32 bits saturates it and its
// position is the answer; hexadecimal saturates already when a full value
// meets any further character.
int ReadBase(std::span<const char> s, std::uint32_t& v, std::uint32_t base) {
  const int length = Strings::Length(s);
  v = 0;
  int pos = 0;
  while (pos < length && s[static_cast<std::size_t>(pos)] == ' ') ++pos;
  for (; pos < length; ++pos) {
    if (base == 16 && v > 0x0FFFFFFFu) {
      v = 0xFFFFFFFFu;
      return pos;
    }
    char c = s[static_cast<std::size_t>(pos)];
    if (base == 16 && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    std::uint32_t digit = 0;
    if (c >= '0' && c <= '9') {
      digit = static_cast<std::uint32_t>(c - '0');
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<std::uint32_t>(c - 'A' + 10);
    } else {
      return pos;
    }
    if (digit >= base) return pos;
    const std::uint64_t next = std::uint64_t{v} * base + digit;
    if (next > 0xFFFFFFFFu) {
      v = 0xFFFFFFFFu;
      return pos;
    }
    v = static_cast<std::uint32_t>(next);
  }
  return -1;
}

int ReadReal(std::span<const char> s, double& x, bool engineering) {
  int pos = 0;
  int end = 0;
  const bool ok = EncodeUt::NextReal(s, pos, end, engineering, x);
  return Result(ok && pos >= end, pos);
}

}  // namespace

int Integer(std::span<const char> s, std::int32_t& v) {
  int pos = 0;
  const bool ok = EncodeNext::Integer(s, pos, v);
  return Result(ok, pos);
}

int Cardinal(std::span<const char> s, std::uint32_t& v) {
  int pos = 0;
  const bool ok = EncodeNext::Cardinal(s, pos, v);
  return Result(ok, pos);
}

int Hexadecimal(std::span<const char> s, std::uint32_t& v) { return ReadBase(s, v, 16); }

int Octal(std::span<const char> s, std::uint32_t& v) { return ReadBase(s, v, 8); }

int Set16(std::span<const char> s, std::uint16_t& set) {
  int pos = 0;
  const bool ok = EncodeNext::Set16(s, pos, set);
  return Result(ok, pos);
}

int Set32(std::span<const char> s, std::uint32_t& set) {
  int pos = 0;
  const bool ok = EncodeNext::Set32(s, pos, set);
  return Result(ok, pos);
}

int Real(std::span<const char> s, double& x) { return ReadReal(s, x, false); }

int Engineering(std::span<const char> s, double& x) { return ReadReal(s, x, true); }

}  // namespace Encode
