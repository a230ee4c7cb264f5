#include "foundation/TextFile.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "Console_fixture.h"
#include "foundation/IOBase.h"

namespace {

using Sequence = std::function<void()>;

std::span<const char> Key(const char* key) { return {key, std::strlen(key) + 1}; }

class KeyedFileTest : public ConsoleTest {
 protected:
  static constexpr char kName[] = "settings.txt";

  // Runs the sequence bound for writing into a new file, closed by its CRC
  // line; TRUE when ProcessCRC was.
  bool Save(const Sequence& sequence) {
    IOBytes::FileHandle file;
    EXPECT_TRUE(IOBytes::Open(kName, nullptr,
                              IOBytes::ModeRead | IOBytes::ModeWrite | IOBytes::ModeCreate, file));
    TextFile::InitVariables(file, true);
    sequence();
    std::uint32_t stored = 0;
    const bool crc = TextFile::ProcessCRC(stored, computed_);
    EXPECT_TRUE(IOBytes::Close(file));
    return crc;
  }

  // Runs the sequence bound for reading the file, then ProcessCRC.
  bool Load(const Sequence& sequence) {
    IOBytes::FileHandle file;
    EXPECT_TRUE(IOBytes::Open(kName, nullptr, IOBytes::ModeRead, file));
    TextFile::InitVariables(file, false);
    sequence();
    const bool crc = TextFile::ProcessCRC(stored_, computed_);
    EXPECT_TRUE(IOBytes::Close(file));
    return crc;
  }

  std::string Content() const { return FileContent(kName); }
  void SetContent(const std::string& text) const { PutFile(kName, text); }
  std::string ErrorDescr() const { return TextFile::ErrorDescr; }

  std::uint32_t stored_ = 0;
  std::uint32_t computed_ = 0;
};

// The Checksum32 rule over one line: little-endian words, then the rest.
std::uint32_t LineSum(const std::string& line) {
  std::uint32_t sum = 0;
  std::size_t at = 0;
  const auto byte = [&](std::size_t i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(line[i]));
  };
  for (; at + 4 <= line.size(); at += 4) {
    sum += byte(at) | byte(at + 1) << 8 | byte(at + 2) << 16 | byte(at + 3) << 24;
  }
  if (line.size() - at >= 2) {
    sum += byte(at) | byte(at + 1) << 8;
    at += 2;
  }
  if (at < line.size()) sum += byte(at);
  return sum;
}

