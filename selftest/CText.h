// A C string (a label out of one of the tables) as the fixed-capacity text
// the string and report procedures take: its NUL included.
#pragma once

#include <cstring>
#include <span>

inline std::span<const char> CText(const char* text) { return {text, std::strlen(text) + 1}; }
