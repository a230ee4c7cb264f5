#include "foundation/TermIO.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <climits>
#include <cstdint>
#include <mutex>
#include <thread>

#include "foundation/BufferText.h"
#include "foundation/Decode.h"
#include "foundation/RealTime.h"
#include "foundation/Strings.h"
#include "foundation/platform/Host.h"
#include "shell/Shell.h"
#include "terminal/ANSITerm.h"
#include "terminal/EditState.h"

namespace TermIO {

char BufferString[256] = "";
bool NewLine = true;
bool Written = false;

namespace {

constexpr char kSeparatorRecord[] =
    " (* ------------------------------------------------------------ *) ";
constexpr int kWorkSize = 80;
constexpr int kTimeSize = 32;

// ---- The main thread's console ---------------------------------------------

// Puts the terminal cursor at the start of a fresh bottom line.
void BottomOfScreen() {
  ANSITerm::TerminalRecord* console = EditState::ListConsole;
  if (console == nullptr) return;
  ANSITerm::CUP(console, INT32_MAX, 1);
  ANSITerm::NEL(console);
}

void Put(std::span<const char> text) {
  if (NewLine) BottomOfScreen();
  Strings::Concat(BufferString, text);
  if (EditState::ListConsole != nullptr) {
    ANSITerm::Write(EditState::ListConsole, text);
    ANSITerm::Update(EditState::ListConsole);
  }
  Written = true;
  NewLine = false;
}

// The line feed after a non-empty line is made by the next output, so that
// the last line of the window is never left empty.
void EndLine() {
  BufferText::Append(Shell::List, BufferString);
  Strings::Clear(BufferString);
  if (NewLine) BottomOfScreen();
  Written = true;
  NewLine = true;
}

void FlushLine() {
  if (BufferString[0] != 0) BufferText::Append(Shell::List, BufferString);
  Strings::Clear(BufferString);
  Written = false;
  NewLine = true;
}

void Highlight(bool on) {
  ANSITerm::SGR(EditState::Console, on ? ANSITerm::kHighlight : ANSITerm::kNormal);
}

void AlertLine(std::span<const char> text) {
  FlushLine();
  Highlight(true);
  Put(text);
  EndLine();
  Highlight(false);
  Platform::Sys_Beep(1);
}

void Clear() {
  BufferText::Append(Shell::List, BufferString);
  Strings::Clear(BufferString);
  BufferText::Append(Shell::List, kSeparatorRecord);
  if (EditState::ListConsole != nullptr) ANSITerm::EDc(EditState::ListConsole);
  Written = true;
  NewLine = true;
}

// ---- Lines of other threads --------------------------------------------------

enum class Kind : std::uint8_t { Line, HighlightedLine, AlertLine, Clear };

struct QueuedLine {
  Kind kind;
  char text[256];
};

constexpr int kQueueSize = 256;

std::atomic<std::thread::id> mainThread{};
std::mutex queueMutex;
QueuedLine queue[kQueueSize];
int queueFirst = 0;
int queueCount = 0;
std::uint32_t lostLines = 0;
std::atomic<bool> anyQueued{false};
bool delivering = false;

// The line being gathered on this (non-main) thread.
thread_local char threadLine[256] = "";
thread_local bool threadHighlight = false;

bool OnOtherThread() {
  const std::thread::id main = mainThread.load(std::memory_order_relaxed);
  return main != std::thread::id() && main != std::this_thread::get_id();
}

void Enqueue(Kind kind, std::span<const char> text) {
  std::lock_guard<std::mutex> lock(queueMutex);
  if (queueCount == kQueueSize) {
    ++lostLines;
    return;
  }
  QueuedLine& entry = queue[(queueFirst + queueCount) % kQueueSize];
  entry.kind = kind;
  Strings::Assign(entry.text, text);
  ++queueCount;
  anyQueued.store(true, std::memory_order_release);
}

void QueueThreadLine() {
  Enqueue(threadHighlight ? Kind::HighlightedLine : Kind::Line, threadLine);
  Strings::Clear(threadLine);
}

bool Dequeue(QueuedLine& entry) {
  std::lock_guard<std::mutex> lock(queueMutex);
  if (queueCount == 0) {
    anyQueued.store(false, std::memory_order_relaxed);
    return false;
  }
  entry = queue[queueFirst];
  queueFirst = (queueFirst + 1) % kQueueSize;
  --queueCount;
  return true;
}

std::uint32_t TakeLost() {
  std::lock_guard<std::mutex> lock(queueMutex);
  const std::uint32_t lost = lostLines;
  lostLines = 0;
  return lost;
}

void ShowLost(std::uint32_t lost) {
  char line[kWorkSize] = "TermIO: ";
  Decode::Cardinal(lost, line, 0);
  Strings::Concat(line, " console lines of another thread lost");
  Put(line);
  EndLine();
}

// Shows the queued lines; called by the main thread at the start of a line.
void Deliver() {
  if (delivering || !anyQueued.load(std::memory_order_acquire)) return;
  delivering = true;
  QueuedLine entry;
  while (Dequeue(entry)) {
    switch (entry.kind) {
      case Kind::Line:
        Put(entry.text);
        EndLine();
        break;
      case Kind::HighlightedLine:
        Highlight(true);
        Put(entry.text);
        EndLine();
        Highlight(false);
        break;
      case Kind::AlertLine:
        AlertLine(entry.text);
        break;
      case Kind::Clear:
        Clear();
        break;
    }
  }
  // Lines dropped from a full queue came after all that were queued.
  if (const std::uint32_t lost = TakeLost(); lost > 0) ShowLost(lost);
  delivering = false;
}

void Blanks(std::span<char> text, int count) {
  int length = Strings::Length(text);
  for (; count > 0 && length + 1 < static_cast<int>(text.size()); --count) {
    text[length++] = ' ';
    text[length] = 0;
  }
}

}  // namespace

void InitModule() {
  Strings::Clear(BufferString);
  NewLine = true;
  Written = false;
  mainThread.store(std::this_thread::get_id(), std::memory_order_relaxed);
  std::lock_guard<std::mutex> lock(queueMutex);
  queueFirst = 0;
  queueCount = 0;
  lostLines = 0;
  anyQueued.store(false, std::memory_order_relaxed);
}

void WriteString(std::span<const char> text) {
  if (OnOtherThread()) {
    Strings::Concat(threadLine, text);
    return;
  }
  if (NewLine) Deliver();
  Put(text);
}

void Write(char character) {
  const char text[2] = {character, 0};
  WriteString(text);
}

void WriteLn() {
  if (OnOtherThread()) {
    QueueThreadLine();
    return;
  }
  EndLine();
  Deliver();
}

void WriteLine(std::span<const char> text) {
  WriteString(text);
  WriteLn();
}

void WriteBoolean(bool value) { WriteString(value ? " TRUE" : "FALSE"); }

void WriteInt(std::int32_t value, int width) {
  char text[kWorkSize] = "";
  Decode::Integer(value, text, width);
  WriteString(text);
}

void WriteCard(std::uint32_t value, int width) {
  char text[kWorkSize] = "";
  Decode::Cardinal(value, text, width);
  WriteString(text);
}

void WriteAddress(const void* address, int width) {
  const auto value = reinterpret_cast<std::uintptr_t>(address);
  if (value <= UINT32_MAX) {
    WriteCard(static_cast<std::uint32_t>(value), width);
    return;
  }
  // Addresses above 32 bits are written whole rather than cut.
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits - 1, value).ptr;
  *end = 0;
  char text[kWorkSize] = "";
  Blanks(text, width - static_cast<int>(end - digits));
  Strings::Concat(text, digits);
  WriteString(text);
}

