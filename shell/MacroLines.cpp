// MacrosTools: one macro line read into a record and a record written as
// a line.
//
// Records hold the numbers of dialog items as the dialog framework stores
// them (a double for the numeric kinds, the set of a set item with its box
// number in Number, the menu item number of a menu line as a 32-bit
// integer), so that a line read here plays back like a recorded action.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string_view>

#include "dialogs/ItemValue.h"
#include "dialogs/ModDialogTools.h"
#include "foundation/Decode.h"
#include "foundation/Encode.h"
#include "foundation/EncodeNext.h"
#include "foundation/Strings.h"
#include "shell/MacEnv.h"
#include "shell/MacroNames.h"
#include "shell/MacrosTools.h"
#include "shell/ModMenus.h"

namespace MacrosTools {

namespace {

using namespace ModDialogUt;

constexpr int kLineSize = 256;
constexpr int kTokenSize = 128;
constexpr int kUnitCharacters = 2;
constexpr int kOmega = -1;  // the Omega sign as one character of a unit
constexpr unsigned char kOmegaByte = 189;
constexpr char kUtf8Omega[] = "\xCE\xA9";

// A line in a work copy, read from a running position.
struct Reader {
  char text[kLineSize] = "";
  std::string_view line;
  std::size_t at = 0;