TEST_F(KeyedFileTest, EveryTypeWritesItsLine) {
  struct Golden {
    const char* what;
    Sequence write;
    const char* lines;
  };
  const std::vector<Golden> cases = {
      {"bool",
       [] {
         bool v = true;
         TextFile::ProcessBool("flag", v);
       },
       "flag  TRUE\n"},
      {"bool",
       [] {
         bool v = false;
         TextFile::ProcessBool("flag", v);
       },
       "flag  FALSE\n"},
      {"card",
       [] {
         std::uint32_t v = 4000000000u;
         TextFile::ProcessCard("n", v);
       },
       "n 4000000000\n"},
      {"card32",
       [] {
         std::uint32_t v = 7;
         TextFile::ProcessCard32("n", v);
       },
       "n 7\n"},
      {"card16",
       [] {
         std::uint16_t v = 65535;
         TextFile::ProcessCard16("n", v);
       },
       "n 65535\n"},
      {"int",
       [] {
         std::int32_t v = -5;
         TextFile::ProcessInt("i", v);
       },
       "i -5\n"},
      {"int32",
       [] {
         std::int32_t v = std::numeric_limits<std::int32_t>::min();
         TextFile::ProcessInt32("i", v);
       },
       "i -2147483648\n"},
      {"int16",
       [] {
         std::int16_t v = -32768;
         TextFile::ProcessInt16("i", v);
       },
       "i -32768\n"},
      {"set16",
       [] {
         std::uint16_t v = 0x8001;
         TextFile::ProcessSet16("s", v);
       },
       "s -32767\n"},
      {"ord",
       [] {
         char v = 'A';
         TextFile::ProcessOrdOfChar("o", v);
       },
       "o 65\n"},
      {"ord",
       [] {
         char v = '\xFF';
         TextFile::ProcessOrdOfChar("o", v);
       },
       "o 255\n"},
      {"byte",
       [] {
         std::uint8_t v = 200;
         TextFile::ProcessByte("b", v);
       },
       "b -56\n"},
      {"char",
       [] {
         char v = 'x';
         TextFile::ProcessChar("c", v);
       },
       "c x\n"},
      {"char",
       [] {
         char v = 0;
         TextFile::ProcessChar("c", v);
       },
       "c \"\"\n"},
      {"real",
       [] {
         double v = 1.234567891e-5;
         TextFile::ProcessLongReal("r", v);
       },
       "r  1.234567891E-05\n"},
      {"real",
       [] {
         double v = -250.0;
         TextFile::ProcessLongReal("r", v);
       },
       "r -2.500000000E+02\n"},
      {"string",
       [] {
         char v[16] = "hello";
         TextFile::ProcessString("t", v);
       },
       "t \"hello\"\n"},
      {"color",
       [] {
         TextFile::RGBColor v{1, 2, 65535};
         TextFile::ProcessColor("col", v);
       },
       "col 1, 2, 65535\n"},
      {"binhex",
       [] {
         std::uint8_t v[] = {0x00, 0x1F, 0xA5};
         TextFile::ProcessBinhex("bin", v);
       },
       "bin \"  /!%*\"\n"},
      {"byte array",
       [] {
         std::uint8_t v[] = {0, 255, 7};
         TextFile::ProcessByteArray("arr", v);
       },
       "arr 0,255,7\n"},
      {"indexed",
       [] {
         TextFile::IndexBase = 10;
         std::int16_t v = 4;
         TextFile::ProcessIndexedInt16("gain", v, 2);
       },
       "gain12 4\n"},
  };
  for (const Golden& c : cases) {
    ASSERT_TRUE(Save(c.write)) << c.what;
    std::string lines = c.lines;
    const std::string body = lines.substr(0, lines.size() - 1);
    EXPECT_EQ(Content(), lines + "CRC " + std::to_string(LineSum(body)) + "\n") << c.what;
  }
  ASSERT_TRUE(Save([] {
    std::int32_t v = 1;
    TextFile::ProcessInt32("a", v);
  }));
  EXPECT_EQ(Content(), "a 1\nCRC 8338\n");
}

struct Record {
  bool flag = false;
  std::uint32_t card = 0;
  std::uint32_t card32 = 0;
  std::uint16_t card16 = 0;
  std::int32_t integer = 0;
  std::int32_t int32 = 0;
  std::int16_t int16 = 0;
  std::uint16_t set16 = 0;
  char ord = 0;
  char character = 0;
  char nul = 'z';
  std::uint8_t byte = 0;
  double real = 0.0;
  double infinite = 0.0;
  std::array<char, 32> text{};
  TextFile::RGBColor color;
  std::array<std::uint8_t, 70> binhex{};
  std::array<std::uint8_t, 40> bytes{};
  std::array<std::int32_t, 3> gains{};

  void Process() {
    TextFile::ProcessBool("flag", flag);
    TextFile::ProcessCard("card", card);
    TextFile::ProcessCard32("card32", card32);
    TextFile::ProcessCard16("card16", card16);
    TextFile::ProcessInt("integer", integer);
    TextFile::ProcessInt32("int32", int32);
    TextFile::ProcessInt16("int16", int16);
    TextFile::ProcessSet16("set16", set16);
    TextFile::ProcessOrdOfChar("ord", ord);
    TextFile::ProcessChar("character", character);
    TextFile::ProcessChar("nul", nul);
    TextFile::ProcessByte("byte", byte);
    TextFile::ProcessLongReal("real", real);
    TextFile::ProcessLongReal("infinite", infinite);
    TextFile::ProcessString("text", text);
    TextFile::ProcessColor("color", color);
    TextFile::ProcessBinhex("binhex", binhex);
    TextFile::ProcessByteArray("bytes", bytes);
    for (std::int32_t i = 0; i < 3; ++i) TextFile::ProcessIndexedInt("gain", gains[i], i);
  }
};

