// libFuzzer target: sequences of terminal operations, with arguments over
// the whole 32-bit range, on a terminal window of any size (down to less
// than one cell) and any font size (0 included), with and without scroll
// bars. Nothing may be drawn or stored outside the grid (the sanitizers
// watch the grid, the window's pixels and the pending buffer), and the
// layout must stay consistent after every operation.
//
// Input: width and height of the window's content (16 bits each, little
// endian), the font size, a flag byte (bit 0: scroll bars), then records of
// an operation byte and two 32-bit arguments.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "foundation/Buffer.h"
#include "platform/UIPlatform.h"
#include "platform/WindowFrame.h"
#include "platform/Windows.h"
#include "platform/headless/Headless.h"
#include "shell/Graphics.h"
#include "shell/MacEnv.h"
#include "shell/ModWindow.h"
#include "shell/ScrollBars.h"
#include "terminal/ANSITerm.h"

namespace {

constexpr std::size_t kHeaderSize = 6;
constexpr std::size_t kRecordSize = 9;
constexpr int kOperations = 38;

std::int32_t Int32(const std::uint8_t* p) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | p[i];
  return static_cast<std::int32_t>(v);
}

// A text of `length` characters (cut to 600) mixing letters, tabs and
// control characters.
void WriteText(ANSITerm::TerminalRecord* t, std::int32_t length) {
  static char text[600];
  const int n = static_cast<int>(static_cast<std::uint32_t>(length) % sizeof text);
  for (int i = 0; i < n; ++i) text[i] = static_cast<char>(i % 7 == 3 ? '\t' : i % 11 == 5 ? '\r' : 'A' + i % 26);
  ANSITerm::Write(t, std::span<const char>(text, static_cast<std::size_t>(n)));
}

void Run(ANSITerm::TerminalRecord* t, int operation, std::int32_t a, std::int32_t b) {
  std::int32_t line = 0;
  std::int32_t column = 0;
  switch (operation) {
    case 0: WriteText(t, a); break;
    case 1: ANSITerm::Update(t); break;
    case 2: ANSITerm::CUP(t, a, b); break;
    case 3: ANSITerm::CUU(t, a); break;
    case 4: ANSITerm::CUD(t, a); break;
    case 5: ANSITerm::CUF(t, a); break;
    case 6: ANSITerm::CUB(t, a); break;
    case 7: ANSITerm::IND(t); break;
    case 8: ANSITerm::RI(t); break;
    case 9: ANSITerm::NEL(t); break;
    case 10: ANSITerm::IL(t, a); break;
    case 11: ANSITerm::DL(t, a); break;
    case 12: ANSITerm::ICH(t, a); break;
    case 13: ANSITerm::DCH(t, a); break;
    case 14: ANSITerm::ECH(t, a); break;
    case 15: ANSITerm::ELb(t); break;
    case 16: ANSITerm::ELc(t); break;
    case 17: ANSITerm::ELe(t); break;
    case 18: ANSITerm::EDb(t); break;
    case 19: ANSITerm::EDe(t); break;
    case 20: ANSITerm::EDc(t); break;
    case 21: ANSITerm::SGR(t, a); break;
    case 22: ANSITerm::DECSTBM(t, a, b); break;
    case 23: ANSITerm::DECKPAM(t); break;
    case 24: ANSITerm::DECKPNM(t); break;
    case 25: ANSITerm::CursorOn(t); break;
    case 26: ANSITerm::CursorOff(t); break;
    case 27: ANSITerm::CursorShow(t); break;
    case 28: ANSITerm::CursorHide(t); break;
    case 29: ANSITerm::InvertCursor(t); break;
    case 30: ANSITerm::BlinkCursor(t); break;
    case 31: ANSITerm::StartMessage(t); break;
    case 32: ANSITerm::EndMessage(t); break;
    case 33: ANSITerm::ClearMessage(t); break;
    case 34: ANSITerm::SetSize(t); break;
    case 35: ANSITerm::GetCUP(t, line, column); break;
    case 36: ANSITerm::CursorShape = a % 2 == 0 ? ANSITerm::kBlockCursor : ANSITerm::kBarCursor; break;
    default: MacEnv::gInBackground = a % 2 != 0; break;
  }
}

void CheckLayout(const ANSITerm::TerminalRecord* t) {
  const bool consistent = t->lines >= 0 && t->columns >= 0 && t->columns <= ANSITerm::kMaxColumns &&
                          t->scrollRegionBottom <= t->lines && t->lineHeight >= 1 && t->characterWidth >= 1 &&
                          t->pendingCount >= 0 && t->pendingCount <= ANSITerm::kPendingSize &&
                          t->cells.size() == static_cast<std::size_t>(t->lines) * t->columns &&
                          t->cellRenditions.size() == t->cells.size();
  if (!consistent) std::abort();
}

bool Start() {
  if (!UIPlatform::InitModule(Headless::Ops(), 640, 480)) return false;
  Buffer::InitModule();
  ScrollBars::InitModule();
  return Graphics::Initialize() && ANSITerm::Initialize();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool started = Start();
  if (!started) std::abort();
  if (size < kHeaderSize) return 0;
  const int width = data[0] | data[1] << 8;
  const int height = data[2] | data[3] << 8;
  ModWindow::WindowParameters p{40, 20, static_cast<std::int16_t>(40 + height % 700),
                                static_cast<std::int16_t>(20 + width % 2100),
                                static_cast<std::int16_t>(Graphics::Courier), 12};
  Graphics::GraphicsWindow window = ModWindow::Create(0, p, WindowFrame::kZoomDocProc, "Fuzz", true, true, true);
  if (window == nullptr) return 0;
  window->fontSize = data[4];
  ANSITerm::TerminalRecord* t = ANSITerm::Create((data[5] & 1) != 0, window);
  if (t == nullptr) std::abort();
  Windows::SetRefCon(t->window, t);
  if (t->hasScrollBars) ScrollBars::Create(t);
  for (std::size_t at = kHeaderSize; at + kRecordSize <= size; at += kRecordSize) {
    Run(t, data[at] % kOperations, Int32(data + at + 1), Int32(data + at + 5));
    CheckLayout(t);
  }
  ANSITerm::Close(t);
  ModWindow::Remove(window);
  MacEnv::gInBackground = false;
  ANSITerm::CursorShape = ANSITerm::kBlockCursor;
  return 0;
}
