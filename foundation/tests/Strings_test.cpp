#include "foundation/Strings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Arrays of exactly their capacity on the heap, so the address sanitizer
// catches any access one past the end. Bytes behind the text hold '#', so a
// missing NUL shows up as stray characters in the text.
std::vector<char> Holding(std::string_view text, std::size_t capacity) {
  std::vector<char> array(capacity, '#');
  const std::size_t n = std::min(text.size(), capacity);
  std::copy_n(text.begin(), n, array.begin());
  if (n < capacity) array[n] = '\0';
  return array;
}

// A source whose text ends with its array, not with a NUL.
std::vector<char> Exactly(std::string_view text) { return Holding(text, text.size()); }

// The text of an array; its length equals the capacity exactly when the array
// holds no NUL.
std::string Text(std::span<const char> s) {
  return {s.data(), static_cast<std::size_t>(Strings::Length(s))};
}

const std::string long300(300, 'a');

struct CopyCase {
  const char* what;
  std::vector<char> dst;
  std::vector<char> src;
  std::string expected;
};

TEST(StringsLength, StopsAtNulOrArrayEnd) {
  EXPECT_EQ(Strings::Length(Exactly("abcd")), 4);
  EXPECT_EQ(Strings::Length(Holding("ab", 8)), 2);
  EXPECT_EQ(Strings::Length(std::span<const char>{}), 0);
  EXPECT_EQ(Strings::Length("ab\0cd"), 2);
}

TEST(StringsAssign, KeepsAtMostHCharactersExceptInFourCharacterArrays) {
  const std::vector<CopyCase> cases = {
      {"300 characters into 256", Holding("", 256), Exactly(long300), std::string(255, 'a')},
      {"TEXT into 4, no NUL", Holding("", 4), Exactly("TEXT"), "TEXT"},
      {"longer text into 4", Holding("", 4), Exactly("TEXTS"), "TEXT"},
      {"short text into 4", Holding("zzz", 4), Holding("AB", 3), "AB"},
      {"fills a 5-character array", Holding("", 5), Exactly("abcdefgh"), "abcd"},
      {"source ends at its NUL", Holding("", 8), Holding("abc", 6), "abc"},
      {"source ends with its array", Holding("zzzzzz", 8), Exactly("xyz"), "xyz"},
      {"empty source array", Holding("zz", 4), Exactly(""), ""},
      {"one-character array", Holding("z", 1), Exactly("x"), ""},
  };
  for (CopyCase c : cases) {
    SCOPED_TRACE(c.what);
    Strings::Assign(c.dst, c.src);
    EXPECT_EQ(Text(c.dst), c.expected);
  }
}

TEST(StringsAssign, AcceptsLiteralsAndStandardArrays) {
  char buf[16];
  Strings::Assign(buf, "abc");
  std::array<char, 4> code{};
  Strings::Assign(code, "TEXT");
  EXPECT_TRUE(Strings::Equal(buf, "abc"));
  EXPECT_EQ(Strings::Length(code), 4);
  EXPECT_EQ(std::string(code.begin(), code.end()), "TEXT");
}

TEST(StringsConcat, NeverFillsTheLastCharacter) {
  const std::vector<CopyCase> cases = {
      {"appends", Holding("abc", 8), Exactly("de"), "abcde"},
      {"text of length H unchanged", Holding("abc", 4), Exactly("x"), "abc"},
      {"full array unchanged", Holding("abcd", 4), Exactly("x"), "abcd"},
      {"cut before the last character", Holding("ab", 4), Exactly("xyz"), "abx"},
      {"300 characters onto an empty 256", Holding("", 256), Exactly(long300),
       std::string(255, 'a')},
      {"source ends at its NUL", Holding("a", 8), Holding("xy", 5), "axy"},
      {"one-character array", Holding("", 1), Exactly("x"), ""},
  };
  for (CopyCase c : cases) {
    SCOPED_TRACE(c.what);
    Strings::Concat(c.dst, c.src);
    EXPECT_EQ(Text(c.dst), c.expected);
  }
}

TEST(StringsConcat, AppendingATextToItselfDoublesItOnce) {
  std::vector<char> s = Holding("abc", 16);
  Strings::Concat(s, s);
  EXPECT_EQ(Text(s), "abcabc");
}

