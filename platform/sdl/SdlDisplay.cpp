#include "platform/sdl/SdlDisplay.h"

#include "platform/AppleEvents.h"
#include "platform/Input.h"
#include "platform/KeyCodes.h"
#include "platform/MacRoman.h"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace SdlDisplay {

namespace {

SDL_Window* window = nullptr;
SDL_Cursor* cursor = nullptr;
SDL_AudioDeviceID audio = 0;

// The key whose text input is awaited, and whether it repeats.
int pendingKey = -1;
bool pendingRepeat = false;

struct Position {
  SDL_Scancode scancode;
  int virtualKey;
};

constexpr Position kPositions[] = {
    {SDL_SCANCODE_A, 0}, {SDL_SCANCODE_S, 1}, {SDL_SCANCODE_D, 2}, {SDL_SCANCODE_F, 3},
    {SDL_SCANCODE_H, 4}, {SDL_SCANCODE_G, 5}, {SDL_SCANCODE_Z, 6}, {SDL_SCANCODE_X, 7},
    {SDL_SCANCODE_C, 8}, {SDL_SCANCODE_V, 9}, {SDL_SCANCODE_B, 11}, {SDL_SCANCODE_Q, 12},
    {SDL_SCANCODE_W, 13}, {SDL_SCANCODE_E, 14}, {SDL_SCANCODE_R, 15}, {SDL_SCANCODE_Y, 16},
    {SDL_SCANCODE_T, 17}, {SDL_SCANCODE_1, 18}, {SDL_SCANCODE_2, 19}, {SDL_SCANCODE_3, 20},
    {SDL_SCANCODE_4, 21}, {SDL_SCANCODE_6, 22}, {SDL_SCANCODE_5, 23}, {SDL_SCANCODE_EQUALS, 24},
    {SDL_SCANCODE_9, 25}, {SDL_SCANCODE_7, 26}, {SDL_SCANCODE_MINUS, 27}, {SDL_SCANCODE_8, 28},
    {SDL_SCANCODE_0, 29}, {SDL_SCANCODE_RIGHTBRACKET, 30}, {SDL_SCANCODE_O, 31}, {SDL_SCANCODE_U, 32},
    {SDL_SCANCODE_LEFTBRACKET, 33}, {SDL_SCANCODE_I, 34}, {SDL_SCANCODE_P, 35},
    {SDL_SCANCODE_RETURN, KeyCodes::kReturn}, {SDL_SCANCODE_L, 37}, {SDL_SCANCODE_J, 38},
    {SDL_SCANCODE_APOSTROPHE, 39}, {SDL_SCANCODE_K, 40}, {SDL_SCANCODE_SEMICOLON, 41},
    {SDL_SCANCODE_BACKSLASH, 42}, {SDL_SCANCODE_COMMA, 43}, {SDL_SCANCODE_SLASH, 44}, {SDL_SCANCODE_N, 45},
    {SDL_SCANCODE_M, 46}, {SDL_SCANCODE_PERIOD, 47}, {SDL_SCANCODE_TAB, KeyCodes::kTab},
    {SDL_SCANCODE_SPACE, KeyCodes::kSpace}, {SDL_SCANCODE_GRAVE, 50},
    {SDL_SCANCODE_BACKSPACE, KeyCodes::kDelete}, {SDL_SCANCODE_ESCAPE, KeyCodes::kEscape},
    {SDL_SCANCODE_LCTRL, KeyCodes::kCommand}, {SDL_SCANCODE_RCTRL, KeyCodes::kCommand},
    {SDL_SCANCODE_LSHIFT, KeyCodes::kShift}, {SDL_SCANCODE_RSHIFT, KeyCodes::kRightShift},
    {SDL_SCANCODE_CAPSLOCK, KeyCodes::kCapsLock}, {SDL_SCANCODE_LALT, KeyCodes::kOption},
    {SDL_SCANCODE_RALT, KeyCodes::kRightOption}, {SDL_SCANCODE_LGUI, KeyCodes::kControl},
    {SDL_SCANCODE_RGUI, KeyCodes::kRightControl}, {SDL_SCANCODE_KP_PERIOD, KeyCodes::kKeypadDecimal},
    {SDL_SCANCODE_KP_MULTIPLY, KeyCodes::kKeypadMultiply}, {SDL_SCANCODE_KP_PLUS, KeyCodes::kKeypadPlus},
    {SDL_SCANCODE_NUMLOCKCLEAR, KeyCodes::kKeypadClear}, {SDL_SCANCODE_KP_DIVIDE, KeyCodes::kKeypadDivide},
    {SDL_SCANCODE_KP_ENTER, KeyCodes::kKeypadEnter}, {SDL_SCANCODE_KP_MINUS, KeyCodes::kKeypadMinus},
    {SDL_SCANCODE_KP_EQUALS, KeyCodes::kKeypadEquals}, {SDL_SCANCODE_KP_0, KeyCodes::kKeypad0},
    {SDL_SCANCODE_KP_1, KeyCodes::kKeypad0 + 1}, {SDL_SCANCODE_KP_2, KeyCodes::kKeypad0 + 2},
    {SDL_SCANCODE_KP_3, KeyCodes::kKeypad0 + 3}, {SDL_SCANCODE_KP_4, KeyCodes::kKeypad0 + 4},
    {SDL_SCANCODE_KP_5, KeyCodes::kKeypad0 + 5}, {SDL_SCANCODE_KP_6, KeyCodes::kKeypad0 + 6},
    {SDL_SCANCODE_KP_7, KeyCodes::kKeypad0 + 7}, {SDL_SCANCODE_KP_8, KeyCodes::kKeypad8},
    {SDL_SCANCODE_KP_9, KeyCodes::kKeypad9}, {SDL_SCANCODE_F1, KeyCodes::kF1}, {SDL_SCANCODE_F2, KeyCodes::kF2},
    {SDL_SCANCODE_F3, KeyCodes::kF3}, {SDL_SCANCODE_F4, KeyCodes::kF4}, {SDL_SCANCODE_F5, KeyCodes::kF5},
    {SDL_SCANCODE_F6, KeyCodes::kF6}, {SDL_SCANCODE_F7, KeyCodes::kF7}, {SDL_SCANCODE_F8, KeyCodes::kF8},
    {SDL_SCANCODE_F9, KeyCodes::kF9}, {SDL_SCANCODE_F10, KeyCodes::kF10}, {SDL_SCANCODE_F11, KeyCodes::kF11},
    {SDL_SCANCODE_F12, KeyCodes::kF12}, {SDL_SCANCODE_F13, KeyCodes::kF13}, {SDL_SCANCODE_F14, KeyCodes::kF14},
    {SDL_SCANCODE_F15, KeyCodes::kF15}, {SDL_SCANCODE_HELP, KeyCodes::kHelp}, {SDL_SCANCODE_HOME, KeyCodes::kHome},
    {SDL_SCANCODE_PAGEUP, KeyCodes::kPageUp}, {SDL_SCANCODE_DELETE, KeyCodes::kForwardDelete},
    {SDL_SCANCODE_END, KeyCodes::kEnd}, {SDL_SCANCODE_PAGEDOWN, KeyCodes::kPageDown},
    {SDL_SCANCODE_LEFT, KeyCodes::kLeftArrow}, {SDL_SCANCODE_RIGHT, KeyCodes::kRightArrow},
    {SDL_SCANCODE_DOWN, KeyCodes::kDownArrow}, {SDL_SCANCODE_UP, KeyCodes::kUpArrow},
};

int VirtualKey(SDL_Scancode scancode) {
  for (const Position& p : kPositions) {
    if (p.scancode == scancode) return p.virtualKey;
  }
  return -1;
}

// Decodes one UTF-8 character; advances the pointer.
char32_t NextCodePoint(const char*& p) {
  const auto c = static_cast<unsigned char>(*p++);
  if (c < 0x80) return c;
  int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : 1;
  char32_t u = c & (0x3F >> extra);
  while (extra-- > 0 && (static_cast<unsigned char>(*p) & 0xC0) == 0x80) u = (u << 6) | (static_cast<unsigned char>(*p++) & 0x3F);
  return u;
}

void KeyDown(const SDL_KeyboardEvent& k) {
  const int vk = VirtualKey(k.keysym.scancode);
  if (vk < 0) return;
  if (KeyCodes::ModifierBit(vk) != 0) {
    if (k.repeat == 0) Input::Key(vk, 0, true, false);
    return;
  }
  const unsigned char special = KeyCodes::SpecialCharacter(vk);
  const int held = Input::Modifiers();
  if (special != 0) {
    Input::Key(vk, special, true, k.repeat != 0);
    pendingKey = -1;
    return;
  }
  if ((held & (EventQueue::kCmdKey | EventQueue::kControlKey)) != 0) {
    // No text comes with command or control: the key's own character does.
    const SDL_Keycode sym = k.keysym.sym;
    unsigned char c = sym >= 0 && sym < 0x80 ? static_cast<unsigned char>(sym) : 0;
    if ((held & EventQueue::kShiftKey) != 0 && c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
    if ((held & EventQueue::kCmdKey) == 0 && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) c &= 0x1F;
    Input::Key(vk, c, true, k.repeat != 0);
    pendingKey = -1;
    return;
  }
  pendingKey = vk;
  pendingRepeat = k.repeat != 0;
}

void KeyUp(const SDL_KeyboardEvent& k) {
  const int vk = VirtualKey(k.keysym.scancode);
  if (vk >= 0) Input::Key(vk, 0, false, false);
}

void TextInput(const char* text) {
  for (const char* p = text; *p != '\0';) {
    unsigned char c = 0;
    if (!MacRoman::FromUnicode(NextCodePoint(p), c)) continue;
    Input::Key(pendingKey >= 0 ? pendingKey : 0, c, true, pendingRepeat);
  }
  pendingKey = -1;
}

void Translate(const SDL_Event& e) {
  switch (e.type) {
    case SDL_MOUSEMOTION:
      Input::MouseMoved(Geometry::Point{e.motion.x, e.motion.y});
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      if (e.button.button != SDL_BUTTON_LEFT) break;
      Input::MouseMoved(Geometry::Point{e.button.x, e.button.y});
      Input::MouseButton(e.type == SDL_MOUSEBUTTONDOWN);
      break;
    case SDL_KEYDOWN:
      KeyDown(e.key);
      break;
    case SDL_KEYUP:
      KeyUp(e.key);
      break;
    case SDL_TEXTINPUT:
      TextInput(e.text.text);
      break;
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) Input::Focus(true);
      if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) Input::Focus(false);
      // The window surface still holds the last screen: show it again.
      if (e.window.event == SDL_WINDOWEVENT_EXPOSED) SDL_UpdateWindowSurface(window);
      break;
    case SDL_QUIT:
      AppleEvents::PostQuit();
      break;
    case SDL_DROPFILE:
      if (e.drop.file != nullptr) {
        AppleEvents::PostOpenDocument(std::span<const char>(e.drop.file, SDL_strlen(e.drop.file)));
        SDL_free(e.drop.file);
      }
      break;
    default:
      break;
  }
}