  explicit Reader(std::span<const char> source) {
    Strings::Assign(text, source);
    line = std::string_view(text, static_cast<std::size_t>(Strings::Length(text)));
  }
  bool AtEnd() const { return at >= line.size(); }
  char Peek() const { return AtEnd() ? '\0' : line[at]; }
  void SkipBlanks() {
    while (!AtEnd() && line[at] == ' ') ++at;
  }
  // Up to the first of the stop characters or the end.
  std::string_view Until(std::string_view stops) {
    const std::size_t start = at;
    while (!AtEnd() && stops.find(line[at]) == std::string_view::npos) ++at;
    return line.substr(start, at - start);
  }
};

bool DigitsOnly(std::string_view token) {
  return !token.empty() && std::all_of(token.begin(), token.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int Number(std::string_view digits) {
  char text[kTokenSize] = "";
  Strings::Assign(text, digits.substr(0, kTokenSize - 1));
  std::int32_t n = 0;
  Encode::Integer(text, n);
  return n;
}

void SetNumber(MacroItem& item, double value) { ItemValue::Store(item.Value, value); }
double GetNumber(const MacroItem& item) { return ItemValue::Load<double>(item.Value); }

void SetKey(MacroItem& item, const KeySpec& key) {
  item.Key = static_cast<std::uint8_t>(key.code);
  item.Character = key.character;
  item.Modifiers = static_cast<std::uint8_t>(key.modifiers);
  item.AnyModifier = key.anyModifiers;
  item.KeyDown = key.keyDown;
}

bool NoAction(MacroItem& item) {
  item.Item = 0;
  return false;
}

// ---- Menu lines ----------------------------------------------------------------

// What follows KEY on a menu line: "F n" stores a function key and has no
// action; a quoted character assigns that command key.
bool ReadMenuKey(Reader& r, MacroItem& item, int menuItem) {
  r.SkipBlanks();
  const char first = r.Peek();
  if (first == 'F' || first == 'f') {
    int pos = static_cast<int>(r.at + 1);
    std::int32_t n = -1;
    if (EncodeNext::Integer(r.text, pos, n) && n >= 0 && n <= 15 && menuItem >= 1 && menuItem <= kFKeyCount) {
      TempFKeys[menuItem - 1] = n;
    }
    return NoAction(item);
  }
  if (first != '"' && first != '\'') return NoAction(item);
  const std::string_view rest = r.line.substr(r.at + 1);
  char character = 0;
  if (!rest.empty() && rest[0] == first) {
    character = 0;
  } else if (rest.size() >= 3 && rest[0] == '^' && rest[2] == first) {
    character = static_cast<char>(rest[1] - 64);
  } else if (rest.size() >= 2 && rest[1] == first) {
    character = rest[0];
  } else {
    return NoAction(item);
  }
  item.Key = kCharacterKey;
  item.Character = character;
  item.Modifiers = 0;
  item.AnyModifier = false;
  item.KeyDown = false;
  item.KeyGiven = true;
  return true;
}

// From the item on: the item, the optional KEY, CHECK or UNCHECK, the
// record. menuItem 0: the line names no item.
bool FinishMenuLine(Reader& r, MacroItem& item, int menu, int menuItem) {
  Strings::Assign(item.Name, "@");
  item.Item = -2;
  item.Number = menu;
  if (menu == 0 || menuItem <= 0) return NoAction(item);
  const std::int32_t chosen = menuItem;
  ItemValue::Store(item.Value, chosen);
  r.SkipBlanks();
  const std::string_view word = r.Until(" ");
  if (Strings::EqualCap(word, "KEY")) return ReadMenuKey(r, item, menuItem);
  const bool checked = ModMenus::GetItemChecked(menu, menuItem);
  const bool acts = !(Strings::EqualCap(word, "CHECK") && checked) && !(Strings::EqualCap(word, "UNCHECK") && !checked);
  if (!acts) {
    ItemValue::Store(item.Value, std::int32_t{0});
    Strings::Clear(item.Text);
  }
  return true;
}

// "@ menu item" without combined names; r stands behind "@".
bool ReadPlainMenuLine(Reader& r, MacroItem& item) {
  r.SkipBlanks();
  const std::string_view name = r.Until(":; ");
  Strings::Assign(item.Text, name.substr(0, kNameSize - 1));
  Strings::Assign(item.Name, "@");
  item.Item = -2;
  if (r.AtEnd()) return NoAction(item);
  const int menu = MacroNames::FindMenu(item.Text);
  ++r.at;
  r.SkipBlanks();
  std::string_view token;
  if (r.Peek() == '"') {
    ++r.at;
    token = r.Until("\"");
    if (!r.AtEnd()) ++r.at;
  } else {
    token = r.Until(":; ");
  }
  char name80[kNameSize] = "";
  Strings::Assign(name80, token.substr(0, kNameSize - 1));
  const int menuItem = DigitsOnly(token) ? Number(token) : MacroNames::FindMenuItem(menu, name80);
  if (!r.AtEnd() && r.Peek() != ' ') ++r.at;
  return FinishMenuLine(r, item, menu, menuItem);
}

// "Menu_Item" with combined names: the whole word names the item.
bool ReadCombinedMenuLine(Reader& r, MacroItem& item, int menu, std::string_view menuName) {
  Strings::Assign(item.Text, menuName.substr(0, kNameSize - 1));
  const std::string_view word = r.Until(" ");
  char name80[kNameSize] = "";
  Strings::Assign(name80, word.substr(0, kNameSize - 1));
  return FinishMenuLine(r, item, menu, MacroNames::FindMenuItem(menu, name80));
}

// ---- The head of a line: menu or dialog -------------------------------------------

enum class Head { kNone, kMenu, kDialog };

// Steps common to macro lines and help references: the first word names a
// menu (the line is read to its end) or a dialog (r then stands where its
// item begins); wordEnd is the end of the first word.
Head ReadHead(Reader& r, MacroItem& item, DialogRecord*& dialog, std::size_t& wordEnd) {
  item = MacroItem{};
  item.Item = 0;
  dialog = nullptr;
  r.SkipBlanks();
  const std::size_t wordStart = r.at;
  const std::string_view word = r.Until(" ");
  wordEnd = r.at;
  std::string_view name = word;
  if (MacEnv::CombinedNames) name = word.substr(0, word.find('_'));
  char upper[kNameSize] = "";
  Strings::Assign(upper, name.substr(0, kNameSize - 1));
  Strings::Capitalize(upper, item.Name);
  if (!MacEnv::CombinedNames && word == "@") {
    ReadPlainMenuLine(r, item);
    return Head::kMenu;
  }
  if (MacEnv::CombinedNames) {
    if (const int menu = MacroNames::FindMenu(upper); menu != 0) {
      r.at = wordStart;
      ReadCombinedMenuLine(r, item, menu, name);
      return Head::kMenu;
    }
  }
  if (!IDtoDialog(item.Name, dialog) || dialog == nullptr) return Head::kNone;
  if (MacEnv::CombinedNames) {
    r.at = wordStart;
  } else {
    r.SkipBlanks();
  }
  return Head::kDialog;
}

// The item of a token: digits only are its number within 1..count, else
// the first item of first..count with that name; -1 for none.
int FindItem(const DialogRecord& dialog, std::string_view token, int first, bool anyItem) {
  if (token.empty()) return -1;
  if (DigitsOnly(token)) {
    const int n = Number(token);
    return n >= 1 && n <= dialog.ItemCount ? n : -1;
  }
  char name[kTokenSize] = "";
  Strings::Assign(name, token);
  for (int n = first; n <= dialog.ItemCount; ++n) {
    const DialogItem& it = *dialog.Items[n];
    if ((anyItem || it.Macro) && Strings::EqualCap(it.Name, name)) return n;
  }
  return -1;
}

// ---- Values ---------------------------------------------------------------------

// One character of a unit: a byte, or kOmega for the Omega sign in the
// platform's character set or in UTF-8.
int UnitCharacter(std::string_view text, std::size_t& at) {
  if (static_cast<unsigned char>(text[at]) == kOmegaByte) {
    ++at;
    return kOmega;
  }
  if (text.substr(at, 2) == kUtf8Omega) {
    at += 2;
    return kOmega;
  }
  return static_cast<unsigned char>(text[at++]);
}

// The length of the unit's character at value[at], 0 when it differs.
std::size_t MatchUnitCharacter(std::string_view value, std::size_t at, int wanted, bool omegaAsO) {
  if (at >= value.size()) return 0;
  if (wanted != kOmega) return static_cast<unsigned char>(value[at]) == wanted ? 1 : 0;
  if (omegaAsO) return value[at] == 'O' ? 1 : 0;
  if (static_cast<unsigned char>(value[at]) == kOmegaByte) return 1;
  return value.substr(at, 2) == kUtf8Omega ? 2 : 0;
}

// Where the unit's first two characters begin in the value, from its
// second character on; npos when they do not occur.
std::size_t FindUnit(std::string_view value, const int* unit, int count, bool omegaAsO) {
  for (std::size_t start = 1; start < value.size(); ++start) {
    std::size_t at = start;
    int matched = 0;
    for (; matched < count; ++matched) {
      const std::size_t length = MatchUnitCharacter(value, at, unit[matched], omegaAsO && matched == 1);
      if (length == 0) break;
      at += length;
    }
    if (matched == count) return start;
  }
  return std::string_view::npos;
}

// A real of an item: the unit cut off, SI prefixes allowed, the display
// factor taken out for the formats that show it.
double ReadReal(const DialogItem& it, std::span<char> value) {
  std::string_view unitText(it.Unit, static_cast<std::size_t>(Strings::Length(it.Unit)));
  if (!unitText.empty() && unitText[0] == ' ') unitText.remove_prefix(1);
  int unit[kUnitCharacters] = {};
  int count = 0;
  for (std::size_t at = 0; at < unitText.size() && count < kUnitCharacters;) unit[count++] = UnitCharacter(unitText, at);
  const std::string_view text(value.data(), static_cast<std::size_t>(Strings::Length(value)));
  if (count > 0) {
    std::size_t cut = FindUnit(text, unit, count, false);
    if (cut == std::string_view::npos && count == kUnitCharacters && unit[1] == kOmega) {
      cut = FindUnit(text, unit, count, true);
    }
    if (cut != std::string_view::npos) value[cut] = '\0';
  }
  double x = 0;
  Encode::Engineering(value, x);
  if (it.NumberFormat == kInteger || it.NumberFormat == kFixed) x /= it.Factor;
  if (it.ValueKind == kSingle) x = static_cast<float>(ItemValue::WithinKind(kSingle, x));
  return x;
}

void ReadSet(const DialogItem& it, std::span<const char> value, MacroItem& item) {
  std::uint16_t set = 0;
  item.Number = -1;
  if (it.Type == kMultiCheck) {
    int pos = 0;
    if (EncodeNext::Set16(value, pos, set)) {
      std::int16_t second = 0;
      ++pos;
      if (it.Digits == 1 || EncodeNext::Int16(value, pos, second)) item.Number = second;
    }
  } else {
    Encode::Set16(value, set);
  }
  ItemValue::Store(item.Value, set);
}

void ReadListIndex(const DialogItem& it, std::span<const char> value, MacroItem& item) {
  int pos = 0;
  std::int16_t index = 0;
  EncodeNext::Int16(value, pos, index);
  SetNumber(item, index);
  if (!MacroNames::HasSecondInteger(it)) return;
  Reader r(value);
  r.at = static_cast<std::size_t>(pos);
  if (r.AtEnd() || r.Peek() == ';') return;
  r.SkipBlanks();
  if (r.Peek() != '(') return;
  int after = static_cast<int>(r.at + 1);
  std::uint16_t second = 0;
  if (EncodeNext::Card16(r.text, after, second) && after < static_cast<int>(r.line.size()) && r.line[after] == ')') {
    item.Number = second;
  }
}

// A string as written: between double quotes, or between single quotes
// when it holds a double quote.
void ReadString(std::span<const char> value, MacroItem& item) {
  std::string_view text(value.data(), static_cast<std::size_t>(Strings::Length(value)));
  text = text.substr(0, kNameSize - 1);
  const bool doubleQuoted = text.size() > 1 && text.front() == '"' && text.back() == '"';
  const bool singleQuoted = text.size() > 1 && text.front() == '\'' && text.back() == '\'' &&
                            text.find('"') != std::string_view::npos;
  if (doubleQuoted || singleQuoted) text = text.substr(1, text.size() - 2);
  Strings::Assign(item.Text, text);
}

void ReadValue(const DialogItem& it, std::span<char> value, MacroItem& item) {
  switch (it.ValueKind) {
    case kInt32:
    case kInt16: {
      std::int32_t n = 0;
      Encode::Integer(value, n);
      SetNumber(item, n);
      break;
    }
    case kSet16:
      ReadSet(it, value, item);
      break;
    case kBoolean: {
      const char c = value[0];
      SetNumber(item, (c >= '1' && c <= '9') || c == 'T' || c == 't' ? 1 : 0);
      break;
    }
    case kByte:
      ReadListIndex(it, value, item);
      break;
    case kString:
      ReadString(value, item);
      break;
    default:
      SetNumber(item, ReadReal(it, value));
      break;
  }
}

// The item's value or key assignment from the value text.
bool ReadItemValue(const DialogItem& it, std::string_view valueText, MacroItem& item) {
  char value[kLineSize] = "";
  Strings::Assign(value, valueText);
  char head[4] = "";
  Strings::Capitalize(valueText.substr(0, 3), head);
  if (Strings::Equal(head, "KEY")) {
    item.SecondKey = valueText.size() > 3 && valueText[3] == '2';
    KeySpec key;
    // A key that does not read is no value either: the line changes nothing.
    if (!DecodeKey(value, 4, key)) return NoAction(item);
    SetKey(item, key);
    item.KeyGiven = true;
    return true;
  }
  ReadValue(it, value, item);
  return true;
}

// The item token of a macro line: up to ":", ";", a blank or the closing
// quote of an opening quote; separator: a separator follows it.
std::string_view ReadItemToken(Reader& r, bool& separator) {
  const char quote = r.Peek();
  const bool quoted = quote == '"' || quote == '\'';
  if (quoted) ++r.at;
  const std::size_t start = r.at;
  std::string_view stops = ":; ";
  const char quotedStops[] = {':', ';', ' ', quote};
  if (quoted) stops = std::string_view(quotedStops, 4);
  std::string_view token = r.Until(stops);
  if (token.size() > kTokenSize - 1) {
    token = token.substr(0, kTokenSize - 1);
    r.at = start + token.size();
  }
  if (quoted && r.Peek() == quote) ++r.at;
  separator = !r.AtEnd() && (r.Peek() == ':' || r.Peek() == ';' || r.Peek() == ' ');
  if (separator) ++r.at;
  return token;
}

}  // namespace

bool IDtoDialog(std::span<const char> name, DialogRecord*& dialog) {
  dialog = nullptr;
  if (Strings::Equal(name, "@")) {
    dialog = ModDialogTools::RootDialog.NextDialog;
    return true;
  }
  for (DialogRecord* d = ModDialogTools::RootDialog.NextDialog; d != nullptr; d = d->NextDialog) {
    if (Strings::Length(MacroNames::OfDialog(*d)) > 0 && Strings::EqualCap(MacroNames::OfDialog(*d), name)) {
      dialog = d;
      return true;
    }
  }
  return false;
}

bool ExtractMacroItem(std::span<const char> line, bool keyFlag, bool eventFlag, MacroItem& item) {
  Reader r(line);
  DialogRecord* dialog = nullptr;
  std::size_t wordEnd = 0;
  const Head head = ReadHead(r, item, dialog, wordEnd);
  if (head == Head::kMenu) return item.Item != 0;
  if (head == Head::kNone) return NoAction(item);
  bool separator = false;
  const std::string_view token = ReadItemToken(r, separator);
  const int n = FindItem(*dialog, token, 1, keyFlag || eventFlag);
  if (n < 0) {
    // No such item: a key pressed in the dialog, written after its name.
    KeySpec key;
    if (!DecodeKey(r.text, static_cast<int>(wordEnd), key)) return NoAction(item);
    item.Item = -1;
    SetKey(item, key);
    return true;
  }
  item.Item = static_cast<std::int16_t>(n);
  if (!separator) return true;
  r.SkipBlanks();
  return ReadItemValue(*dialog->Items[n], r.line.substr(r.at), item);
}

bool GetDialogItem(std::span<const char> line, int start, DialogRecord*& dialog, MacroItem& item) {
  Reader r(line);
  r.at = static_cast<std::size_t>(std::clamp(start, 0, static_cast<int>(r.line.size())));
  std::size_t wordEnd = 0;
  const Head head = ReadHead(r, item, dialog, wordEnd);
  if (head == Head::kMenu) return item.Item == -2 && ItemValue::Load<std::int32_t>(item.Value) > 0;
  if (head == Head::kNone) return NoAction(item);
  const int n = FindItem(*dialog, r.Until("; "), 0, true);
  item.Item = static_cast<std::int16_t>(std::max(n, 0));
  return n >= 0;
}

int AlignText(std::span<char> text, int column) {
  Strings::Concat(text, "  ");
  int length = Strings::Length(text);
  const int limit = std::min(column, static_cast<int>(text.size()) - 1);
  while (length < limit) {
    text[static_cast<std::size_t>(length++)] = ' ';
    text[static_cast<std::size_t>(length)] = '\0';
  }
  return length;
}

namespace {

void WriteReal(const DialogItem& it, double value, std::span<char> text) {
  const double shown = value * it.Factor;
  switch (it.NumberFormat) {
    case kInteger:
      if (std::isfinite(shown)) {
        Decode::Integer(static_cast<std::int32_t>(std::clamp(std::round(shown), -2147483647.0, 2147483647.0)), text,
                        it.Digits);
      } else {
        Decode::Fixed(shown, text, it.Digits, 0);
      }
      break;
    case kFixed:
      Decode::Fixed(shown, text, 12, it.Digits);
      break;
    // The digit count is the number of significant digits, as the dialog
    // shows the value: a field only that wide would hold stars.
    case kScientific:
      Decode::Scientific(value, text, it.Digits + 6);
      break;
    case kEngineering:
      Decode::Engineering(value, text, it.Digits + 3);
      break;
    default:
      return;
  }
  std::string_view unit(it.Unit, static_cast<std::size_t>(Strings::Length(it.Unit)));
  if (!unit.empty() && unit[0] == ' ') unit.remove_prefix(1);
  Strings::Concat(text, unit);
}

void WriteValue(const DialogRecord& dialog, int n, const MacroItem& item, std::span<char> text) {
  const DialogItem& it = *dialog.Items[n];
  const double number = GetNumber(item);
  switch (it.ValueKind) {
    case kInt32:
    case kInt16:
      Decode::Integer(static_cast<std::int32_t>(ItemValue::WithinKind(kInt32, number)), text, 11);
      Strings::Concat(text, it.Unit);
      break;
    case kSet16: {
      const int bits = it.Digits;
      Decode::Set16(ItemValue::Load<std::uint16_t>(item.Value), text, bits >= 11 ? bits + 1 : 11, bits);
      if (it.Type == kMultiCheck && bits != 1) {
        Strings::Concat(text, ", ");
        Decode::Integer(item.Number, text, 0);
      }
      break;
    }
    case kBoolean:
      Strings::Concat(text, std::string_view(number > 0 ? "  TRUE" : "  FALSE"));
      break;
    case kByte: {
      const auto index = static_cast<std::int32_t>(ItemValue::WithinKind(kInt16, number));
      Decode::Integer(index, text, 3);
      if (it.Type != kList && it.Type != kFramedList) break;
      if (MacroNames::HasSecondInteger(it)) {
        Strings::Concat(text, "(");
        Decode::Cardinal(static_cast<std::uint32_t>(item.Number), text, 5);
        Strings::Concat(text, ")");
      }
      Strings::Concat(text, "; ");
      if (index >= 0) {
        char entry[kNameSize] = "";
        GetListText(&dialog, n, index + 1, entry);
        Strings::Concat(text, entry);
      }
      break;
    }
    case kString: {
      const std::string_view value(item.Text, static_cast<std::size_t>(Strings::Length(item.Text)));
      const std::size_t doubleAt = value.find('"');
      const bool single = doubleAt != std::string_view::npos && doubleAt < value.find('\'');
      const std::string_view quote = single ? "'" : "\"";
      Strings::Concat(text, quote);
      Strings::Concat(text, item.Text);
      Strings::Concat(text, quote);
      break;
    }
    default:
      WriteReal(it, number, text);
      break;
  }
}

bool ShowsValue(int type) {
  switch (type) {
    case kSwitch:
    case kRadioButton:
    case kCheckBox:
    case kMultiCheck:
    case kDrag:
    case kEditText:
    case kList:
    case kFramedList:
    case kPane:
      return true;
    default:
      return false;
  }
}

bool MenuItemToText(const MacroItem& item, std::span<char> text) {
  if (!MacEnv::CombinedNames) {
    Strings::Concat(text, "@  ");
    Strings::Concat(text, item.Text);
    AlignText(text, DefMinChars);
  }
  const int menu = MacroNames::FindMenu(item.Text);
  char name[ModMenus::kTextSize] = "";
  if (menu != 0) ModMenus::GetItemName(menu, ItemValue::Load<std::int32_t>(item.Value), name);
  if (Strings::Length(name) == 0) {
    if (MacEnv::CombinedNames) {
      Strings::Concat(text, item.Text);
      AlignText(text, DefMinChars);
    }
    Decode::Integer(ItemValue::Load<std::int32_t>(item.Value), text, 11);
  } else if (MacEnv::CombinedNames) {
    Strings::Concat(text, name);
  } else {
    Strings::Concat(text, "\"");
    Strings::Concat(text, name);
    Strings::Concat(text, "\"");
  }
  return true;
}

}  // namespace

bool MacroItemToText(const MacroItem& item, std::span<char> text) {
  Strings::Clear(text);
  if (item.Item == 0 || item.Item < -2) return false;
  if (item.Item == -2) {
    Strings::Assign(text, "  ");
    return MenuItemToText(item, text);
  }
  DialogRecord* dialog = nullptr;
  const bool found = IDtoDialog(item.Name, dialog) && dialog != nullptr;
  if (item.Item == -1) {
    if (!found) return false;
    Strings::Assign(text, "  ");
    Strings::Concat(text, MacroNames::OfDialog(*dialog));
    Strings::Concat(text, "  ");
    AppendKey(item.Key, item.Character, item.Modifiers, item.AnyModifier, item.KeyDown, false, text);
    return true;
  }
  if (!found) return true;
  if (item.Item > dialog->ItemCount) return false;
  const DialogItem& it = *dialog->Items[item.Item];
  if (!it.Macro || Strings::Length(it.Name) == 0) return false;
  Strings::Assign(text, "  ");
  if (!MacEnv::CombinedNames) {
    Strings::Concat(text, dialog->MacroName);
    Strings::Concat(text, "  ");
  }
  Strings::Concat(text, it.Name);
  if (ShowsValue(it.Type)) {
    AlignText(text, DefMinChars);
    WriteValue(*dialog, item.Item, item, text);
  }
  return true;
}

}  // namespace MacrosTools
