// Fonts: the platform's font numbers and names, mapped onto Debian's DejaVu
// faces (package fonts-dejavu-core) and rendered by FreeType without
// anti-aliasing, so that the same text always gives the same pixels.
//
//   number  name         face
//   22      "Courier"    DejaVu Sans Mono   (every window's default)
//   4       "Monaco"     DejaVu Sans Mono
//   21      "Helvetica"  DejaVu Sans
//   3       "Geneva"     DejaVu Sans
//   16      "Paladino"   DejaVu Serif
// Any other number draws with DejaVu Sans. Sizes are pixels (72 dpi);
// size 0 means 12 and sizes are cut to 1 .. kMaxSize. Bold takes the bold
// face, italic slants the upright one; other face bits draw as plain.
// Characters are the program's 8-bit set, converted to Unicode here; a code
// the face has no glyph for (the control codes among them) shows the face's
// missing-glyph box.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace Fonts {

inline constexpr int kCourier = 22;
inline constexpr int kMonaco = 4;
inline constexpr int kHelvetica = 21;
inline constexpr int kGeneva = 3;
inline constexpr int kPaladino = 16;

inline constexpr int kMaxSize = 256;

// Where the faces are looked for.
inline constexpr const char* kFaceDirectory = "/usr/share/fonts/truetype/dejavu/";

// Starts FreeType and opens the six faces (regular and bold of the three
// families). False when one cannot be opened; ErrorText says which. Calling
// it again after success does nothing and answers TRUE.
bool InitModule();
void Shutdown();
const char* ErrorText();

// The number of a font name (letter case ignored); 0 for an empty or
// unknown name.
int GetFNum(std::span<const char> name);

// The name of a font number; empty for a number outside the table.
void GetFontName(int font, std::span<char> name);

// The installed fonts, index 0 .. CountFonts() - 1, in the table's order;
// 0 for an index outside it.
int CountFonts();
int FontNumberAt(int index);

struct FontInfo {
  int ascent = 0;   // pixels above the base line
  int descent = 0;  // pixels below it
  int widMax = 0;   // widest advance
  int leading = 0;  // extra space between lines
};

FontInfo GetFontInfo(int font, int size, int face);

// A rendered character: `bits` holds width x height bytes of 0 or 1; its
// top-left pixel lies `left` pixels right of the pen and `top` pixels above
// the base line; the pen then moves on by `advance`.
struct Glyph {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int advance = 0;
  std::vector<std::uint8_t> bits;
};

// Valid until the next call; an empty glyph when the module is not set up.
const Glyph& GetGlyph(int font, int size, int face, unsigned char c);

}  // namespace Fonts
