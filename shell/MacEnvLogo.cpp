// The start-up logo and the about box: one window without a title bar,
// made once and then only shown and hidden until shut-down disposes of it.
// All coordinates are design units, scaled by MacEnv::ScreenFactor; text
// sizes by MacEnv::FontFactor.
#include "foundation/Strings.h"
#include "platform/Color.h"
#include "platform/Events.h"
#include "platform/Fonts.h"
#include "platform/Port.h"
#include "platform/Shapes.h"
#include "platform/Text.h"
#include "platform/Windows.h"
#include "shell/MacEnv.h"
#include "shell/ModSound.h"
#include "shell/Mouse.h"
#include "shell/Shell.h"
#include "terminal/ANSIBase.h"
#include "terminal/ANSITerm.h"

#include <cmath>
#include <cstring>

namespace MacEnv {

Windows::Window* LogoWindowPtr = nullptr;
bool LogoShown = false;
bool LogoSuppressed = false;
char LogoMessage[80] = "";

namespace {

constexpr Geometry::Rect kLogoBounds = Geometry::SetRect(140, 102, 468, 344);
constexpr Geometry::Rect kMessageStrip = Geometry::SetRect(0, 201, 324, 230);
constexpr Geometry::Rect kOkButton = Geometry::SetRect(124, 211, 204, 230);
constexpr Geometry::Point kGraphicOffset{11, 94};

// The graphic: an amplifier's triangle over a row of bars, as a level
// meter would show them.
constexpr Geometry::Rect kBars[] = {
    Geometry::SetRect(0, 70, 14, 100),  Geometry::SetRect(20, 55, 34, 100),
    Geometry::SetRect(40, 40, 54, 100), Geometry::SetRect(60, 55, 74, 100),
    Geometry::SetRect(80, 70, 94, 100), Geometry::SetRect(0, 102, 120, 106),
};
constexpr Geometry::Point kTriangle[] = {{0, 0}, {50, 22}, {0, 44}};
constexpr Geometry::Point kArrow[] = {{70, 14}, {120, 14}, {120, 4}, {134, 22}, {120, 40}, {120, 30}, {70, 30}};

struct ContactLine {
  int h;
  int v;
  const char* text;
};
constexpr ContactLine kContact[] = {
    {148, 103, "Calibration and self-test"},
    {148, 117, "of clamp amplifiers"},
    {148, 136, "Amp"},
    {192, 136, "TLV 3, TLV 4, TLV 6"},
    {148, 150, "AD/DA"},
    {192, 150, "ZRV, QRN"},
    {148, 164, "Log"},
    {192, 164, "the notebook List"},
    {148, 183, "Help"},
    {192, 183, "see the README"},
    {148, 197, "Mereth is free software."},
};

int Scaled(int value) { return static_cast<int>(std::lround(value * ScreenFactor)); }
int FontSize(int size) { return static_cast<int>(std::lround(size * FontFactor)); }
Geometry::Rect Scaled(const Geometry::Rect& r) {
  return Geometry::SetRect(Scaled(r.left), Scaled(r.top), Scaled(r.right), Scaled(r.bottom));
}
Geometry::Point Scaled(Geometry::Point p) { return Geometry::Point{Scaled(p.h), Scaled(p.v)}; }

void DrawAt(int h, int v, std::span<const char> text) {
  Port::MoveTo(Scaled(h), Scaled(v));
  Text::DrawString(text);
}

// Shows and selects the window, creating it first unless suppressed.
bool CreateOrShow() {
  if (LogoWindowPtr != nullptr) {
    Windows::ShowWindow(LogoWindowPtr);
    Windows::SelectWindow(LogoWindowPtr);
  } else if (!LogoSuppressed) {
    LogoWindowPtr = Windows::NewWindow(Scaled(kLogoBounds), "About", true, WindowFrame::kDBoxProc, true, false,
                                       nullptr);
  }
  LogoShown = LogoWindowPtr != nullptr;
  return LogoShown;
}

void DrawGraphic() {
  Port::RGBForeColor(Color::kBlue);
  const auto place = [](Geometry::Point p) {
    return Scaled(Geometry::Point{p.h + kGraphicOffset.h, p.v + kGraphicOffset.v});
  };
  for (const Geometry::Rect& bar : kBars) {
    const Geometry::Point topLeft = place({bar.left, bar.top});
    const Geometry::Point bottomRight = place({bar.right, bar.bottom});
    Shapes::PaintRect(Geometry::SetRect(topLeft.h, topLeft.v, bottomRight.h, bottomRight.v));
  }
  const auto paint = [&](std::span<const Geometry::Point> shape) {
    Geometry::Point points[8];
    for (std::size_t i = 0; i < shape.size(); ++i) points[i] = place(shape[i]);
    Shapes::PaintPoly(std::span<const Geometry::Point>(points, shape.size()));
  };
  paint(kTriangle);
  paint(kArrow);
}

void DrawLogo() {
  DrawGraphic();
  Port::TextMode(Port::kSrcCopy);
  Port::TextFont(Fonts::kGeneva);
  Port::TextSize(FontSize(18));
  Port::RGBForeColor(Color::kBlue);
  DrawAt(10, 24, LongName);
  Port::TextSize(FontSize(12));
  Port::RGBForeColor(Color::kRed);
  DrawAt(10, 62, Version);
  DrawAt(10, 80, "For the TLV amplifiers and their interfaces");
  Port::RGBForeColor(Color::kBlack);
  for (const ContactLine& line : kContact) DrawAt(line.h, line.v, std::span<const char>(line.text, std::strlen(line.text) + 1));
}

void DrawOkButton() {
  Port::RGBForeColor(Color::kBlack);
  const Geometry::Rect button = Scaled(kOkButton);
  Shapes::FrameRoundRect(button, 10, 10);
  const Geometry::Rect outline = Geometry::SetRect(button.left - 4, button.top - 4, button.right + 4, button.bottom + 4);
  Port::PenSize(3, 3);
  Shapes::FrameRoundRect(outline, 16, 16);
  Port::PenSize(1, 1);
  Port::TextFont(Fonts::kGeneva);
  const Fonts::FontInfo info = Text::GetFontInfo();
  const int width = Text::StringWidth("OK");
  Port::MoveTo((outline.left + outline.right - width) / 2,
               (outline.top + outline.bottom + info.ascent - info.descent) / 2);
  Text::DrawString("OK");
}

// Draws in the logo window and gives the port back.
template <typename Drawing>
void InLogoWindow(Drawing draw) {
  Port::GrafPort* const saved = Port::GetPort();
  Port::SetPort(Windows::GetWindowPort(LogoWindowPtr));
  draw();
  Port::SetPort(saved);
}

}  // namespace

void ShowLogo(std::span<const char> message) {
  if (!CreateOrShow()) return;
  Strings::Assign(LogoMessage, message);
  InLogoWindow([] {
    DrawLogo();
    Shapes::EraseRect(Scaled(kMessageStrip));
    Port::RGBForeColor(Color::kBlue);
    DrawAt(10, 224, LogoMessage);
  });
}

void MarkLogo(char character) {
  if (!LogoShown) return;
  InLogoWindow([character] {
    Port::TextFont(Fonts::kGeneva);
    Port::TextMode(Port::kSrcCopy);
    DrawAt(270, 224, "  ");
    const char mark[2] = {character, '\0'};
    DrawAt(274, 224, mark);
  });
}

void HideLogo() {
  if (LogoWindowPtr != nullptr) Windows::HideWindow(LogoWindowPtr);
  LogoShown = false;
}

void UpdateLogo() {
  if (LogoShown) ShowLogo(LogoMessage);
}

void DisposeLogo() {
  Windows::DisposeWindow(LogoWindowPtr);
  LogoWindowPtr = nullptr;
  LogoShown = false;
}

void AboutLogo() {
  HideLogo();
  if (!CreateOrShow()) return;
  const int cursor = Mouse::GetCursorShape();
  const auto drawBox = [] {
    InLogoWindow([] {
      DrawLogo();
      Shapes::EraseRect(Scaled(kMessageStrip));
      DrawOkButton();
    });
  };
  drawBox();
  ModSound::Off();
  Mouse::SetArrowCursor();
  Mouse::WaitButtonUp();
  // Without a console there is nothing to read the closing key from.
  for (bool open = Shell::RootTerminal != nullptr; open && !Terminated;) {
    int code = ANSIBase::KeyNone;
    char character = 0;
    ANSITerm::Input(Shell::RootTerminal, character, code);
    const bool ofLogo = ANSITerm::ActiveWindow() == LogoWindowPtr;
    if (code >= ANSIBase::KeyCharacter && code <= ANSIBase::KeyMouse) {
      open = false;
    } else if (code == ANSIBase::KeyUpdate) {
      if (ofLogo) drawBox();
    } else if (code == ANSIBase::KeyWindow) {
      open = ofLogo;
    } else if (code == ANSIBase::KeyMenu || code == ANSIBase::KeyOSEvent) {
      open = false;
    }
  }
  Mouse::SetCursorShape(cursor);
  ANSITerm::Flush();
  HideLogo();
}

}  // namespace MacEnv
