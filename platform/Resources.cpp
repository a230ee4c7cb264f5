#include "platform/Resources.h"

#include "platform/MacRoman.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>
#include <string_view>

namespace Resources {

namespace {

struct Set {
  std::map<int, DialogTemplate> dialogs;
  std::map<int, WindowTemplate> windows;
  std::map<int, MenuTemplate> menus;
  std::map<int, std::vector<int>> menuBars;
  std::map<int, std::vector<Pattern::Pat>> patterns;
  std::map<int, Cursor::Image> cursors;
};

Set loaded;
bool haveSet = false;
int errorLine = 0;
std::string errorText;

constexpr std::size_t kMaxText = 255;
constexpr int kCursorSide = 16;

struct Token {
  std::string text;
  bool quoted = false;
};

// Words and quoted texts of a line; an error text for a line that cannot be
// split.
std::optional<std::string> Split(std::string_view line, std::vector<Token>& tokens) {
  std::size_t i = 0;
  while (true) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size()) return std::nullopt;
    Token t;
    if (line[i] != '"') {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') t.text.push_back(line[i++]);
      tokens.push_back(std::move(t));
      continue;
    }
    t.quoted = true;
    std::string utf8;
    for (++i;; ++i) {
      if (i >= line.size()) return "a text without its closing quote";
      if (line[i] == '"') break;
      if (line[i] == '\\') {
        if (i + 1 >= line.size() || (line[i + 1] != '"' && line[i + 1] != '\\')) return "an unknown escape in a text";
        ++i;
      }
      utf8.push_back(line[i]);
    }
    ++i;
    if (!MacRoman::FromUtf8(utf8, t.text, 0)) return "a character the program's character set lacks";
    if (t.text.size() > kMaxText) return "a text longer than 255 characters";
    tokens.push_back(std::move(t));
  }
}

enum class Block { kNone, kWindow, kDialog, kMenu, kMenuBar, kPatterns, kCursor };

class Parser {
 public:
  explicit Parser(Set& set) : set_(set) {}