TEST(StringsInsert, CutsToHCharacters) {
  struct Case {
    const char* what;
    std::vector<char> dst;
    std::vector<char> src;
    int pos;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"inside", Holding("abc", 256), Exactly("XY"), 1, "aXYbc"},
      {"at the front", Holding("abc", 8), Exactly("XY"), 0, "XYabc"},
      {"at the end", Holding("abc", 8), Exactly("XY"), 3, "abcXY"},
      {"beyond the text", Holding("abc", 256), Exactly("XY"), 4, "abc"},
      {"negative position", Holding("abc", 8), Exactly("XY"), -1, "abc"},
      {"empty source", Holding("abc", 8), Holding("", 4), 1, "abc"},
      {"tail cut", Holding("abcd", 6), Exactly("XY"), 1, "aXYbc"},
      {"source cut, tail lost", Holding("abcd", 6), Exactly("WXYZ12"), 2, "abWXY"},
      {"into a full array", Holding("abcd", 4), Exactly("X"), 0, "Xab"},
      {"behind a full array", Holding("abcd", 4), Exactly("X"), 4, "abc"},
  };
  for (Case c : cases) {
    SCOPED_TRACE(c.what);
    Strings::Insert(c.dst, c.src, c.pos);
    EXPECT_EQ(Text(c.dst), c.expected);
  }
}

TEST(StringsDelString, DeletesOnlyRangesInsideTheText) {
  struct Case {
    std::vector<char> s;
    int pos;
    int count;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {Holding("abcd", 8), 2, 2, "ab"},
      {Holding("abcd", 8), 2, 5, "abcd"},
      {Holding("abcdef", 8), 1, 2, "adef"},
      {Holding("abcd", 8), -1, 2, "abcd"},
      {Holding("abcd", 8), 1, 0, "abcd"},
      {Holding("abcd", 8), 4, 1, "abcd"},
      {Exactly("abcd"), 0, 1, "bcd"},
  };
  for (Case c : cases) {
    SCOPED_TRACE(testing::Message() << c.pos << "," << c.count);
    Strings::DelString(c.s, c.pos, c.count);
    EXPECT_EQ(Text(c.s), c.expected);
  }
}

TEST(StringsSubstring, CutsTheCountToTheDestination) {
  struct Case {
    const char* what;
    std::size_t capacity;
    std::vector<char> src;
    int pos;
    int count;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"inside", 8, Holding("hello", 8), 1, 3, "ell"},
      {"count over capacity, source has them", 4, Exactly("abcdefgh"), 0, 10, "abcd"},
      {"count over capacity, source too short", 4, Holding("abc", 8), 0, 10, ""},
      {"count of H gets a NUL", 4, Exactly("abcdef"), 1, 3, "bcd"},
      {"runs past the text", 8, Holding("hello", 8), 3, 3, ""},
      {"negative position", 8, Holding("hello", 8), -1, 2, ""},
      {"zero count", 8, Holding("hello", 8), 1, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<char> dst = Holding("zz", c.capacity);
    Strings::Substring(dst, c.src, c.pos, c.count);
    EXPECT_EQ(Text(dst), c.expected);
  }
}

TEST(StringsExtract, MovesOrLeavesBothUntouched) {
  struct Case {
    const char* what;
    std::size_t capacity;
    std::vector<char> src;
    int pos;
    int count;
    std::string expectedDst;
    std::string expectedSrc;
  };
  const std::vector<Case> cases = {
      {"inside", 8, Holding("hello", 8), 1, 3, "ell", "ho"},
      {"count over capacity", 4, Exactly("abcdefgh"), 0, 10, "", "abcdefgh"},
      {"count of capacity, no NUL", 4, Exactly("abcdefgh"), 2, 4, "cdef", "abgh"},
      {"whole text", 8, Holding("hello", 8), 0, 5, "hello", ""},
      {"runs past the text", 8, Holding("hello", 8), 3, 3, "", "hello"},
      {"negative position", 8, Holding("hello", 8), -1, 2, "", "hello"},
      {"zero count", 8, Holding("hello", 8), 1, 0, "", "hello"},
  };
  for (Case c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<char> dst = Holding("zz", c.capacity);
    Strings::Extract(dst, c.src, c.pos, c.count);
    EXPECT_EQ(Text(dst), c.expectedDst);
    EXPECT_EQ(Text(c.src), c.expectedSrc);
  }
}