TEST_F(KeyedFileTest, EveryTypeRoundTrips) {
  Record saved;
  saved.flag = true;
  saved.card = 4294967295u;
  saved.card32 = 123456789u;
  saved.card16 = 65535;
  saved.integer = std::numeric_limits<std::int32_t>::min();
  saved.int32 = std::numeric_limits<std::int32_t>::max();
  saved.int16 = std::numeric_limits<std::int16_t>::min();
  saved.set16 = 0x8000;
  saved.ord = '\xE9';
  saved.character = '"';
  saved.nul = 0;
  saved.byte = 0x80;
  saved.real = -1.234567891e-300;
  saved.infinite = std::numeric_limits<double>::infinity();
  std::strcpy(saved.text.data(), "a \"quoted\" text");
  saved.color = {65535, 0, 32768};
  for (std::size_t i = 0; i < saved.binhex.size(); ++i)
    saved.binhex[i] = static_cast<std::uint8_t>(i * 37);
  for (std::size_t i = 0; i < saved.bytes.size(); ++i)
    saved.bytes[i] = static_cast<std::uint8_t>(255 - i * 3);
  saved.gains = {-1, 0, 1000000};
  ASSERT_TRUE(Save([&] { saved.Process(); }));

  Record loaded;
  ASSERT_TRUE(Load([&] { loaded.Process(); }));
  EXPECT_EQ(TextFile::ErrorNumber, 0) << ErrorDescr();
  EXPECT_EQ(TextFile::ID_NotFound, 0);
  EXPECT_EQ(stored_, computed_);
  EXPECT_EQ(loaded.flag, saved.flag);
  EXPECT_EQ(loaded.card, saved.card);
  EXPECT_EQ(loaded.card32, saved.card32);
  EXPECT_EQ(loaded.card16, saved.card16);
  EXPECT_EQ(loaded.integer, saved.integer);
  EXPECT_EQ(loaded.int32, saved.int32);
  EXPECT_EQ(loaded.int16, saved.int16);
  EXPECT_EQ(loaded.set16, saved.set16);
  EXPECT_EQ(loaded.ord, saved.ord);
  EXPECT_EQ(loaded.character, saved.character);
  EXPECT_EQ(loaded.nul, 0);
  EXPECT_EQ(loaded.byte, saved.byte);
  EXPECT_EQ(loaded.real, saved.real);
  EXPECT_TRUE(std::isinf(loaded.infinite));
  EXPECT_STREQ(loaded.text.data(), saved.text.data());
  EXPECT_EQ(loaded.color.red, saved.color.red);
  EXPECT_EQ(loaded.color.green, saved.color.green);
  EXPECT_EQ(loaded.color.blue, saved.color.blue);
  EXPECT_EQ(loaded.binhex, saved.binhex);
  EXPECT_EQ(loaded.bytes, saved.bytes);
  EXPECT_EQ(loaded.gains, saved.gains);
}

// A key is a whole word: "gain1" never takes the line of "gain10", whichever
// comes first, and keys are found in any order.
TEST_F(KeyedFileTest, AKeyReadsOnlyItsOwnLine) {
  SetContent("gain10 10\ngain1 1\n\tgain2\t2\n  gain 0\nCRC 0\n");
  std::int32_t gain = -1;
  std::int32_t gain1 = -1;
  std::int32_t gain10 = -1;
  std::int32_t gain2 = -1;
  Load([&] {
    TextFile::ProcessInt32("gain1", gain1);
    TextFile::ProcessInt32("gain10", gain10);
    TextFile::ProcessInt32("gain", gain);
  });
  EXPECT_EQ(TextFile::ErrorNumber, 0) << ErrorDescr();
  EXPECT_EQ(gain1, 1);
  EXPECT_EQ(gain10, 10);
  EXPECT_EQ(gain, 0);
  // A tab between key and value is no separator.
  Load([&] { TextFile::ProcessInt32("gain2", gain2); });
  EXPECT_EQ(TextFile::ErrorNumber, -1);
  EXPECT_EQ(ErrorDescr(), "\"gain2\": number not found.");
  EXPECT_EQ(gain2, -1);
}

