// The description of the active AD/DA board: the numbers every other module
// reads to convert volts to codes, to size transfers and to check sampling
// intervals, the text of the last board error and the last word written to
// the digital output. ZRV writes them when a board type is chosen or a board
// is opened; every other module only reads them. Main thread only.
#pragma once

#include <cstdint>
#include <span>

namespace ZRVBase {

// The AD/DA board types (one byte; a byte of any other value names none).
using BoardType = std::uint8_t;
inline constexpr BoardType BoardZRV24 = 0;
inline constexpr BoardType BoardZRV28 = 1;
inline constexpr BoardType BoardQRN2400 = 2;
inline constexpr BoardType BoardQRN55 = 3;
inline constexpr BoardType BoardNone = 4;  // while the USB amplifier is selected

// Sets every global below to its start value.
void InitModule();

// name := the board's display name ("ZRV-24", "ZRV-28", "QRN 2400",
// "QRN 5+5", "No AD-Board"). For a type outside 0..4 "???" is appended to
// what name already holds.
void ToInterfaceName(BoardType type, std::span<char> name);

// ---- Board description (start values in brackets) ------------------------

inline constexpr int AdcInputCount = 22;   // AD inputs 0..21
inline constexpr int DacOutputCount = 14;  // DA outputs 0..13

// Codes per volt of each AD input and DA output [3200.0]: 16-bit codes then
// span -10.24 V (code -32768) to 10.2396875 V (code 32767).
extern double AdcUnitsPerVolt[AdcInputCount];
extern double DacUnitsPerVolt[DacOutputCount];

// Voltage ranges [10.2396875 = 10.24 x 32767/32768, -10.24].
extern double MaxInVolts;
extern double MinInVolts;
extern double MaxOutVolts;
extern double MinOutVolts;

extern std::int32_t NumberDacChannels;     // [4]
extern std::int32_t NumberAdcChannels;     // [8]
extern std::int32_t NumberDigOutChannels;  // [1]
extern std::int32_t NumberDigInChannels;   // [1]

// The last board error as ZRV composed it [empty].
extern char ErrorText[256];

extern double SecPerTick;              // one board clock tick [1e-6 s]
extern std::int32_t FIFOLength;        // samples the board FIFO holds [16384]
extern std::uint16_t DigitalOutState;  // last word written to the digital output [0]
extern bool WriteToTermIO;             // board errors also go to the console [TRUE]
extern bool SpinCursor;                // long acquisitions turn the wait cursor [FALSE]
extern double MinSamplingTime;         // shortest sampling interval [5e-6 s]
// Longest interval the board clock runs directly [0.05 s]; ZRV makes longer
// ones by compression.
extern double MaxSamplingTime;

}  // namespace ZRVBase
