// Amplifier initialisation and board detection. So far: the texts of the
// amplifier error codes.
#pragma once

#include <span>

namespace T3Init {

// Appends the text of T3Error::Error to what text already holds, cut to its
// capacity: code 1 appends the AD/DA layer's last error text
// (ZRV::ConcatErrorText); 2, 33 and every code without a text of its own
// give "unknow error", spelled as the program always has.
void ErrorText(std::span<char> text);

}  // namespace T3Init
