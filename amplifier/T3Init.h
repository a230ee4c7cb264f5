// Amplifier initialisation and board detection. So far: the texts of the
// amplifier error codes, whether the scale record and the C-fast table were
// loaded, and the buffer the calibration blocks are assembled in.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace T3Init {

// TRUE while T3Scale::Scale holds a record taken from a scale file or the
// amplifier EEPROM; T3Scale::LoadDefaults clears it, the loaders set it.
// Main thread only.
extern bool ScaleFileLoaded;

// TRUE while T3Auto::CFastTable holds a table taken from a C-fast file or
// the amplifier EEPROM. Main thread only.
extern bool CFastFileLoaded;

// The scratch image of a calibration block or file: the EEPROM layout
// (T3EEPROM) assembles and takes apart its blocks here. Its content lasts
// only for one operation. Main thread only.
inline constexpr std::int32_t kFileBufferSize = 10240;
extern std::array<std::uint8_t, kFileBufferSize> FileBuffer;

// Appends the text of T3Error::Error to what text already holds, cut to its
// capacity: code 1 appends the AD/DA layer's last error text
// (ZRV::ConcatErrorText); 2, 33 and every code without a text of its own
// give "unknow error", spelled as the program always has.
void ErrorText(std::span<char> text);

}  // namespace T3Init