bool OpenDisplay(int width, int height) {
  // The screen is drawn into the window's own surface. Left to itself, SDL
  // would back that surface with a GL texture on X11 and, to get it, swap
  // the window for a new one on the first frame: a close asked of the
  // first window would be lost.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return false;
  window = SDL_CreateWindow("Mereth", 0, 0, width, height, SDL_WINDOW_SHOWN);
  if (window == nullptr) {
    SDL_Quit();
    return false;
  }
  SDL_EventState(SDL_DROPFILE, SDL_ENABLE);
  SDL_StartTextInput();
  return true;
}

void CloseDisplay() {
  if (audio != 0) SDL_CloseAudioDevice(audio);
  audio = 0;
  if (cursor != nullptr) SDL_FreeCursor(cursor);
  cursor = nullptr;
  if (window != nullptr) SDL_DestroyWindow(window);
  window = nullptr;
  SDL_Quit();
}

Backend::WaitResult WaitInput(double seconds) {
  SDL_Event e;
  const int ms = static_cast<int>(std::ceil(std::max(0.0, seconds) * 1000.0));
  const bool got = ms > 0 ? SDL_WaitEventTimeout(&e, ms) != 0 : SDL_PollEvent(&e) != 0;
  if (!got) return Backend::WaitResult::kTimeout;
  Translate(e);
  while (SDL_PollEvent(&e) != 0) Translate(e);
  return Backend::WaitResult::kInput;
}

