// Line input in a graphics window: what the field shows (bar and underline
// cursors, the selection) and the mouse rules, with scripted events.
#include "terminal/LineEditor.h"

#include "platform/KeyCodes.h"
#include "platform/Port.h"
#include "platform/Surface.h"
#include "platform/WindowFrame.h"
#include "platform/headless/Headless.h"
#include "platform/tests/Golden_fixture.h"
#include "shell/Graphics.h"
#include "shell/ModWindow.h"
#include "shell/tests/Session_fixture.h"
#include "terminal/ANSIBase.h"
#include "terminal/ANSITerm.h"
#include "terminal/EditState.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>

namespace {

// The field: world coordinates of the window's pixels, y growing
// downwards as in the dialogs.
constexpr double kX = 10;
constexpr double kY = 30;
constexpr double kWidth = 120;
constexpr int kWindowWidth = 160;
constexpr int kWindowHeight = 44;

class GraphicsLineTest : public ConsoleSessionTest {
 protected:
  void SetUp() override {
    ConsoleSessionTest::SetUp();
    LineEditor::InitModule();
    ModWindow::WindowParameters p;
    p.left = 100;
    p.top = 100;
    p.right = p.left + kWindowWidth;
    p.bottom = p.top + kWindowHeight;
    p.fontNumber = static_cast<std::int16_t>(Graphics::Geneva);
    p.fontSize = 12;
    window_ = ModWindow::Create(0, p, WindowFrame::kDocumentProc, std::string_view("Field"), true, true, true);
    ASSERT_NE(window_, nullptr);
    Graphics::SetScaling(window_, 0, kWindowHeight, kWindowWidth, 0);
    int code = 0;
    char character = 0;
    int modifiers = 0;
    for (int i = 0; i < 20; ++i) ANSITerm::NextEvent(EditState::Console, code, character, modifiers);
  }
  void TearDown() override {
    ModWindow::Remove(window_);
    LineEditor::InitModule();
    ConsoleSessionTest::TearDown();
  }

  std::string Edit(bool clear, const char* initial, int maxLength = 80) {
    char text[LineEditor::kTextSize] = "";
    std::strcpy(text, initial);
    const Geometry::Rect clip = Geometry::SetRect(0, 0, kWindowWidth, kWindowHeight);
    if (clear) {
      LineEditor::ReadClearGraphicsString(window_, kX, kY, kWidth, std::span<char>(text), maxLength, clip);
    } else {
      LineEditor::ReadGraphicsString(window_, kX, kY, kWidth, std::span<char>(text), maxLength, clip);
    }
    return text;
  }

  // A click at a world point of the window.
  void ClickAt(double x, double y) {
    int h = 0;
    int v = 0;
    Graphics::WindowToGlobal(window_, x, y, h, v);
    Headless::Click(Geometry::Point{h, v});
  }

  // What the window shows when the script reaches this step.
  void Capture() {
    Headless::Call(
        [](void* self) {
          auto* test = static_cast<GraphicsLineTest*>(self);
          test->captured_ = *test->window_->port->pixels;
        },
        this);
  }

  Graphics::GraphicsWindow window_ = nullptr;
  Surface::Pixels captured_;
};

void Type(const char* text) { Headless::Type(std::span<const char>(text, std::strlen(text) + 1)); }

void Named(const char* name) {
  KeyCodes::Key k;
  ASSERT_TRUE(KeyCodes::ForName(std::string_view(name), k)) << name;
  Headless::Key(k.virtualKey, static_cast<unsigned char>(k.character), 0);
}

TEST_F(GraphicsLineTest, BarCursorInAFieldThatHoldsTheText) {
  Named("left");
  Capture();
  Named("return");
  EXPECT_EQ(Edit(false, "Gain 10"), "Gain 10");
  EXPECT_TRUE(MatchesGolden(captured_, "line_bar_cursor"));
}

TEST_F(GraphicsLineTest, UnderlineCursorBeyondTheShownPart) {
  Type("xyz");
  Capture();
  Named("return");
  EXPECT_EQ(Edit(false, "a rather long value that cannot fit"), "a rather long value that cannot fitxyz");
  EXPECT_TRUE(MatchesGolden(captured_, "line_underline_cursor"));
}

TEST_F(GraphicsLineTest, SelectedTextIsHighlightedAndReplacedByTyping) {
  Capture();
  Type("7");
  Named("return");
  EXPECT_EQ(Edit(true, "100 mV"), "7");
  EXPECT_TRUE(MatchesGolden(captured_, "line_selected"));
}

TEST_F(GraphicsLineTest, DoubleClickSelectsTheWholeText) {
  ClickAt(kX + 5, kY - 4);
  ClickAt(kX + 6, kY - 4);
  Type("z");
  Named("return");
  EXPECT_EQ(Edit(false, "abc"), "z");
}

TEST_F(GraphicsLineTest, ClickInsideMovesTheCursor) {
  // Past the middle of the first character: after it.
  const double first = Graphics::TextWidth(window_, "a");
  ClickAt(kX + first * 0.8, kY - 4);
  Headless::Wait(1.0);
  Type("x");
  Named("return");
  EXPECT_EQ(Edit(false, "abc"), "axbc");
}

TEST_F(GraphicsLineTest, ClickOutsideEndsTheEditAndComesAgain) {
  ClickAt(kX + kWidth + 10, kY - 4);
  EXPECT_EQ(Edit(true, "abc"), "abc");
  EXPECT_EQ(LineEditor::LastKeyCode, ANSIBase::KeyMouse);
  int code = 0;
  char character = 0;
  int modifiers = 0;
  ASSERT_TRUE(ANSITerm::NextEvent(EditState::Console, code, character, modifiers));
  EXPECT_EQ(code, ANSIBase::KeyMouse);
}

TEST_F(GraphicsLineTest, TheMaximumLengthLimitsTyping) {
  Type("defg");
  Named("return");
  EXPECT_EQ(Edit(false, "abc", 5), "abcde");
}

}  // namespace
