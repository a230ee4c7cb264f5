// Fonts and text: the font table, metrics, the 8-bit character set, the
// text modes, and the faces at three sizes against golden images.
#include "platform/Fonts.h"
#include "platform/MacRoman.h"
#include "platform/Port.h"
#include "platform/Shapes.h"
#include "platform/Text.h"
#include "platform/tests/Golden_fixture.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

using Geometry::SetRect;

TEST(Fonts, NamesAndNumbers) {
  struct Case {
    const char* name;
    int number;
  };
  const std::vector<Case> cases{{"Courier", 22}, {"monaco", 4}, {"HELVETICA", 21}, {"Geneva", 3},
                                {"Paladino", 16}, {"Times", 0},  {"", 0}};
  for (const Case& c : cases) EXPECT_EQ(Fonts::GetFNum(std::string(c.name)), c.number) << c.name;
  std::array<char, 32> name{};
  Fonts::GetFontName(16, name);
  EXPECT_STREQ(name.data(), "Paladino");
  Fonts::GetFontName(99, name);
  EXPECT_STREQ(name.data(), "");
  std::array<char, 4> shortName{};
  Fonts::GetFontName(21, shortName);
  EXPECT_STREQ(shortName.data(), "Hel");
}

TEST(MacRoman, ProgramCharactersMapToUnicodeAndBack) {
  struct Case {
    unsigned char code;
    char32_t unicode;
  };
  const std::vector<Case> cases{{'A', U'A'}, {0xB5, U'\u00B5'}, {0xBD, U'\u03A9'}, {0xB1, U'\u00B1'},
                                {0xA5, U'\u2022'}, {0xDB, U'\u20AC'}, {0x08, U'\b'}};
  for (const Case& c : cases) {
    EXPECT_EQ(MacRoman::ToUnicode(c.code), c.unicode) << int(c.code);
    unsigned char back = 0;
    EXPECT_TRUE(MacRoman::FromUnicode(c.unicode, back));
    EXPECT_EQ(back, c.code);
  }
  for (int c = 0; c < 256; ++c) {
    unsigned char back = 0;
    ASSERT_TRUE(MacRoman::FromUnicode(MacRoman::ToUnicode(static_cast<unsigned char>(c)), back));
    EXPECT_EQ(back, c);
  }
  unsigned char untouched = 7;
  EXPECT_FALSE(MacRoman::FromUnicode(U'\u4E2D', untouched));
  EXPECT_EQ(untouched, 7);
}

TEST(Text, MonospacedFacesAdvanceEvenlyAndMeasureWhatTheyDraw) {
  Canvas c(300, 40);
  for (int font : {Fonts::kCourier, Fonts::kMonaco}) {
    Port::TextFont(font);
    Port::TextSize(12);
    const int m = Text::CharWidth('M');
    EXPECT_GT(m, 0);
    for (const unsigned char ch : std::array<unsigned char, 6>{'i', 'W', ' ', '.', 0xB5, 8}) {
      EXPECT_EQ(Text::CharWidth(ch), m) << font << " " << int(ch);
    }
    EXPECT_EQ(Text::GetFontInfo().widMax, m);
  }
  Port::TextFont(Fonts::kHelvetica);
  Port::TextSize(18);
  EXPECT_LT(Text::CharWidth('i'), Text::CharWidth('W'));
  const char text[] = "Width\0hidden";
  EXPECT_EQ(Text::StringWidth(text), Text::TextWidth(std::span<const char>(text, 5)));
  EXPECT_GT(Text::TextWidth(std::span<const char>(text, sizeof text - 1)), Text::StringWidth(text));
  Port::MoveTo(10, 30);
  Text::DrawString(text);
  EXPECT_EQ(Port::GetPen().h, 10 + Text::StringWidth(text));
  const Fonts::FontInfo info = Text::GetFontInfo();
  EXPECT_GT(info.ascent, info.descent);
  EXPECT_GT(info.descent, 0);
  // Sizes outside the range are cut, 0 is the default.
  EXPECT_EQ(Fonts::GetFontInfo(Fonts::kGeneva, 0, 0).ascent, Fonts::GetFontInfo(Fonts::kGeneva, 12, 0).ascent);
  EXPECT_EQ(Fonts::GetFontInfo(Fonts::kGeneva, 32767, 0).ascent,
            Fonts::GetFontInfo(Fonts::kGeneva, Fonts::kMaxSize, 0).ascent);
}