void WriteHex(std::uint32_t value, int width) {
  int digits = 1;
  for (std::uint32_t rest = value >> 4; rest != 0; rest >>= 4) ++digits;
  char text[kWorkSize] = "";
  Decode::Hexadecimal(value, text, width > digits ? width : digits);
  WriteString(text);
}

void WriteReal(double value, int width, int digits) {
  char text[kWorkSize] = "";
  const int field = digits + 7;
  if (width < field) {
    const int stars = std::clamp(width, 0, kWorkSize - 1);
    std::fill_n(text, stars, '*');
    text[stars] = 0;
  } else {
    Blanks(text, width - field);
    Decode::Scientific(value, text, field);
  }
  WriteString(text);
}

void WriteRealFixed(double value, int width, int decimals) {
  char text[kWorkSize] = "";
  Decode::Fixed(value, text, width, decimals);
  WriteString(text);
}

void WriteEngineering(double value, int total, int width) {
  char text[kWorkSize] = "";
  Blanks(text, total - width);
  Decode::Engineering(value, text, width);
  WriteString(text);
}

void WriteSet16(std::uint16_t set, int bits) {
  char text[kWorkSize] = "";
  Decode::Set16(set, text, bits, bits);
  WriteString(text);
}

void WriteSet32(std::uint32_t set, int bits) {
  char text[kWorkSize] = "";
  Decode::Set32(set, text, bits, bits);
  WriteString(text);
}

void WriteTime(double time) {
  char text[kTimeSize] = "";
  RealTime::ToTime(time, text, true);
  WriteString(text);
}

void WriteDate(double time) {
  char text[kTimeSize] = "";
  RealTime::ToDate(time, text, true, true);
  WriteString(text);
}

void WriteAlertLine(std::span<const char> text) {
  if (OnOtherThread()) {
    if (threadLine[0] != 0) QueueThreadLine();
    Enqueue(Kind::AlertLine, text);
    return;
  }
  AlertLine(text);
  Deliver();
}

void SetHighlight(bool on) {
  if (OnOtherThread()) {
    threadHighlight = on;
    return;
  }
  Highlight(on);
}

void Flush() {
  if (OnOtherThread()) {
    if (threadLine[0] != 0) QueueThreadLine();
    return;
  }
  FlushLine();
  Deliver();
}

void ForceUpdate() {
  if (OnOtherThread()) return;
  // The headless console draws into its cells at once, so bringing it up to
  // date means showing what other threads have queued.
  if (NewLine) Deliver();
}

void ClearScreen() {
  if (OnOtherThread()) {
    if (threadLine[0] != 0) QueueThreadLine();
    Enqueue(Kind::Clear, "");
    return;
  }
  Clear();
  Deliver();
}

}  // namespace TermIO
