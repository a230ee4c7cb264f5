// Reading the number an operator typed into a dialog field: the whole text
// must be the number (blanks around it allowed), and a real must be finite,
// so that "12a", "INF" and "NAN" never pass as values.
#pragma once

#include <cstdint>
#include <span>

namespace NumberField {

// A signed decimal integer.
bool ReadInteger(std::span<const char> text, std::int32_t& value);
// A real number in engineering notation (SI prefix letters accepted).
bool ReadReal(std::span<const char> text, double& value);

}  // namespace NumberField