TEST(Text, CopyModePaintsTheCellAndNotXorOverABlankInvertsIt) {
  Canvas c(100, 40);
  Port::TextFont(Fonts::kCourier);
  Port::TextSize(12);
  const Fonts::FontInfo info = Text::GetFontInfo();
  const int w = Text::CharWidth(' ');
  Shapes::PaintRect(SetRect(0, 0, 100, 40));
  Port::TextMode(Port::kSrcCopy);
  Port::MoveTo(10, 20);
  Text::DrawChar(' ');
  for (int y = 20 - info.ascent; y < 20 + info.descent; ++y) {
    for (int x = 10; x < 10 + w; ++x) ASSERT_EQ(c.Pixels().At(x, y), 0xFFFFFFu) << x << "," << y;
  }
  EXPECT_EQ(c.Pixels().At(10 + w, 20), 0u);
  // The terminal's block cursor: a blank in inverted xor, twice, is gone.
  Port::TextMode(Port::kNotSrcXor);
  Port::MoveTo(40, 20);
  Text::DrawChar(' ');
  EXPECT_EQ(c.Pixels().At(40, 20), 0xFFFFFFu);
  Port::MoveTo(40, 20);
  Text::DrawChar(' ');
  EXPECT_EQ(c.Pixels().At(40, 20), 0u);
}

// Courier, Helvetica and Paladino at 9, 12 and 18 pixels, with the
// characters above 0x7F the program uses, and the face styles.
TEST(TextGolden, FacesAndSizes) {
  Canvas c(540, 170);
  const std::array<int, 3> fonts{Fonts::kCourier, Fonts::kHelvetica, Fonts::kPaladino};
  const std::array<int, 3> sizes{9, 12, 18};
  int y = 4;
  for (int font : fonts) {
    for (int size : sizes) {
      Port::TextFont(font);
      Port::TextSize(size);
      y += Text::GetFontInfo().ascent + 2;
      Port::MoveTo(4, y);
      Text::DrawString("Gain 10 mV/pA \xB1" "5 \xB5s 100 M\xBD ");
      Port::TextFace(Port::kBold);
      Text::DrawString("Bold ");
      Port::TextFace(Port::kItalic);
      Text::DrawString("Italic ");
      Port::TextFace(Port::kUnderline);
      Text::DrawString("Under");
      Port::TextFace(0);
      y += Text::GetFontInfo().descent;
    }
  }
  EXPECT_TRUE(MatchesGolden(c.Pixels(), "text_faces"));
}

// Inverted text (the terminal's inverse rendition), xor text, and the
// block cursor over a character.
TEST(TextGolden, InvertedText) {
  Canvas c(260, 60);
  Port::TextFont(Fonts::kCourier);
  Port::TextSize(12);
  Port::MoveTo(4, 16);
  Port::TextMode(Port::kSrcCopy);
  Text::DrawString("normal ");
  Port::TextMode(Port::kNotSrcCopy);
  Text::DrawString("inverse");
  Port::TextMode(Port::kSrcCopy);
  Text::DrawString(" back");
  Port::RGBBackColor(Color::kHilite);
  Port::MoveTo(4, 34);
  Text::DrawString("highlighted");
  Port::RGBBackColor(Color::kWhite);
  Port::RGBForeColor(Color::kWhite);
  Port::RGBBackColor(Color::kBlue);
  Port::TextMode(Port::kSrcCopy);
  Text::DrawString(" on dark");
  Port::RGBForeColor(Color::kBlack);
  Port::RGBBackColor(Color::kWhite);
  Port::MoveTo(4, 52);
  Text::DrawString("cursor>X<");
  const int x = 4 + Text::StringWidth("cursor>");
  Port::MoveTo(x, 52);
  Port::TextMode(Port::kNotSrcXor);
  Text::DrawChar(' ');
  EXPECT_TRUE(MatchesGolden(c.Pixels(), "text_inverted"));
}

}  // namespace