TEST_F(KeyedFileTest, OnlyBlanksAndTabsMayStandBeforeAKey) {
  SetContent(" \t flag TRUE\nx count 5\nCRC 0\n");
  bool flag = false;
  std::int32_t count = 7;
  Load([&] {
    TextFile::ProcessBool("flag", flag);
    TextFile::ProcessInt32("count", count);
  });
  EXPECT_TRUE(flag);
  EXPECT_EQ(count, 7);
  EXPECT_EQ(TextFile::ErrorNumber, 0);
  EXPECT_EQ(TextFile::ID_NotFound, 1);
  EXPECT_EQ(Records().back(), "\"count\" not found.");
}

TEST_F(KeyedFileTest, ARemovedCrcLineIsReported) {
  std::int32_t value = 42;
  ASSERT_TRUE(Save([&] { TextFile::ProcessInt32("value", value); }));
  SetContent("value 42\n");
  value = 0;
  EXPECT_FALSE(Load([&] { TextFile::ProcessInt32("value", value); }));
  EXPECT_EQ(value, 42);
  EXPECT_EQ(TextFile::ErrorNumber, 0);
  EXPECT_EQ(TextFile::ID_NotFound, 0);
  EXPECT_EQ(Records().back(), "\"CRC\" not found.");
}

TEST_F(KeyedFileTest, TheSumSkipsLinesThatBeginWithCrc) {
  std::int32_t value = 42;
  ASSERT_TRUE(Save([&] { TextFile::ProcessInt32("value", value); }));
  const std::string original = Content();
  const auto sum = [&](const std::string& content) {
    SetContent(content);
    IOBytes::FileHandle file;
    EXPECT_TRUE(IOBytes::Open(kName, nullptr, IOBytes::ModeRead, file));
    TextFile::InitVariables(file, false);
    const std::uint32_t crc = TextFile::ComputeCRC(file);
    IOBytes::Close(file);
    return crc;
  };
  const std::uint32_t plain = sum(original);
  EXPECT_EQ(plain, LineSum("value 42"));
  EXPECT_EQ(sum("CRC comment\n" + original), plain);
  EXPECT_EQ(sum("\n" + original), plain);
  EXPECT_NE(sum("comment CRC\n" + original), plain);
  EXPECT_EQ(sum("value 42\r\nCRC 1\r\n"), plain);
}

struct BadValue {
  const char* content;
  Sequence read;
  const char* error;
};

TEST_F(KeyedFileTest, MalformedValuesStopTheSequence) {
  const std::vector<BadValue> cases = {
      {"flag yes\n",
       [] {
         bool v = false;
         TextFile::ProcessBool("flag", v);
       },
       "\"flag\": encoding error."},
      {"n -1\n",
       [] {
         std::uint32_t v = 0;
         TextFile::ProcessCard("n", v);
       },
       "\"n\": encoding error."},
      {"n 32768\n",
       [] {
         std::int16_t v = 0;
         TextFile::ProcessInt16("n", v);
       },
       "\"n\": encoding error."},
      {"n\n",
       [] {
         std::int32_t v = 0;
         TextFile::ProcessInt32("n", v);
       },
       "\"n\": number not found."},
      {"r x\n",
       [] {
         double v = 0;
         TextFile::ProcessLongReal("r", v);
       },
       "\"r\": encoding error."},
      {"t hello\n",
       [] {
         char v[8] = "";
         TextFile::ProcessString("t", v);
       },
       "\"t\": starting quotes not found."},
      {"c 1, 2\n",
       [] {
         TextFile::RGBColor v;
         TextFile::ProcessColor("c", v);
       },
       "\"c\": encoding error."},
      {"c 1, 2, 70000\n",
       [] {
         TextFile::RGBColor v;
         TextFile::ProcessColor("c", v);
       },
       "\"c\": encoding error."},
      {"b 12\n",
       [] {
         std::uint8_t v[2];
         TextFile::ProcessBinhex("b", v);
       },
       "\"b\": starting quotes not found."},
      {"b \"12\"\n",
       [] {
         std::uint8_t v[2];
         TextFile::ProcessBinhex("b", v);
       },
       "\"b\": encoding error."},
      {"b \"1\n",
       [] {
         std::uint8_t v[1];
         TextFile::ProcessBinhex("b", v);
       },
       "\"b\": encoding error."},
      {"a 1,x\n",
       [] {
         std::uint8_t v[2];
         TextFile::ProcessByteArray("a", v);
       },
       "\"a\": encoding error."},
  };
  for (const BadValue& c : cases) {
    SetContent(std::string(c.content) + "later 5\nCRC 0\n");
    std::int32_t later = 0;
    EXPECT_FALSE(Load([&] {
      c.read();
      TextFile::ProcessInt32("later", later);
    })) << c.content;
    EXPECT_EQ(TextFile::ErrorNumber, -1) << c.content;
    EXPECT_EQ(ErrorDescr(), c.error) << c.content;
    EXPECT_EQ(later, 0) << c.content;
  }
}