TEST(StringsSearch, FindsFirstOccurrenceFromStart) {
  struct Case {
    std::vector<char> s;
    std::vector<char> pattern;
    int start;
    bool fold;
    int expected;
  };
  const std::vector<Case> cases = {
      {Holding("abcabc", 8), Exactly("bc"), 0, false, 1},
      {Holding("abcabc", 8), Exactly("bc"), 2, false, 4},
      {Holding("abcabc", 8), Exactly("bc"), 5, false, -1},
      {Holding("abcabc", 8), Exactly("c"), 5, false, 5},
      {Holding("abcabc", 8), Exactly("c"), 6, false, -1},
      {Holding("abcabc", 8), Exactly("a"), 7, false, -1},
      {Holding("abcabc", 8), Exactly("a"), -1, false, -1},
      {Holding("abcabc", 8), Holding("", 4), 0, false, -1},
      {Holding("abc", 8), Exactly("abcd"), 0, false, -1},
      {Exactly("abcd"), Holding("cd", 8), 0, false, 2},
      {Holding("abcabc", 8), Exactly("BC"), 0, false, -1},
      {Holding("Hello", 8), Exactly("lL"), 0, true, 2},
      {Holding("x\xE9y", 8), Exactly("\xC9"), 0, true, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << Text(c.s) << " / " << Text(c.pattern) << " from "
                                    << c.start);
    const int found = c.fold ? Strings::SearchCap(c.s, c.pattern, c.start)
                             : Strings::Search(c.s, c.pattern, c.start);
    EXPECT_EQ(found, c.expected);
  }
}

TEST(StringsCount, CountsOverlappingOccurrences) {
  EXPECT_EQ(Strings::Count("aaaa", "aa"), 3);
  EXPECT_EQ(Strings::Count("abab", "ab"), 2);
  EXPECT_EQ(Strings::Count("abab", ""), 0);
  EXPECT_EQ(Strings::Count("", "a"), 0);
}

TEST(StringsCompare, ComparesUnsignedBytesUpToTheText) {
  struct Case {
    std::vector<char> a;
    std::vector<char> b;
    int compare;
    bool equalCap;
  };
  const std::vector<Case> cases = {
      {Holding("abc", 8), Holding("abd", 8), -1, false},
      {Holding("abd", 8), Holding("abc", 8), 1, false},
      {Holding("abc", 8), Holding("ab", 8), 1, false},
      {Holding("ab", 8), Holding("abc", 8), -1, false},
      {Holding("ab", 8), Holding("AB", 8), 1, true},
      {Holding("", 8), Holding("", 2), 0, true},
      {Exactly("abc"), Holding("abc", 8), 0, true},
      {Holding("\x80", 4), Holding("a", 4), 1, false},
      {Holding("\xE9", 4), Holding("\xC9", 4), 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << Text(c.a) << " / " << Text(c.b));
    EXPECT_EQ(Strings::Compare(c.a, c.b), c.compare);
    EXPECT_EQ(Strings::Equal(c.a, c.b), c.compare == 0);
    EXPECT_EQ(Strings::EqualCap(c.a, c.b), c.equalCap);
  }
}

TEST(StringsComp, ComparesRangesClippedToTheArrays) {
  struct Case {
    std::vector<char> a;
    std::vector<char> b;
    int startA, startB, endA, endB;
    bool fold;
    int expected;
  };
  const std::vector<Case> cases = {
      {Exactly("xabcx"), Exactly("abc"), 1, 0, 4, 3, false, 0},
      {Exactly("xabcx"), Exactly("abc"), 1, 0, 5, 3, false, 1},
      {Exactly("xab"), Exactly("abc"), 1, 0, 3, 3, false, -1},
      {Exactly("ABC"), Exactly("abd"), 0, 0, 2, 2, true, 0},
      {Exactly("ABC"), Exactly("abd"), 0, 0, 3, 3, true, -1},
      {Exactly("abc"), Exactly("abc"), 0, 0, 100, 100, false, 0},
      {Exactly("abc"), Exactly("abc"), -5, -5, 3, 3, false, 0},
      {Exactly("abc"), Exactly("abc"), 3, 0, 3, 3, false, -1},
      {Exactly("abc"), Exactly("abc"), 0, 9, 3, 3, false, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << Text(c.a) << "[" << c.startA << "," << c.endA << ") / "
                                    << Text(c.b) << "[" << c.startB << "," << c.endB << ")");
    EXPECT_EQ(Strings::Comp(c.a, c.b, c.startA, c.startB, c.endA, c.endB, c.fold), c.expected);
  }
}

