#include "platform/Desktop.h"

#include "platform/Backend.h"
#include "platform/MenuDraw.h"
#include "platform/Menus.h"
#include "platform/Png.h"
#include "platform/Screen.h"
#include "platform/Shapes.h"
#include "platform/Windows.h"

#include <algorithm>
#include <array>
#include <vector>

namespace Desktop {

namespace {

Surface::Pixels screen;
Port::GrafPort screenPort;
std::array<Overlay, kOverlaySlots> overlays{};
std::uint64_t overlayChanges = 0;

struct Counts {
  std::uint64_t pixels = 0;
  std::uint64_t windows = 0;
  std::uint64_t menus = 0;
  std::uint64_t overlays = 0;
  friend bool operator==(const Counts&, const Counts&) = default;
};
Counts presented;
bool everPresented = false;

Counts Now() { return Counts{Port::ChangeCount(), Windows::ChangeCount(), Menus::ChangeCount(), overlayChanges}; }

void CopyContent(const Windows::Window* w) {
  const Geometry::Rect content = Windows::ContentRect(w);
  const Geometry::Rect shown = Geometry::SectRect(content, Screen::Bounds());
  const Surface::Pixels& pixels = Windows::PixelsOf(w);
  for (int y = shown.top; y < shown.bottom; ++y) {
    const Surface::Pixel* from = pixels.Row(y - content.top) + (shown.left - content.left);
    std::copy_n(from, Geometry::Width(shown), screen.Row(y) + shown.left);
  }
}

}  // namespace

void InitModule() {
  const Geometry::Rect bounds = Screen::Bounds();
  screen = Surface::Pixels(Geometry::Width(bounds), Geometry::Height(bounds), Surface::kRgbMask);
  Port::InitPort(screenPort, &screen, bounds);
  overlays.fill(nullptr);
  everPresented = false;
}

void Shutdown() {
  overlays.fill(nullptr);
  screen = Surface::Pixels();
}

void SetOverlay(int slot, Overlay draw) {
  if (slot < 0 || slot >= kOverlaySlots) return;
  overlays[static_cast<std::size_t>(slot)] = draw;
  Invalidate();
}

void Invalidate() { ++overlayChanges; }

const Surface::Pixels& Compose() {
  Port::GrafPort* saved = Port::GetPort();
  Port::SetPort(&screenPort);
  Port::PenNormal();
  Port::RGBForeColor(Color::kBlack);
  Port::RGBBackColor(Color::kWhite);
  Port::ClipRect(Port::kWideOpen);
  Shapes::FillRect(Screen::Bounds(), Pattern::kGray);
  std::vector<const Windows::Window*> backToFront;
  for (Windows::Window* w = Windows::FirstWindow(); w != nullptr; w = Windows::NextWindow(w)) {
    if (Windows::IsVisible(w)) backToFront.insert(backToFront.begin(), w);
  }
  for (const Windows::Window* w : backToFront) {
    WindowFrame::Draw(screenPort, Windows::FrameOf(w));
    CopyContent(w);
  }
  MenuDraw::DrawBar(screenPort);
  for (Overlay draw : overlays) {
    if (draw != nullptr) draw(screenPort);
  }
  Port::SetPort(saved);
  return screen;
}

bool SavePNG(std::span<const char> path) { return Png::Save(Compose(), path); }

void Flush() {
  const Backend::Ops* b = Backend::Current();
  if (b == nullptr || b->present == nullptr) return;
  if (everPresented && Now() == presented) return;
  b->present(Compose());
  presented = Now();
  everPresented = true;
}

}  // namespace Desktop
