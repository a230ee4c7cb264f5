// Amplifier initialisation and board detection. So far: the texts of the
// amplifier error codes, and whether the scale record was loaded.
#pragma once

#include <span>

namespace T3Init {

// TRUE while T3Scale::Scale holds a record taken from a scale file or the
// amplifier EEPROM; T3Scale::LoadDefaults clears it, the loaders set it.
// Main thread only.
extern bool ScaleFileLoaded;

// Appends the text of T3Error::Error to what text already holds, cut to its
// capacity: code 1 appends the AD/DA layer's last error text
// (ZRV::ConcatErrorText); 2, 33 and every code without a text of its own
// give "unknow error", spelled as the program always has.
void ErrorText(std::span<char> text);

}  // namespace T3Init
