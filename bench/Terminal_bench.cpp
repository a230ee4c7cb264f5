// The console terminal on the headless screen: a full 80 x 50 window
// terminal in Courier 9. Lines per second written the console's way (the
// text, the cursor to the last line, NEL: every line scrolls the whole
// region) against a memmove of the same pixels per line, the least a
// scroll can cost; and a full redraw of the terminal (one run a line)
// against the same glyphs composited by pixman, cell background and glyph
// mask over it.
#include <benchmark/benchmark.h>

#include <pixman.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/Buffer.h"
#include "foundation/platform/Clock.h"
#include "platform/Fonts.h"
#include "platform/UIPlatform.h"
#include "platform/WindowFrame.h"
#include "platform/Windows.h"
#include "platform/headless/Headless.h"
#include "shell/Graphics.h"
#include "shell/ModWindow.h"
#include "terminal/ANSITerm.h"

namespace {

constexpr int kLines = 50;
constexpr int kColumns = 80;
constexpr int kFontSize = 9;

ANSITerm::TerminalRecord* Console() {
  static ANSITerm::TerminalRecord* terminal = [] {
    Platform::UseVirtualClock(0);
    UIPlatform::InitModule(Headless::Ops(), 1280, 1024);
    Buffer::InitModule();
    Graphics::Initialize();
    ANSITerm::Initialize();
    const Fonts::FontInfo info = Fonts::GetFontInfo(Fonts::kCourier, kFontSize, 0);
    const int width = Fonts::GetGlyph(Fonts::kCourier, kFontSize, 0, 'M').advance;
    // Margins: 5 left, 2 right and a pixel, 3 top.
    const int right = 10 + 5 + kColumns * width + 3;
    const int bottom = 40 + 3 + kLines * (info.ascent + info.descent);
    ModWindow::WindowParameters p{40, 10, static_cast<std::int16_t>(bottom), static_cast<std::int16_t>(right),
                                  static_cast<std::int16_t>(Fonts::kCourier), kFontSize};
    Graphics::GraphicsWindow window = ModWindow::Create(0, p, WindowFrame::kDocumentProc, "Console", true, false, true);
    ANSITerm::TerminalRecord* t = ANSITerm::Create(false, window);
    ANSITerm::EDc(t);
    return t;
  }();
  return terminal;
}

std::string LineText(int n) {
  std::string text = "Line " + std::to_string(n) + ": gain 1.0000, tau 20.00 us, offset -0.25 mV ";
  while (static_cast<int>(text.size()) < kColumns) text += static_cast<char>('a' + text.size() % 26);
  return text.substr(0, kColumns);
}

void ConsoleLines(benchmark::State& state) {
  ANSITerm::TerminalRecord* t = Console();
  if (t->lines != kLines || t->columns != kColumns) state.SkipWithError("the terminal is not 80 x 50");
  const std::string text = LineText(7);
  for (auto _ : state) {
    ANSITerm::Write(t, text);
    ANSITerm::Update(t);
    ANSITerm::CUP(t, INT32_MAX, 1);
    ANSITerm::NEL(t);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ConsoleLines);

// The region's pixels moved up by a line height, row by row as a scroll
// must (the window's rows are as wide as the text area).
void MemmovePerLine(benchmark::State& state) {
  ANSITerm::TerminalRecord* t = Console();
  const int width = Geometry::Width(t->textRect);
  const int height = Geometry::Height(t->textRect);
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height, 0x00FFFFFF);
  const std::size_t row = static_cast<std::size_t>(width);
  for (auto _ : state) {
    for (int y = 0; y + t->lineHeight < height; ++y) {
      std::memmove(&pixels[y * row], &pixels[(y + t->lineHeight) * row], row * sizeof(std::uint32_t));
    }
    benchmark::DoNotOptimize(pixels.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(MemmovePerLine);

void FullRedraw(benchmark::State& state) {
  ANSITerm::TerminalRecord* t = Console();
  std::vector<std::string> lines;
  for (int n = 1; n <= kLines; ++n) lines.push_back(LineText(n));
  for (auto _ : state) {
    for (int n = 0; n < kLines; ++n) {
      ANSITerm::CUP(t, n + 1, 1);
      ANSITerm::Write(t, lines[static_cast<std::size_t>(n)]);
      ANSITerm::Update(t);
    }
  }
  state.SetItemsProcessed(state.iterations() * kLines * kColumns);
}
BENCHMARK(FullRedraw);

// The glyph masks of Courier 9 as pixman a8 images, made once.
struct GlyphMask {
  pixman_image_t* image = nullptr;
  int left = 0;
  int top = 0;
  std::vector<std::uint32_t> bits;  // a8 rows padded to 4 bytes
};

GlyphMask& MaskOf(unsigned char c) {
  static std::vector<GlyphMask> masks(256);
  GlyphMask& m = masks[c];
  if (m.image != nullptr) return m;
  const Fonts::Glyph& g = Fonts::GetGlyph(Fonts::kCourier, kFontSize, 0, c);
  const int stride = (g.width + 3) / 4 * 4;
  m.bits.assign(static_cast<std::size_t>(stride) * std::max(g.height, 1) / 4 + 1, 0);
  auto* bytes = reinterpret_cast<std::uint8_t*>(m.bits.data());
  for (int y = 0; y < g.height; ++y) {
    for (int x = 0; x < g.width; ++x) {
      bytes[y * stride + x] = g.bits[static_cast<std::size_t>(y * g.width + x)] != 0 ? 0xFF : 0;
    }
  }
  m.image = pixman_image_create_bits(PIXMAN_a8, std::max(g.width, 1), std::max(g.height, 1), m.bits.data(), stride);
  m.left = g.left;
  m.top = g.top;
  return m;
}

void PixmanRedraw(benchmark::State& state) {
  ANSITerm::TerminalRecord* t = Console();
  const int width = t->right;
  const int height = t->top + kLines * t->lineHeight;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height, 0x00FFFFFF);
  pixman_image_t* screen =
      pixman_image_create_bits(PIXMAN_x8r8g8b8, width, height, pixels.data(), width * static_cast<int>(sizeof(std::uint32_t)));
  const pixman_color_t black{0, 0, 0, 0xFFFF};
  const pixman_color_t white{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
  pixman_image_t* ink = pixman_image_create_solid_fill(&black);
  std::vector<std::string> lines;
  for (int n = 1; n <= kLines; ++n) lines.push_back(LineText(n));
  for (auto _ : state) {
    for (int n = 0; n < kLines; ++n) {
      const int y = t->top + n * t->lineHeight;
      const pixman_box32_t cells{t->left, y, t->left + kColumns * t->characterWidth, y + t->lineHeight};
      pixman_image_fill_boxes(PIXMAN_OP_SRC, screen, &white, 1, &cells);
      for (int c = 0; c < kColumns; ++c) {
        const GlyphMask& m = MaskOf(static_cast<unsigned char>(lines[static_cast<std::size_t>(n)][static_cast<std::size_t>(c)]));
        const int x = t->left + c * t->characterWidth + m.left;
        pixman_image_composite32(PIXMAN_OP_OVER, ink, m.image, screen, 0, 0, 0, 0, x, y + t->ascent - m.top,
                                 pixman_image_get_width(m.image), pixman_image_get_height(m.image));
      }
    }
    benchmark::DoNotOptimize(pixels.data());
  }
  pixman_image_unref(ink);
  pixman_image_unref(screen);
  state.SetItemsProcessed(state.iterations() * kLines * kColumns);
}
BENCHMARK(PixmanRedraw);

}  // namespace