TEST(StringsCapitalize, FoldsOnlyAsciiSmallLetters) {
  const std::vector<CopyCase> cases = {
      {"mixed", Holding("", 16), Exactly("Hello, w\xF6rld!"), "HELLO, W\xF6RLD!"},
      {"fills the destination", Holding("", 3), Exactly("abcdef"), "ABC"},
      {"source ends at its NUL", Holding("zzzzz", 8), Holding("az", 4), "AZ"},
  };
  for (CopyCase c : cases) {
    SCOPED_TRACE(c.what);
    Strings::Capitalize(c.src, c.dst);
    EXPECT_EQ(Text(c.dst), c.expected);
  }
}

TEST(StringsReplace, ReplacesEveryCharacter) {
  const std::vector<CopyCase> cases = {
      {"every dot", Holding("", 16), Exactly("a.b.c"), "a/b/c"},
      {"fills the destination", Holding("", 3), Exactly("a.b.c"), "a/b"},
      {"nothing to replace", Holding("zzzzz", 8), Holding("abc", 8), "abc"},
  };
  for (CopyCase c : cases) {
    SCOPED_TRACE(c.what);
    Strings::Replace(c.dst, c.src, '.', '/');
    EXPECT_EQ(Text(c.dst), c.expected);
  }
}

TEST(StringsTrim, RemovesTheCharacterWhereAsked) {
  using Trimmer = void (*)(std::span<char>, char);
  struct Case {
    const char* what;
    Trimmer trim;
    std::vector<char> s;
    char ch;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"Trim everywhere", Strings::Trim, Holding(" a b  c ", 16), ' ', "abc"},
      {"Trim full array", Strings::Trim, Exactly("xaxa"), 'x', "aa"},
      {"Trim nothing in full array", Strings::Trim, Exactly("abcd"), 'x', "abcd"},
      {"TrimLeading", Strings::TrimLeading, Holding("  a", 8), ' ', "a"},
      {"TrimLeading keeps inner", Strings::TrimLeading, Holding("xxaxb", 8), 'x', "axb"},
      {"TrimLeading nothing", Strings::TrimLeading, Holding("abc", 8), 'x', "abc"},
      {"TrimLeading all of full array", Strings::TrimLeading, Exactly("xxxx"), 'x', ""},
      {"TrimLeading full array", Strings::TrimLeading, Exactly("xabc"), 'x', "abc"},
      {"TrimTrailing all", Strings::TrimTrailing, Holding("xxx", 8), 'x', ""},
      {"TrimTrailing keeps inner", Strings::TrimTrailing, Holding("a b  ", 8), ' ', "a b"},
      {"TrimTrailing full array", Strings::TrimTrailing, Exactly("abxx"), 'x', "ab"},
      {"TrimTrailing empty", Strings::TrimTrailing, Holding("", 4), 'x', ""},
  };
  for (Case c : cases) {
    SCOPED_TRACE(c.what);
    c.trim(c.s, c.ch);
    EXPECT_EQ(Text(c.s), c.expected);
  }
}

TEST(StringsPascal, ToPascalKeepsAtMost255Characters) {
  Strings::PascalString p;
  p.fill('#');
  Strings::ToPascal(Exactly(long300), p);
  EXPECT_EQ(p[0], 255);
  EXPECT_TRUE(std::all_of(p.begin() + 1, p.end(), [](unsigned char c) { return c == 'a'; }));

  p.fill('#');
  Strings::ToPascal(Exactly("abc"), p);
  EXPECT_EQ(p[0], 3);
  EXPECT_EQ(std::string(p.begin() + 1, p.begin() + 4), "abc");
  EXPECT_EQ(p[4], 0);
}

TEST(StringsPascal, FromPascalReadsTheLengthUnsigned) {
  Strings::PascalString p;
  p.fill('b');
  p[0] = 200;
  std::vector<char> dst = Holding("", 256);
  Strings::FromPascal(p, dst);
  EXPECT_EQ(Text(dst), std::string(200, 'b'));

  p[0] = 255;
  std::vector<char> small = Holding("", 16);
  Strings::FromPascal(p, small);
  EXPECT_EQ(Text(small), std::string(16, 'b'));

  p[0] = 0;
  Strings::FromPascal(p, dst);
  EXPECT_EQ(Text(dst), "");
}

