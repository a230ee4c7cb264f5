#include "platform/demo/DemoScene.h"

#include "platform/Fonts.h"
#include "platform/Lines.h"
#include "platform/Menus.h"
#include "platform/Port.h"
#include "platform/Shapes.h"
#include "platform/Text.h"
#include "platform/Windows.h"

#include <array>
#include <string>

namespace DemoScene {

using Geometry::Point;
using Geometry::SetRect;

namespace {

void Menu(int id, const char* title, std::initializer_list<const char*> items) {
  Menus::Menu* m = Menus::NewMenu(id, std::string(title));
  for (const char* item : items) Menus::AppendItem(m, std::string(item));
  Menus::InsertMenu(m, 0);
}

void Notebook() {
  Windows::Window* w = Windows::NewWindow(SetRect(16, 48, 336, 248), "Notebook_2024-05-17", true,
                                          WindowFrame::kZoomDocProc, true, true, nullptr);
  Port::SetPort(Windows::GetWindowPort(w));
  Port::TextFont(Fonts::kCourier);
  Port::TextSize(12);
  const std::array<const char*, 9> lines{
      "Mereth: TLV 4 USB on QRN 5+5",   "Board 1: initialized",        "  Cslow  1.02 pF   ok",
      "  Rs     5.10 M\xBD  ok",        "  Gain  10 mV/pA \xB1" "0.1%", "  Tau    2.3 \xB5s",
      "Calibration successful.",       "",                             "Q=abort  S=stop"};
  for (std::size_t i = 0; i < lines.size(); ++i) {
    Port::MoveTo(6, 16 + static_cast<int>(i) * 15);
    Text::DrawString(std::string(lines[i]));
  }
  Port::TextMode(Port::kNotSrcCopy);
  Port::MoveTo(6, 16 + 9 * 15);
  Text::DrawString("> ready ");
  Port::TextMode(Port::kNotSrcXor);
  Text::DrawChar(' ');
  Windows::DrawGrowIcon(w);
}

void Plot() {
  Windows::Window* w = Windows::NewWindow(SetRect(250, 140, 620, 400), "Test Plot", true, WindowFrame::kZoomDocProc,
                                          true, true, nullptr);
  Port::SetPort(Windows::GetWindowPort(w));
  const Geometry::Rect pane = SetRect(40, 10, 360, 200);
  Shapes::FrameRect(pane);
  Pattern::Pat grid;
  Pattern::ListEntry(3, grid);
  Port::PenPat(grid);
  Port::RGBForeColor(Color::kGreen);
  for (int x = pane.left + 40; x < pane.right; x += 40) {
    Port::MoveTo(x, pane.top + 1);
    Lines::LineTo(x, pane.bottom - 2);
  }
  for (int y = pane.top + 38; y < pane.bottom; y += 38) {
    Port::MoveTo(pane.left + 1, y);
    Lines::LineTo(pane.right - 2, y);
  }
  Port::PenNormal();
  Port::RGBForeColor(Color::kBlue);
  Port::MoveTo(pane.left + 1, 105);
  for (int i = 1; i <= 79; ++i) {
    const int x = pane.left + 1 + i * 4;
    const int y = 105 - ((i % 20) < 10 ? (i % 10) * 8 : (10 - i % 10) * 8) + 40;
    Lines::LineTo(x, y);
  }
  Port::RGBForeColor(Color::kRed);
  for (int i = 0; i < 8; ++i) {
    const Point p{pane.left + 20 + i * 40, 60 + (i % 3) * 30};
    Port::MoveTo(p.h - 3, p.v - 3);
    Lines::LineTo(p.h + 3, p.v + 3);
    Port::MoveTo(p.h - 3, p.v + 3);
    Lines::LineTo(p.h + 3, p.v - 3);
  }
  Port::RGBForeColor(Color::kBlack);
  Port::TextFont(Fonts::kHelvetica);
  Port::TextSize(9);
  for (int i = 0; i <= 4; ++i) {
    Port::MoveTo(8, pane.bottom - 2 - i * 38 + 3);
    Text::DrawString(std::to_string(i - 2) + "V");
  }
  Port::TextFont(Fonts::kPaladino);
  Port::TextSize(18);
  Port::MoveTo(44, 228);
  Text::DrawString("Filter response");
  Port::TextFont(Fonts::kHelvetica);
  Port::TextSize(12);
  Port::MoveTo(230, 228);
  Text::DrawString("f = 10 kHz");
  Shapes::FrameRoundRect(SetRect(40, 236, 120, 254), 10, 10);
  Port::MoveTo(62, 250);
  Text::DrawString("Abort");
  Windows::DrawGrowIcon(w);
}

void Dialog() {
  Windows::Window* w = Windows::NewWindow(SetRect(380, 50, 620, 110), "", true, WindowFrame::kDBoxProc, false,
                                          false, nullptr);
  Port::SetPort(Windows::GetWindowPort(w));
  Port::TextFont(Fonts::kHelvetica);
  Port::TextSize(12);
  Port::MoveTo(12, 24);
  Text::DrawString("Amplifier: TLV 4 USB");
  Shapes::FrameOval(SetRect(12, 34, 24, 46));
  Shapes::PaintOval(SetRect(15, 37, 21, 43));
  Port::MoveTo(30, 45);
  Text::DrawString("Use USB");
}

}  // namespace

void Build() {
  Menu(2, "File", {"Save", "Save As...", "Quit"});
  Menu(3, "Edit", {"Undo", "Cut", "Copy", "Paste"});
  Menu(4, "Calibrate", {"Calibrate", "Full Test"});
  Notebook();
  Dialog();
  Plot();
}

}  // namespace DemoScene
