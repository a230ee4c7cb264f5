#include "platform/Text.h"

#include "platform/Picture.h"
#include "platform/Port.h"
#include "platform/Render.h"

#include <algorithm>

namespace Text {

namespace {

std::span<const char> UpToNul(std::span<const char> text) {
  const auto end = std::find(text.begin(), text.end(), '\0');
  return text.first(static_cast<std::size_t>(end - text.begin()));
}

int Width(const Port::GrafPort& port, std::span<const char> chars) {
  int w = 0;
  for (char c : chars) {
    w += Fonts::GetGlyph(port.txFont, port.txSize, port.txFace, static_cast<unsigned char>(c)).advance;
  }
  return w;
}

// Pictures take runs of at most 255 characters.
constexpr std::size_t kPictureRun = 255;

}  // namespace

void DrawChar(unsigned char c) {
  const char ch = static_cast<char>(c);
  DrawText(std::span<const char>(&ch, 1));
}

void DrawText(std::span<const char> chars) {
  Port::GrafPort* port = Port::GetPort();
  if (port == nullptr || chars.empty()) return;
  if (port->picture != nullptr) {
    for (std::size_t i = 0; i < chars.size(); i += kPictureRun) {
      const auto run = chars.subspan(i, std::min(kPictureRun, chars.size() - i));
      Picture::RecordText(*port, port->pnLoc, run);
      port->pnLoc.h += Width(*port, run);
    }
    return;
  }
  const Fonts::FontInfo info = Fonts::GetFontInfo(port->txFont, port->txSize, port->txFace);
  const int baseline = port->pnLoc.v;
  const int start = port->pnLoc.h;
  int x = start;
  for (char ch : chars) {
    const Fonts::Glyph& g =
        Fonts::GetGlyph(port->txFont, port->txSize, port->txFace, static_cast<unsigned char>(ch));
    const Geometry::Rect cell = Geometry::SetRect(x, baseline - info.ascent, x + g.advance, baseline + info.descent);
    const Render::Bitmap image{Geometry::Point{x + g.left, baseline - g.top}, g.width, g.height, g.bits.data()};
    Render::Masked(*port, cell, image, port->txMode);
    x += g.advance;
  }
  if ((port->txFace & Port::kUnderline) != 0 && x > start) {
    // The underline is ink: it follows the 1-bit rule of the text mode.
    Render::Patterned(*port, {Render::Span{baseline + 1, start, x}}, port->txMode, Pattern::kBlack);
  }
  port->pnLoc.h = x;
}

void DrawString(std::span<const char> text) { DrawText(UpToNul(text)); }

int CharWidth(unsigned char c) {
  const char ch = static_cast<char>(c);
  return TextWidth(std::span<const char>(&ch, 1));
}

int TextWidth(std::span<const char> chars) {
  const Port::GrafPort* port = Port::GetPort();
  return port == nullptr ? 0 : Width(*port, chars);
}

int StringWidth(std::span<const char> text) { return TextWidth(UpToNul(text)); }

Fonts::FontInfo GetFontInfo() {
  const Port::GrafPort* port = Port::GetPort();
  return port == nullptr ? Fonts::FontInfo{} : Fonts::GetFontInfo(port->txFont, port->txSize, port->txFace);
}

}  // namespace Text
