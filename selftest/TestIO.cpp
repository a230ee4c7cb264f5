#include "selftest/TestIO.h"

#include "acquisition/ADMeasure.h"
#include "foundation/TermIO.h"
#include "shell/Mouse.h"

namespace TestIO {

char ErrorText[128] = "";

namespace {

// Advances the busy cursor and tells whether test output is on.
bool Advance() {
  Mouse::SetWaitOrWatchCursor();
  return ADMeasure::TestWriteMode != 0;
}

}  // namespace

void WriteRealFixed(double value, int width, int decimals) {
  if (Advance()) TermIO::WriteRealFixed(value, width, decimals);
}

void Write(char character) {
  if (Advance()) TermIO::Write(character);
}

void WriteReal(double value, int width, int digits) {
  if (Advance()) TermIO::WriteReal(value, width, digits);
}

void WriteEngineering(double value, int width, int digits) {
  if (Advance()) TermIO::WriteEngineering(value, width, digits);
}

void WriteInt(std::int32_t value, int width) {
  if (Advance()) TermIO::WriteInt(value, width);
}

void WriteSet16(std::uint16_t set) {
  if (Advance()) TermIO::WriteSet16(set, 16);
}

void WriteString(std::span<const char> text) {
  if (Advance()) TermIO::WriteString(text);
}

void WriteLine(std::span<const char> text) {
  if (!Advance()) return;
  TermIO::WriteLine(text);
  TermIO::ForceUpdate();
}

void WriteLn() {
  if (ADMeasure::TestWriteMode == 0) return;
  TermIO::WriteLn();
  TermIO::ForceUpdate();
}

void ClearScreen() {
  if (ADMeasure::TestWriteMode != 0) TermIO::ClearScreen();
}

}  // namespace TestIO