  // An error text, or nothing when the line is fine.
  std::optional<std::string> Line(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[0] == '#') return std::nullopt;
    if (first == 0) {
      if (auto e = Finish()) return e;
    }
    tokens_.clear();
    next_ = 0;
    if (auto e = Split(line, tokens_)) return e;
    return first == 0 ? Header() : ItemLine();
  }

  // Checks the last block; an error text when it is incomplete.
  std::optional<std::string> Finish() {
    if (block_ == Block::kCursor && cursorRows_ != kCursorSide) {
      return "cursor " + std::to_string(id_) + " has " + std::to_string(cursorRows_) + " rows, not 16";
    }
    block_ = Block::kNone;
    return std::nullopt;
  }

 private:
  bool More() const { return next_ < tokens_.size(); }

  std::optional<std::string> Word(std::string& word) {
    if (!More() || tokens_[next_].quoted) return "a word is missing";
    word = tokens_[next_++].text;
    return std::nullopt;
  }

  std::optional<std::string> Number(int& n, int low, int high, const char* what) {
    if (!More() || tokens_[next_].quoted) return std::string(what) + " is missing";
    const std::string& t = tokens_[next_++].text;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), n);
    if (ec != std::errc() || end != t.data() + t.size()) return std::string(what) + " is no number: " + t;
    if (n < low || n > high) return std::string(what) + " is out of range: " + t;
    return std::nullopt;
  }

  std::optional<std::string> Quoted(std::string& text, const char* what) {
    if (!More() || !tokens_[next_].quoted) return std::string(what) + " in quotes is missing";
    text = tokens_[next_++].text;
    return std::nullopt;
  }

  std::optional<std::string> Coordinate(int& n, const char* what) { return Number(n, -32768, 32767, what); }

  std::optional<std::string> AtAndSize(Geometry::Rect& r) {
    int h = 0, v = 0, width = 0, height = 0;
    if (auto e = Coordinate(h, "the left edge")) return e;
    if (auto e = Coordinate(v, "the top edge")) return e;
    std::string word;
    if (auto e = Word(word)) return e;
    if (word != "size") return "\"size\" expected, not " + word;
    if (auto e = Number(width, 0, 32767, "the width")) return e;
    if (auto e = Number(height, 0, 32767, "the height")) return e;
    r = Geometry::SetRect(h, v, h + width, v + height);
    return std::nullopt;
  }

  // The attributes after a header's number: which ones the kind allows,
  // and which it needs.
  std::optional<std::string> Attributes(bool allowFrame, bool allowTitle, Geometry::Rect* bounds, int* procID,
                                        std::string* title, Geometry::Point* hotSpot) {
    bool haveAt = false, haveHotSpot = false;
    while (More()) {
      std::string word;
      if (auto e = Word(word)) return e;
      if (word == "at" && allowFrame && !haveAt) {
        if (auto e = AtAndSize(*bounds)) return e;
        haveAt = true;
      } else if (word == "proc" && allowFrame && allowTitle) {
        if (auto e = Number(*procID, 0, 32767, "the window definition")) return e;
      } else if (word == "title" && allowTitle) {
        if (auto e = Quoted(*title, "the title")) return e;
      } else if (word == "hotspot" && hotSpot != nullptr && !haveHotSpot) {
        if (auto e = Number(hotSpot->h, 0, kCursorSide - 1, "the hot spot")) return e;
        if (auto e = Number(hotSpot->v, 0, kCursorSide - 1, "the hot spot")) return e;
        haveHotSpot = true;
      } else {
        return "unknown or repeated keyword: " + word;
      }
    }
    if (allowFrame && !haveAt) return "\"at\" with the position and size is missing";
    if (hotSpot != nullptr && !haveHotSpot) return "\"hotspot\" is missing";
    return std::nullopt;
  }

  template <typename Map>
  std::optional<std::string> Fresh(Map& map, const std::string& kind) {
    if (map.count(id_) != 0) return "a second " + kind + " " + std::to_string(id_);
    return std::nullopt;
  }

  std::optional<std::string> Header() {
    std::string kind;
    if (auto e = Word(kind)) return e;
    if (auto e = Number(id_, 1, 32767, "the resource number")) return e;
    nextItem_ = 1;
    if (kind == "window") {
      if (auto e = Fresh(set_.windows, kind)) return e;
      WindowTemplate w;
      w.id = id_;
      if (auto e = Attributes(true, true, &w.bounds, &w.procID, &w.title, nullptr)) return e;
      set_.windows[id_] = std::move(w);
      block_ = Block::kWindow;
    } else if (kind == "dialog" || kind == "alert") {
      if (auto e = Fresh(set_.dialogs, "dialog or alert")) return e;
      DialogTemplate d;
      d.id = id_;
      d.alert = kind == "alert";
      d.procID = 1;
      if (auto e = Attributes(true, !d.alert, &d.bounds, &d.procID, &d.title, nullptr)) return e;
      set_.dialogs[id_] = std::move(d);
      block_ = Block::kDialog;
    } else if (kind == "menu") {
      if (auto e = Fresh(set_.menus, kind)) return e;
      MenuTemplate m;
      m.id = id_;
      if (auto e = Quoted(m.title, "the menu title")) return e;
      if (More()) return "more than a menu's number and title";
      set_.menus[id_] = std::move(m);
      block_ = Block::kMenu;
    } else if (kind == "menubar") {
      if (auto e = Fresh(set_.menuBars, kind)) return e;
      if (More()) return "more than a menu bar's number";
      set_.menuBars[id_];
      block_ = Block::kMenuBar;
    } else if (kind == "patterns") {
      if (auto e = Fresh(set_.patterns, "pattern list")) return e;
      if (More()) return "more than a pattern list's number";
      set_.patterns[id_];
      block_ = Block::kPatterns;
    } else if (kind == "cursor") {
      if (auto e = Fresh(set_.cursors, kind)) return e;
      Cursor::Image c;
      if (auto e = Attributes(false, false, nullptr, nullptr, nullptr, &c.hotSpot)) return e;
      set_.cursors[id_] = c;
      cursorRows_ = 0;
      block_ = Block::kCursor;
    } else {
      return "unknown keyword: " + kind;
    }
    return std::nullopt;
  }

  std::optional<std::string> CursorRow() {
    if (tokens_.size() != 1 || tokens_[0].quoted || tokens_[0].text.size() != kCursorSide) {
      return "a cursor row is sixteen of '#', 'o' and '.'";
    }
    if (cursorRows_ == kCursorSide) return "cursor " + std::to_string(id_) + " has more than 16 rows";
    Cursor::Image& c = set_.cursors[id_];
    const auto row = static_cast<std::size_t>(cursorRows_++);
    for (int x = 0; x < kCursorSide; ++x) {
      const auto bit = static_cast<std::uint16_t>(0x8000u >> x);
      switch (tokens_[0].text[static_cast<std::size_t>(x)]) {
        case '#':
          c.data[row] |= bit;
          c.mask[row] |= bit;
          break;
        case 'o':
          c.mask[row] |= bit;
          break;
        case '.':
          break;
        default:
          return "a cursor row is sixteen of '#', 'o' and '.'";
      }
    }
    return std::nullopt;
  }

  std::optional<std::string> DialogItem() {
    static constexpr std::pair<std::string_view, int> kKinds[] = {
        {"user", kUserItem},         {"button", kButtonItem}, {"checkbox", kCheckBoxItem},
        {"radio", kRadioItem},       {"scrollbar", kScrollBarItem}, {"static", kStaticTextItem},
        {"edit", kEditTextItem}};
    std::string kind;
    if (auto e = Word(kind)) return e;
    const auto* k = std::find_if(std::begin(kKinds), std::end(kKinds), [&](const auto& p) { return p.first == kind; });
    if (k == std::end(kKinds)) return "unknown item kind: " + kind;
    Item item;
    item.kind = k->second;
    if (More() && tokens_[next_].quoted) item.text = tokens_[next_++].text;
    std::string word;
    if (auto e = Word(word)) return e;
    if (word != "at") return "\"at\" expected, not " + word;
    if (auto e = AtAndSize(item.rect)) return e;
    if (More()) {
      if (auto e = Word(word)) return e;
      if (word != "disabled") return "unknown keyword: " + word;
      item.kind += kDisabled;
    }
    set_.dialogs[id_].items.push_back(std::move(item));
    return std::nullopt;
  }

  std::optional<std::string> MenuItemLine() {
    std::string kind;
    if (auto e = Word(kind)) return e;
    MenuItem item;
    if (kind == "separator") {
      item.separator = true;
    } else if (kind == "item") {
      if (auto e = Quoted(item.text, "the item's text")) return e;
      if (More()) {
        std::string word, key;
        if (auto e = Word(word)) return e;
        if (word != "key") return "unknown keyword: " + word;
        if (auto e = Word(key)) return e;
        if (key.size() != 1) return "a command key is one character";
        item.key = static_cast<unsigned char>(key[0]);
      }
    } else {
      return "unknown menu item kind: " + kind;
    }
    set_.menus[id_].items.push_back(std::move(item));
    return std::nullopt;
  }

  std::optional<std::string> PatternLine() {
    Pattern::Pat pat;
    for (auto& row : pat.rows) {
      if (!More() || tokens_[next_].quoted) return "a pattern has eight rows";
      const std::string& t = tokens_[next_++].text;
      unsigned value = 0;
      const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value, 16);
      if (ec != std::errc() || end != t.data() + t.size() || t.size() > 2) return "a pattern row is no byte: " + t;
      row = static_cast<std::uint8_t>(value);
    }
    set_.patterns[id_].push_back(pat);
    return std::nullopt;
  }

  std::optional<std::string> ItemLine() {
    if (block_ == Block::kNone || block_ == Block::kWindow) return "an item line outside a block with items";
    if (block_ == Block::kCursor) return CursorRow();
    int number = 0;
    if (auto e = Number(number, 1, 32767, "the item number")) return e;
    if (number != nextItem_) {
      return "item " + std::to_string(number) + " out of order: item " + std::to_string(nextItem_) + " expected";
    }
    ++nextItem_;
    std::optional<std::string> e;
    if (block_ == Block::kDialog) {
      e = DialogItem();
    } else if (block_ == Block::kMenu) {
      e = MenuItemLine();
    } else if (block_ == Block::kMenuBar) {
      int menu = 0;
      std::string word;
      e = Word(word);
      if (!e && word != "menu") e = "\"menu\" expected, not " + word;
      if (!e) e = Number(menu, 1, 32767, "the menu number");
      if (!e && set_.menus.count(menu) == 0) e = "menu " + std::to_string(menu) + " is not defined above";
      if (!e) set_.menuBars[id_].push_back(menu);
    } else {
      e = PatternLine();
    }
    if (!e && More()) e = "more on the line than an item takes";
    return e;
  }

  Set& set_;
  std::vector<Token> tokens_;
  std::size_t next_ = 0;
  Block block_ = Block::kNone;
  int id_ = 0;
  int nextItem_ = 1;
  int cursorRows_ = 0;
};

