#include "platform/Fonts.h"

#include "platform/MacRoman.h"
#include "platform/Port.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <unordered_map>

namespace Fonts {

namespace {

enum Family { kMono, kSans, kSerif, kFamilies };

struct NamedFont {
  int number;
  const char* name;
  Family family;
};

constexpr std::array<NamedFont, 5> kTable{{
    {kCourier, "Courier", kMono},
    {kMonaco, "Monaco", kMono},
    {kHelvetica, "Helvetica", kSans},
    {kGeneva, "Geneva", kSans},
    {kPaladino, "Paladino", kSerif},
}};

constexpr std::array<std::array<const char*, 2>, kFamilies> kFiles{{
    {"DejaVuSansMono.ttf", "DejaVuSansMono-Bold.ttf"},
    {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf"},
    {"DejaVuSerif.ttf", "DejaVuSerif-Bold.ttf"},
}};

// The slant of italic text: x moves right by 0.2 pixel per pixel of height.
constexpr FT_Fixed kSlant = 0x3333;

// Rendered glyphs are kept; the cache is emptied when it grows past this.
constexpr std::size_t kCacheLimit = 8192;

FT_Library library = nullptr;
std::array<std::array<FT_Face, 2>, kFamilies> faces{};
std::string errorText;
std::unordered_map<std::uint32_t, Glyph> cache;
Glyph empty;

Family FamilyOf(int font) {
  for (const NamedFont& f : kTable) {
    if (f.number == font) return f.family;
  }
  return kSans;
}

int CutSize(int size) { return size == 0 ? 12 : std::clamp(size, 1, kMaxSize); }

FT_Face Face(int font, int size, int face) {
  FT_Face f = faces[FamilyOf(font)][(face & Port::kBold) != 0 ? 1 : 0];
  FT_Set_Pixel_Sizes(f, 0, static_cast<FT_UInt>(CutSize(size)));
  return f;
}

}  // namespace

bool InitModule() {
  if (library != nullptr) return true;
  if (FT_Init_FreeType(&library) != 0) {
    library = nullptr;
    errorText = "FreeType could not be started";
    return false;
  }
  for (int family = 0; family < kFamilies; ++family) {
    for (int bold = 0; bold < 2; ++bold) {
      const std::string path = std::string(kFaceDirectory) + kFiles[family][bold];
      if (FT_New_Face(library, path.c_str(), 0, &faces[family][bold]) != 0) {
        errorText = "cannot open font " + path;
        faces[family][bold] = nullptr;
        Shutdown();
        return false;
      }
    }
  }
  errorText.clear();
  return true;
}

void Shutdown() {
  cache.clear();
  for (auto& family : faces) {
    for (FT_Face& f : family) {
      if (f != nullptr) FT_Done_Face(f);
      f = nullptr;
    }
  }
  if (library != nullptr) FT_Done_FreeType(library);
  library = nullptr;
}

const char* ErrorText() { return errorText.c_str(); }

int GetFNum(std::span<const char> name) {
  std::string wanted;
  for (char c : name) {
    if (c == '\0') break;
    wanted.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  }
  for (const NamedFont& f : kTable) {
    std::string known(f.name);
    std::transform(known.begin(), known.end(), known.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    if (!wanted.empty() && known == wanted) return f.number;
  }
  return 0;
}

void GetFontName(int font, std::span<char> name) {
  if (name.empty()) return;
  std::size_t n = 0;
  for (const NamedFont& f : kTable) {
    if (f.number != font) continue;
    for (const char* p = f.name; *p != '\0' && n + 1 < name.size(); ++p) name[n++] = *p;
  }
  name[n] = '\0';
}

int CountFonts() { return static_cast<int>(kTable.size()); }

int FontNumberAt(int index) {
  return index < 0 || index >= CountFonts() ? 0 : kTable[static_cast<std::size_t>(index)].number;
}

FontInfo GetFontInfo(int font, int size, int face) {
  FontInfo info;
  if (library == nullptr) return info;
  const FT_Size_Metrics& m = Face(font, size, face)->size->metrics;
  info.ascent = static_cast<int>(m.ascender >> 6);
  info.descent = static_cast<int>(-m.descender >> 6);
  info.widMax = static_cast<int>(m.max_advance >> 6);
  info.leading = std::max(0, static_cast<int>(m.height >> 6) - info.ascent - info.descent);
  return info;
}

const Glyph& GetGlyph(int font, int size, int face, unsigned char c) {
  if (library == nullptr) return empty;
  const bool italic = (face & Port::kItalic) != 0;
  const std::uint32_t key = (static_cast<std::uint32_t>(FamilyOf(font)) << 19) |
                            (static_cast<std::uint32_t>((face & Port::kBold) != 0) << 18) |
                            (static_cast<std::uint32_t>(italic) << 17) |
                            (static_cast<std::uint32_t>(CutSize(size)) << 8) | c;
  if (const auto it = cache.find(key); it != cache.end()) return it->second;
  if (cache.size() >= kCacheLimit) cache.clear();
  Glyph& g = cache[key];
  FT_Face f = Face(font, size, face);
  FT_Matrix slant{0x10000, italic ? kSlant : 0, 0, 0x10000};
  FT_Set_Transform(f, &slant, nullptr);
  const FT_UInt index = FT_Get_Char_Index(f, MacRoman::ToUnicode(c));
  const bool loaded = FT_Load_Glyph(f, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) == 0;
  FT_Set_Transform(f, nullptr, nullptr);
  if (!loaded) return g;
  const FT_GlyphSlot slot = f->glyph;
  const FT_Bitmap& bm = slot->bitmap;
  g.left = slot->bitmap_left;
  g.top = slot->bitmap_top;
  g.width = static_cast<int>(bm.width);
  g.height = static_cast<int>(bm.rows);
  g.advance = static_cast<int>(slot->advance.x >> 6);
  g.bits.assign(static_cast<std::size_t>(g.width) * g.height, 0);
  for (int y = 0; y < g.height; ++y) {
    const unsigned char* row = bm.buffer + static_cast<std::ptrdiff_t>(y) * bm.pitch;
    for (int x = 0; x < g.width; ++x) {
      const bool on = bm.pixel_mode == FT_PIXEL_MODE_MONO ? ((row[x >> 3] >> (7 - (x & 7))) & 1) != 0
                                                          : row[x] >= 128;
      g.bits[static_cast<std::size_t>(y) * g.width + x] = on ? 1 : 0;
    }
  }
  return g;
}

}  // namespace Fonts
