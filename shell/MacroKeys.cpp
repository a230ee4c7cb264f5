// MacrosTools: the names of keys in macro lines, both ways.
#include <algorithm>
#include <cstdint>
#include <string_view>

#include "dialogs/ModDialogUt.h"
#include "foundation/EncodeNext.h"
#include "foundation/Strings.h"
#include "shell/MacrosTools.h"

namespace MacrosTools {

namespace {

using ModDialogUt::kCharacterKey;
using ModDialogUt::kControlKey;
using ModDialogUt::kShiftKey;

struct KeyName {
  std::string_view read;     // as compared, upper case
  std::string_view written;  // as written; empty: never written
  int code;
  char character;
};

// Longer names stand before their prefixes (F15..F10 before F1).
constexpr KeyName kKeyNames[] = {
    {"RETURN", "RETURN", 2, 13},
    {"ESC", "ESC", 2, 27},
    {"SPACE", "SPACE", 2, 32},
    {"CURSORUP", "CursorUp", 3, 0},
    {"CURSORDOWN", "CursorDown", 4, 0},
    {"CURSORLEFT", "CursorLeft", 5, 0},
    {"CURSORRIGHT", "CursorRight", 6, 0},
    {"NUMERIC0", "Numeric0", 7, 0},
    {"NUMERIC1", "Numeric1", 8, 0},
    {"NUMERIC2", "Numeric2", 9, 0},
    {"NUMERIC3", "Numeric3", 10, 0},
    {"NUMERIC4", "Numeric4", 11, 0},
    {"NUMERIC5", "Numeric5", 12, 0},
    {"NUMERIC6", "Numeric6", 13, 0},
    {"NUMERIC7", "Numeric7", 14, 0},
    {"NUMERIC8", "Numeric8", 15, 0},
    {"NUMERIC9", "Numeric9", 16, 0},
    {"ENTER", "Enter", 17, 0},
    {"NUMERIC-", "Numeric-", 18, 0},
    {"NUMERIC+", "Numeric+", 19, 0},
    {"NUMERIC.", "Numeric.", 20, 0},
    {"NUMERICCLEAR", "NumericClear", 21, 0},
    {"NUMERIC=", "Numeric=", 22, 0},
    {"NUMERIC/", "Numeric/", 23, 0},
    {"NUMERIC*", "Numeric*", 24, 0},
    {"F15", "F15", 39, 0},
    {"F14", "F14", 38, 0},
    {"F13", "F13", 37, 0},
    {"F12", "F12", 36, 0},
    {"F11", "F11", 35, 0},
    {"F10", "F10", 34, 0},
    {"F9", "F9", 33, 0},
    {"F8", "F8", 32, 0},
    {"F7", "F7", 31, 0},
    {"F6", "F6", 30, 0},
    {"F5", "F5", 29, 0},
    {"F4", "F4", 28, 0},
    {"F3", "F3", 27, 0},
    {"F2", "F2", 26, 0},
    {"F1", "F1", 25, 0},
    {"HOME", "HOME", 40, 0},
    {"END", "END", 41, 0},
    {"PAGEUP", "PageUp", 42, 0},
    {"PAGEDOWN", "PageDown", 43, 0},
    {"HELP", "Help", 44, 0},
    {"INSERT", "Insert", 45, 0},
    {"DELETELEFT", "DeleteLeft", 46, 0},
    {"DELETERIGHT", "DeleteRight", 47, 0},
};

struct ModifierWord {
  std::string_view read;
  std::string_view written;
  int bit;
};

constexpr ModifierWord kModifierWords[] = {
    {"COMMAND", " command", ModDialogUt::kCommandKey}, {"SHIFT", " shift", kShiftKey},
    {"CAPS", " caps", ModDialogUt::kCapsLock},         {"OPTION", " option", ModDialogUt::kOptionKey},
    {"CONTROL", " control", kControlKey},
};

constexpr int kWorkSize = 128;

bool StartsWith(std::string_view text, std::size_t at, std::string_view prefix) {
  return text.size() >= at + prefix.size() && text.compare(at, prefix.size(), prefix) == 0;
}

std::size_t SkipBlanks(std::string_view text, std::size_t at) {
  while (at < text.size() && text[at] == ' ') ++at;
  return at;
}

std::size_t WordEnd(std::string_view text, std::size_t at) {
  while (at < text.size() && text[at] != ' ') ++at;
  return at;
}

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// A quoted character: "x", "^x" for control-x; the closing quote may be
// missing. at is the opening quote; gives the position behind the key.
std::size_t ReadQuoted(std::string_view given, std::size_t at, KeySpec& key) {
  const char quote = given[at];
  key.code = kCharacterKey;
  std::size_t next = at + 1;
  key.character = next < given.size() ? given[next] : '\0';
  if (key.character == '^') {
    key.modifiers = kControlKey;
    ++next;
    key.character = next < given.size() ? given[next] : '\0';
  } else if (key.character >= 'A' && key.character <= 'Z') {
    key.modifiers = kShiftKey;
  }
  if (next < given.size()) ++next;
  if (next < given.size() && given[next] == quote) ++next;
  return next;
}

// A key name of the table, CHAR x or CODE n; npos for an unknown name.
std::size_t ReadNamed(std::string_view given, std::string_view upper, std::size_t at, KeySpec& key) {
  if (StartsWith(upper, at, "CHAR")) {
    const std::size_t word = SkipBlanks(upper, at + 4);
    key.code = kCharacterKey;
    key.character = word < given.size() ? given[word] : '\0';
    return WordEnd(upper, word);
  }
  if (StartsWith(upper, at, "CODE")) {
    int pos = static_cast<int>(at + 4);
    std::int32_t number = 0;
    EncodeNext::Integer(upper, pos, number);
    key.code = kCharacterKey;
    key.character = static_cast<char>(number);
    return WordEnd(upper, static_cast<std::size_t>(pos));
  }
  for (const KeyName& name : kKeyNames) {
    if (!StartsWith(upper, at, name.read)) continue;
    key.code = name.code;
    key.character = name.character;
    return at + name.read.size();
  }
  return std::string_view::npos;
}

}  // namespace

bool DecodeKey(std::span<const char> text, int start, KeySpec& key) {
  key = KeySpec{};
  if (start < 0 || start >= Strings::Length(text)) return false;
  char given[kWorkSize] = "";
  Strings::Substring(given, text, start, std::min(Strings::Length(text) - start, kWorkSize - 1));
  char upper[kWorkSize] = "";
  Strings::Capitalize(given, upper);
  const std::string_view givenText(given, static_cast<std::size_t>(Strings::Length(given)));
  const std::string_view upperText(upper, givenText.size());
  std::size_t at = SkipBlanks(upperText, 0);
  if (at >= upperText.size()) return false;
  at = upperText[at] == '"' || upperText[at] == '\'' ? ReadQuoted(givenText, at, key)
                                                      : ReadNamed(givenText, upperText, at, key);
  if (at == std::string_view::npos) {
    key = KeySpec{};
    return false;
  }
  for (;;) {
    const std::size_t word = SkipBlanks(upperText, at);
    const std::string_view name = upperText.substr(word, WordEnd(upperText, word) - word);
    const auto modifier = std::find_if(std::begin(kModifierWords), std::end(kModifierWords),
                                       [name](const ModifierWord& m) { return m.read == name; });
    if (name == "ANY") {
      key.anyModifiers = true;
    } else if (name == "BACK") {
      key.keyDown = false;
    } else if (modifier != std::end(kModifierWords)) {
      key.modifiers |= modifier->bit;
    } else {
      break;
    }
    at = word + name.size();
  }
  if ((key.modifiers & kControlKey) != 0 && key.code == kCharacterKey && IsLetter(key.character)) {
    key.character = static_cast<char>((key.character & ~0x20) - 64);
  }
  return true;
}

void AppendKey(int code, char character, int modifiers, bool anyModifier, bool keyDown, bool quoted,
               std::span<char> text) {
  auto c = static_cast<unsigned char>(character);
  if (anyModifier && c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 32);
  if (code == kCharacterKey) {
    if (c == 0) return;
    const auto named = std::find_if(std::begin(kKeyNames), std::end(kKeyNames), [c](const KeyName& name) {
      return name.code == kCharacterKey && static_cast<unsigned char>(name.character) == c;
    });
    if (named != std::end(kKeyNames)) {
      Strings::Concat(text, named->written);
    } else {
      const bool control = c < 28;
      const char shown[2] = {static_cast<char>(control ? c + 64 : c), '\0'};
      if (!quoted) {
        Strings::Concat(text, "Char ");
      } else {
        Strings::Concat(text, control ? std::string_view("\"^") : std::string_view("\""));
      }
      Strings::Concat(text, shown);
      if (quoted) Strings::Concat(text, "\"");
    }
  } else {
    const auto named = std::find_if(std::begin(kKeyNames), std::end(kKeyNames),
                                    [code](const KeyName& name) { return name.code == code && code != kCharacterKey; });
    if (named == std::end(kKeyNames)) return;
    Strings::Concat(text, named->written);
  }
  if (anyModifier) {
    Strings::Concat(text, " any");
  } else {
    for (const ModifierWord& word : kModifierWords) {
      if ((modifiers & word.bit) != 0) Strings::Concat(text, word.written);
    }
  }
  if (!keyDown) Strings::Concat(text, " back");
}

}  // namespace MacrosTools
