// The program's 8-bit character set (the platform's Roman set: ASCII below
// 0x80, accented letters and symbols such as micro 0xB5, Omega 0xBD and
// plus-minus 0xB1 above), and Unicode, which fonts and the SDL2 keyboard
// speak. Text is converted only where it leaves or enters the program.
#pragma once

#include <string>
#include <string_view>

namespace MacRoman {

// Every code has a Unicode character; control codes map to themselves.
char32_t ToUnicode(unsigned char c);

// The code of a Unicode character; false (c unchanged) for a character the
// set lacks.
bool FromUnicode(char32_t u, unsigned char& c);

// UTF-8 text in the 8-bit set. A malformed sequence, a character the set
// lacks and NUL become `missing`; with missing 0 they make the call fail
// (out then holds the text before them).
bool FromUtf8(std::string_view utf8, std::string& out, char missing);
std::string ToUtf8(std::string_view chars);

}  // namespace MacRoman
