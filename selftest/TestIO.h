// The gated console output of measurements and test steps. Every procedure
// writes through TermIO only while ADMeasure::TestWriteMode is not 0; most
// of them advance the busy cursor first (Mouse::SetWaitOrWatchCursor),
// written or not, so that it moves during long synchronous measurements.
// A line end or a whole line also redraws the console at once, for the
// same reason. Main thread only.
#pragma once

#include <cstdint>
#include <span>

namespace TestIO {

// The last calibration or test error message for the operator; set and
// shown by the calibration procedures, never written here.
extern char ErrorText[128];

// Each advances the cursor.
void WriteRealFixed(double value, int width, int decimals);
void Write(char character);
// Scientific in digits + 7 characters, right-aligned in width; stars when
// it does not fit.
void WriteReal(double value, int width, int digits);
void WriteEngineering(double value, int width, int digits);
void WriteInt(std::int32_t value, int width);
// All 16 bits.
void WriteSet16(std::uint16_t set);
void WriteString(std::span<const char> text);
void WriteLine(std::span<const char> text);

// These two leave the cursor alone.
void WriteLn();
void ClearScreen();

}  // namespace TestIO
