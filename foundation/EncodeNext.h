#pragma once

// Reads the next number of a line from a running position, for texts with
// several values per line. Each reader answers TRUE on success and leaves pos
// behind what it read. Integers take an SI suffix (k M G T P E Z Y, see
// EncodeUt::NextNumber); Engineering also takes the prefixes below 1.
//
// Signed readers store the value with its sign on success, the nearest limit
// on overflow, and otherwise the magnitude read so far. Unsigned readers fail
// on a "-".

#include <cstdint>
#include <span>

namespace EncodeNext {

bool Integer(std::span<const char> s, int& pos, std::int32_t& value);
bool Int32(std::span<const char> s, int& pos, std::int32_t& value);
bool Int16(std::span<const char> s, int& pos, std::int16_t& value);
bool Cardinal(std::span<const char> s, int& pos, std::uint32_t& value);
bool Card32(std::span<const char> s, int& pos, std::uint32_t& value);
bool Card16(std::span<const char> s, int& pos, std::uint16_t& value);
bool Set16(std::span<const char> s, int& pos, std::uint16_t& value);
bool Set32(std::span<const char> s, int& pos, std::uint32_t& value);
bool Real(std::span<const char> s, int& pos, double& value);
bool Engineering(std::span<const char> s, int& pos, double& value);

}  // namespace EncodeNext