template <typename Map>
auto Find(const Map& map, int id) -> decltype(&map.begin()->second) {
  InitModule();
  const auto it = map.find(id);
  return it == map.end() ? nullptr : &it->second;
}

}  // namespace

bool Load(std::span<const char> text) {
  const std::string_view all(text.data(), static_cast<std::size_t>(std::find(text.begin(), text.end(), '\0') - text.begin()));
  Set set;
  Parser parser(set);
  int number = 0;
  std::size_t start = 0;
  while (start < all.size()) {
    std::size_t end = all.find('\n', start);
    if (end == std::string_view::npos) end = all.size();
    ++number;
    if (auto e = parser.Line(all.substr(start, end - start))) {
      errorLine = number;
      errorText = "line " + std::to_string(number) + ": " + *e;
      return false;
    }
    start = end + 1;
  }
  if (auto e = parser.Finish()) {
    errorLine = number;
    errorText = "line " + std::to_string(number) + ": " + *e;
    return false;
  }
  loaded = std::move(set);
  haveSet = true;
  errorLine = 0;
  errorText.clear();
  return true;
}

int ErrorLine() { return errorLine; }
const std::string& ErrorText() { return errorText; }

bool InitModule() { return haveSet || Load(ShippedText()); }

const DialogTemplate* GetDialog(int id) { return Find(loaded.dialogs, id); }
const WindowTemplate* GetWindow(int id) { return Find(loaded.windows, id); }
const MenuTemplate* GetMenu(int id) { return Find(loaded.menus, id); }
const std::vector<int>* GetMenuBar(int id) { return Find(loaded.menuBars, id); }
const std::vector<Pattern::Pat>* GetPatternList(int id) { return Find(loaded.patterns, id); }
const Cursor::Image* GetCursor(int id) { return Find(loaded.cursors, id); }

}  // namespace Resources