void Present(const Surface::Pixels& screen) {
  SDL_Surface* surface = SDL_GetWindowSurface(window);
  if (surface == nullptr) return;
  const int w = std::min(screen.Width(), surface->w);
  const int h = std::min(screen.Height(), surface->h);
  if (w <= 0 || h <= 0) return;
  SDL_LockSurface(surface);
  SDL_ConvertPixels(w, h, SDL_PIXELFORMAT_RGB888, screen.Row(0), screen.Width() * 4, surface->format->format,
                    surface->pixels, surface->pitch);
  SDL_UnlockSurface(surface);
  SDL_UpdateWindowSurface(window);
}

void Warp(Geometry::Point global) {
  if (window != nullptr) SDL_WarpMouseInWindow(window, global.h, global.v);
}

void SetCursor(const Cursor::Image& image, bool visible) {
  std::array<Uint8, 32> data{};
  std::array<Uint8, 32> mask{};
  for (std::size_t y = 0; y < 16; ++y) {
    data[2 * y] = static_cast<Uint8>(image.data[y] >> 8);
    data[2 * y + 1] = static_cast<Uint8>(image.data[y]);
    mask[2 * y] = static_cast<Uint8>(image.mask[y] >> 8);
    mask[2 * y + 1] = static_cast<Uint8>(image.mask[y]);
  }
  SDL_Cursor* made = SDL_CreateCursor(data.data(), mask.data(), 16, 16, image.hotSpot.h, image.hotSpot.v);
  if (made != nullptr) {
    SDL_SetCursor(made);
    if (cursor != nullptr) SDL_FreeCursor(cursor);
    cursor = made;
  }
  SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

// A short tone of kBeepHertz, queued on the audio device that the first
// beep opens. Without an audio device the beep is
// silent.
constexpr int kBeepRate = 22050;
constexpr double kBeepSeconds = 0.12;
constexpr double kBeepHertz = 880.0;

void Beep() {
  if (audio == 0) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
    SDL_AudioSpec want{};
    want.freq = kBeepRate;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = 1024;
    audio = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (audio == 0) {
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      return;
    }
    SDL_PauseAudioDevice(audio, 0);
  }
  std::vector<Sint16> tone(static_cast<std::size_t>(kBeepRate * kBeepSeconds));
  for (std::size_t i = 0; i < tone.size(); ++i) {
    tone[i] = static_cast<Sint16>(8000.0 * std::sin(2.0 * std::numbers::pi * kBeepHertz * static_cast<double>(i) / kBeepRate));
  }
  SDL_QueueAudio(audio, tone.data(), static_cast<Uint32>(tone.size() * sizeof(Sint16)));
}

bool GetClipboardText(std::string& utf8) {
  utf8.clear();
  if (SDL_HasClipboardText() != SDL_TRUE) return false;
  char* text = SDL_GetClipboardText();
  if (text == nullptr) return false;
  utf8 = text;
  SDL_free(text);
  return true;
}

bool SetClipboardText(const std::string& utf8) { return SDL_SetClipboardText(utf8.c_str()) == 0; }

constexpr Backend::Ops kOps{"sdl2", OpenDisplay, CloseDisplay,     WaitInput,       Present,
                            Warp,   SetCursor,   Beep,             GetClipboardText, SetClipboardText};

}  // namespace

const Backend::Ops& Ops() { return kOps; }

}  // namespace SdlDisplay
