#include "platform/KeyCodes.h"

#include "platform/EventQueue.h"

#include <array>
#include <cctype>
#include <cstring>
#include <string>

namespace KeyCodes {

namespace {

// The US layout: the unshifted and shifted character of each key.
struct Typing {
  int virtualKey;
  char plain;
  char shifted;
};

constexpr std::array<Typing, 48> kTyping{{
    {0, 'a', 'A'},   {1, 's', 'S'},  {2, 'd', 'D'},   {3, 'f', 'F'},   {4, 'h', 'H'},  {5, 'g', 'G'},
    {6, 'z', 'Z'},   {7, 'x', 'X'},  {8, 'c', 'C'},   {9, 'v', 'V'},   {11, 'b', 'B'}, {12, 'q', 'Q'},
    {13, 'w', 'W'},  {14, 'e', 'E'}, {15, 'r', 'R'},  {16, 'y', 'Y'},  {17, 't', 'T'}, {18, '1', '!'},
    {19, '2', '@'},  {20, '3', '#'}, {21, '4', '$'},  {22, '6', '^'},  {23, '5', '%'}, {24, '=', '+'},
    {25, '9', '('},  {26, '7', '&'}, {27, '-', '_'},  {28, '8', '*'},  {29, '0', ')'}, {30, ']', '}'},
    {31, 'o', 'O'},  {32, 'u', 'U'}, {33, '[', '{'},  {34, 'i', 'I'},  {35, 'p', 'P'}, {37, 'l', 'L'},
    {38, 'j', 'J'},  {39, '\'', '"'}, {40, 'k', 'K'}, {41, ';', ':'},  {42, '\\', '|'}, {43, ',', '<'},
    {44, '/', '?'},  {45, 'n', 'N'}, {46, 'm', 'M'},  {47, '.', '>'},  {50, '`', '~'}, {kSpace, ' ', ' '},
}};

struct Named {
  const char* name;
  int virtualKey;
  unsigned char character;
};

constexpr std::array<Named, 54> kNamed{{
    {"return", kReturn, 13},        {"enter", kKeypadEnter, 3},      {"tab", kTab, 9},
    {"space", kSpace, ' '},          {"delete", kDelete, 8},          {"forwarddelete", kForwardDelete, 127},
    {"escape", kEscape, 27},         {"left", kLeftArrow, 28},        {"right", kRightArrow, 29},
    {"up", kUpArrow, 30},            {"down", kDownArrow, 31},        {"home", kHome, 1},
    {"end", kEnd, 4},                {"pageup", kPageUp, 11},         {"pagedown", kPageDown, 12},
    {"help", kHelp, 5},              {"f1", kF1, 16},                 {"f2", kF2, 16},
    {"f3", kF3, 16},                 {"f4", kF4, 16},                 {"f5", kF5, 16},
    {"f6", kF6, 16},                 {"f7", kF7, 16},                 {"f8", kF8, 16},
    {"f9", kF9, 16},                 {"f10", kF10, 16},               {"f11", kF11, 16},
    {"f12", kF12, 16},               {"f13", kF13, 16},               {"f14", kF14, 16},
    {"f15", kF15, 16},               {"keypad0", kKeypad0, '0'},      {"keypad1", kKeypad0 + 1, '1'},
    {"keypad2", kKeypad0 + 2, '2'},  {"keypad3", kKeypad0 + 3, '3'},  {"keypad4", kKeypad0 + 4, '4'},
    {"keypad5", kKeypad0 + 5, '5'},  {"keypad6", kKeypad0 + 6, '6'},  {"keypad7", kKeypad0 + 7, '7'},
    {"keypad8", kKeypad8, '8'},      {"keypad9", kKeypad9, '9'},      {"keypad.", kKeypadDecimal, '.'},
    {"keypad*", kKeypadMultiply, '*'}, {"keypad+", kKeypadPlus, '+'}, {"keypadclear", kKeypadClear, 27},
    {"keypad/", kKeypadDivide, '/'}, {"keypad-", kKeypadMinus, '-'},  {"keypad=", kKeypadEquals, '='},
    {"cmd", kCommand, 0},            {"shift", kShift, 0},            {"capslock", kCapsLock, 0},
    {"option", kOption, 0},          {"control", kControl, 0},        {"rightshift", kRightShift, 0},
}};

}  // namespace

int ModifierBit(int virtualKey) {
  switch (virtualKey) {
    case kCommand:
      return EventQueue::kCmdKey;
    case kShift:
      return EventQueue::kShiftKey;
    case kCapsLock:
      return EventQueue::kAlphaLock;
    case kOption:
      return EventQueue::kOptionKey;
    case kControl:
      return EventQueue::kControlKey;
    case kRightShift:
      return EventQueue::kRightShiftKey;
    case kRightOption:
      return EventQueue::kRightOptionKey;
    case kRightControl:
      return EventQueue::kRightControlKey;
    default:
      return 0;
  }
}

bool ForCharacter(unsigned char c, Key& key) {
  if (c == 13) {
    key = Key{kReturn, 13};
    return true;
  }
  if (c == 9) {
    key = Key{kTab, 9};
    return true;
  }
  for (const Typing& t : kTyping) {
    if (static_cast<unsigned char>(t.plain) == c || static_cast<unsigned char>(t.shifted) == c) {
      key = Key{t.virtualKey, c};
      return true;
    }
  }
  return false;
}

bool ForName(std::span<const char> name, Key& key) {
  std::string wanted;
  for (char c : name) {
    if (c == '\0') break;
    wanted.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  }
  for (const Named& n : kNamed) {
    if (wanted == n.name) {
      key = Key{n.virtualKey, n.character};
      return true;
    }
  }
  return false;
}

unsigned char SpecialCharacter(int virtualKey) {
  if (virtualKey == kSpace) return 0;
  for (const Named& n : kNamed) {
    if (n.virtualKey == virtualKey) return n.character;
  }
  return 0;
}

}  // namespace KeyCodes