TEST_F(KeyedFileTest, TextsAndCharactersReadBackAsFarAsTheyCan) {
  char text[6] = "";
  char blank = ' ';
  ASSERT_TRUE(Save([&] {
    char long_text[] = "longer than six";
    TextFile::ProcessString("text", long_text);
    TextFile::ProcessChar("blank", blank);
  }));
  blank = 'z';
  Load([&] {
    TextFile::ProcessString("text", text);
    TextFile::ProcessChar("blank", blank);
  });
  EXPECT_STREQ(text, "longe");
  EXPECT_EQ(blank, 'z');
  EXPECT_EQ(ErrorDescr(), "\"blank\": number not found.");
}

TEST_F(KeyedFileTest, ByteDataGoesInChunksOf32) {
  std::array<std::uint8_t, 33> data;
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i + 1);
  ASSERT_TRUE(Save([&] { TextFile::ProcessBinhex("key", data); }));
  const std::string content = Content();
  EXPECT_EQ(content.rfind("key1 \"", 0), 0u);
  EXPECT_NE(content.find("\nkey2 \"!\"\"\n"), std::string::npos);
  EXPECT_EQ(content.find("key3"), std::string::npos);
  std::array<std::uint8_t, 33> loaded{};
  ASSERT_TRUE(Load([&] { TextFile::ProcessBinhex("key", loaded); }));
  EXPECT_EQ(loaded, data);

  // A missing chunk is counted; the others are read.
  SetContent("key2 \"!\"\"\nCRC 0\n");
  loaded.fill(9);
  Load([&] { TextFile::ProcessBinhex("key", loaded); });
  EXPECT_EQ(TextFile::ErrorNumber, 0);
  EXPECT_EQ(TextFile::ID_NotFound, 1);
  EXPECT_EQ(loaded[0], 9);
  EXPECT_EQ(loaded[32], 33);
}

TEST_F(KeyedFileTest, ALineTooLongIsRefused) {
  std::string key(10300, 'k');
  std::uint8_t data[4] = {1, 2, 3, 4};
  EXPECT_FALSE(Save([&] { TextFile::ProcessByteArray(Key(key.c_str()), data); }));
  EXPECT_EQ(TextFile::ErrorNumber, -1);
  EXPECT_EQ(ErrorDescr().substr(0, 4), "\"kkk");
  EXPECT_EQ(Content(), "");
}

TEST_F(KeyedFileTest, FileErrorsKeepTheirCode) {
  IOBytes::FileHandle closed;
  TextFile::InitVariables(closed, true);
  std::int32_t v = 1;
  TextFile::ProcessInt32("v", v);
  EXPECT_EQ(TextFile::ErrorNumber, -38);
  EXPECT_EQ(ErrorDescr(), "file not open");
  std::uint32_t stored = 0;
  std::uint32_t computed = 0;
  EXPECT_FALSE(TextFile::ProcessCRC(stored, computed));
}

TEST_F(KeyedFileTest, ErrorTexts) {
  TextFile::InputOverflow("k");
  EXPECT_EQ(ErrorDescr(), "\"k\": input buffer overflow.");
  EXPECT_EQ(TextFile::ErrorNumber, -1);
}

}  // namespace
