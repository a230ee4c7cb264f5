#include "terminal/ANSITerm.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace ANSITerm;

std::string Line(const TerminalRecord* t, int line) {
  char text[kMaxColumns + 1];
  ScreenLine(t, line, text);
  return text;
}

class Terminal : public ::testing::Test {
 protected:
  void SetUp() override { t_ = CreateHeadless(4, 20); }
  void TearDown() override { Close(t_); }
  TerminalRecord* t_ = nullptr;
};

TEST_F(Terminal, OutputIsDrawnInRunsOf256) {
  const std::string text(300, 'q');
  EXPECT_EQ(Write(t_, std::span<const char>(text.data(), 256)), 256);
  EXPECT_EQ(t_->pendingCount, 256);
  EXPECT_EQ(t_->cursorColumn, 0);
  EXPECT_EQ(Write(t_, std::span<const char>(text.data(), 44)), 44);
  // The 257th character drew the first 256 in one run.
  EXPECT_EQ(t_->pendingCount, 44);
  EXPECT_EQ(t_->cursorColumn, 256);
  Update(t_);
  EXPECT_EQ(t_->cursorColumn, 300);
  EXPECT_EQ(t_->pendingCount, 0);
  EXPECT_EQ(Line(t_, 1), std::string(20, 'q'));
}

TEST_F(Terminal, ControlCharactersTakeOneColumnEach) {
  EXPECT_EQ(Write(t_, "a\tb\rc"), 5);
  Update(t_);
  EXPECT_EQ(Line(t_, 1), std::string("a_b\bc"));
  EXPECT_EQ(t_->cursorLine, 0);
  EXPECT_EQ(t_->cursorColumn, 5);
}

TEST_F(Terminal, TextLeftOfTheFirstColumnIsSkipped) {
  t_->cursorColumn = -3;
  Write(t_, "abcdef");
  Update(t_);
  EXPECT_EQ(Line(t_, 1), "def");
  EXPECT_EQ(t_->cursorColumn, 3);
}

TEST_F(Terminal, CursorPositionsAreClippedToTheGrid) {
  CUP(t_, 1000, 1000);
  EXPECT_EQ(t_->cursorLine, 3);
  EXPECT_EQ(t_->cursorColumn, 19);
  CUP(t_, INT32_MAX, 1);
  EXPECT_EQ(t_->cursorLine, 3);
  EXPECT_EQ(t_->cursorColumn, 0);
  CUP(t_, 2, 5);
  EXPECT_EQ(t_->cursorLine, 1);
  EXPECT_EQ(t_->cursorColumn, 4);
  Write(t_, "x");
  CUP(t_, 1, 1);  // draws what is pending first
  EXPECT_EQ(Line(t_, 2), "    x");
}

TEST_F(Terminal, NextLineScrollsAtTheBottom) {
  for (const char* text : {"one", "two", "three", "four", "five"}) {
    Write(t_, std::span<const char>(text, strlen(text) + 1));
    NEL(t_);
  }
  EXPECT_EQ(Line(t_, 1), "three");
  EXPECT_EQ(Line(t_, 2), "four");
  EXPECT_EQ(Line(t_, 3), "five");
  EXPECT_EQ(Line(t_, 4), "");
  EXPECT_EQ(t_->cursorLine, 3);
  EXPECT_EQ(t_->cursorColumn, 0);
}

TEST_F(Terminal, EraseAndRenditions) {
  Write(t_, "plain ");
  SGR(t_, kHighlight);
  Write(t_, "hi ");
  SGR(t_, kInverse);
  Write(t_, "inv");
  SGR(t_, 7);
  Update(t_);
  EXPECT_EQ(Line(t_, 1), "plain hi inv");
  EXPECT_EQ(ScreenRendition(t_, 1, 1), kNormal);
  EXPECT_EQ(ScreenRendition(t_, 1, 7), kHighlight);
  EXPECT_EQ(ScreenRendition(t_, 1, 10), kInverse);
  EXPECT_EQ(t_->rendition, kNormal);
  EXPECT_EQ(ScreenRendition(t_, 0, 1), -1);
  EXPECT_EQ(ScreenRendition(t_, 1, 21), -1);
  Write(t_, "pending");
  EDc(t_);
  for (int line = 1; line <= 4; ++line) EXPECT_EQ(Line(t_, line), "");
  EXPECT_EQ(t_->cursorLine, 0);
  EXPECT_EQ(t_->cursorColumn, 0);
  EXPECT_EQ(t_->pendingCount, 0);
}

TEST(TerminalNil, EveryOperationAcceptsNil) {
  TerminalRecord* none = nullptr;
  EXPECT_EQ(Write(none, "abc"), 0);
  Update(none);
  CUP(none, 1, 1);
  NEL(none);
  EDc(none);
  SGR(none, 1);
  Close(none);
  char text[4] = "old";
  ScreenLine(none, 1, text);
  EXPECT_STREQ(text, "");
  EXPECT_EQ(ScreenRendition(none, 1, 1), -1);
  EXPECT_EQ(CreateHeadless(0, 10), nullptr);
  TerminalRecord* wide = CreateHeadless(1, 1000);
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(wide->columns, kMaxColumns);
  Close(wide);
  EXPECT_EQ(wide, nullptr);
}

}  // namespace