TEST(StringsPascal, RoundTrip) {
  Strings::PascalString p;
  std::vector<char> back = Holding("", 32);
  Strings::ToPascal("Tlv3 data", p);
  Strings::FromPascal(p, back);
  EXPECT_EQ(Text(back), "Tlv3 data");
}

// The text array sits right in front of a guard, so a write one past the
// array shows even without the sanitizer.
template <std::size_t N>
struct Guarded {
  std::array<char, N> text;
  std::array<char, 8> guard;
};

template <std::size_t N>
void ExpectFullArrayNeverWrittenBeyond() {
  const std::vector<char> longText = Exactly("0123456789abcdefABCDEF");
  Strings::PascalString pascal;
  pascal.fill('p');
  using Operation = void (*)(std::span<char>, std::span<const char>, const Strings::PascalString&);
  const std::vector<std::pair<const char*, Operation>> operations = {
      {"Assign", [](auto d, auto src, auto&) { Strings::Assign(d, src); }},
      {"Concat", [](auto d, auto src, auto&) { Strings::Concat(d, src); }},
      {"Insert front", [](auto d, auto src, auto&) { Strings::Insert(d, src, 0); }},
      {"Insert behind", [](auto d, auto src, auto&) { Strings::Insert(d, src, static_cast<int>(N)); }},
      {"DelString", [](auto d, auto, auto&) { Strings::DelString(d, static_cast<int>(N) - 1, 1); }},
      {"Substring", [](auto d, auto src, auto&) { Strings::Substring(d, src, 0, 1000); }},
      {"Extract",
       [](auto d, auto, auto&) {
         std::vector<char> src = Exactly("0123456789abcdefABCDEF");
         Strings::Extract(d, src, 0, static_cast<int>(N));
       }},
      {"Capitalize", [](auto d, auto src, auto&) { Strings::Capitalize(src, d); }},
      {"Replace", [](auto d, auto src, auto&) { Strings::Replace(d, src, 'a', 'z'); }},
      {"Trim", [](auto d, auto, auto&) { Strings::Trim(d, '!'); }},
      {"TrimLeading", [](auto d, auto, auto&) { Strings::TrimLeading(d, 'x'); }},
      {"TrimTrailing", [](auto d, auto, auto&) { Strings::TrimTrailing(d, 'x'); }},
      {"FromPascal", [](auto d, auto, auto& p) { Strings::FromPascal(p, d); }},
  };
  for (const auto& [what, operation] : operations) {
    SCOPED_TRACE(testing::Message() << what << " into " << N);
    Guarded<N> g;
    g.text.fill('x');
    g.guard.fill('G');
    operation(g.text, longText, pascal);
    EXPECT_EQ(std::string(g.guard.begin(), g.guard.end()), "GGGGGGGG");
  }
}

TEST(StringsBounds, FullArrayIsNeverWrittenBeyond) {
  ExpectFullArrayNeverWrittenBeyond<4>();
  ExpectFullArrayNeverWrittenBeyond<8>();
}

TEST(StringsBounds, EmptySpansAreLeftAlone) {
  const std::span<char> none;
  std::vector<char> s = Holding("abc", 8);
  Strings::PascalString p{};
  Strings::Clear(none);
  Strings::Assign(none, "abc");
  Strings::Concat(none, "abc");
  Strings::Insert(none, "abc", 0);
  Strings::DelString(none, 0, 1);
  Strings::Substring(none, "abc", 0, 1);
  Strings::Extract(none, s, 0, 1);
  Strings::Capitalize("abc", none);
  Strings::Trim(none, 'a');
  Strings::TrimLeading(none, 'a');
  Strings::TrimTrailing(none, 'a');
  Strings::Replace(none, "abc", 'a', 'b');
  Strings::FromPascal(p, none);
  EXPECT_EQ(Text(s), "abc");

  Strings::Assign(s, none);
  EXPECT_EQ(Text(s), "");
  Strings::ToPascal(none, p);
  EXPECT_EQ(p[0], 0);
  EXPECT_EQ(Strings::Search(none, "a", 0), -1);
  EXPECT_EQ(Strings::Count("a", none), 0);
  EXPECT_EQ(Strings::Compare(none, none), 0);
  EXPECT_EQ(Strings::Compare(none, "a"), -1);
}

}  // namespace
