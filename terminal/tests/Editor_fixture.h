// The editor on the headless screen, editing the text buffer "Text" in its
// own buffer window: the buffer's text, cursor, selection, message line,
// undo item and paste buffer as the tests of the undo, the keypad commands
// and the command interpreter read and set them, and keys and clicks
// scripted through the event source to the command interpreter.
#pragma once

#include "foundation/BufferText.h"
#include "shell/tests/Session_fixture.h"
#include "terminal/ANSITerm.h"

#include <cstdint>
#include <string>

class EditorTest : public ConsoleSessionTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The buffer holds the text (lines split at "\n"), the cursor at (line,
  // column), no selection, the window at the top and drawn.
  void SetText(const std::string& text, std::int32_t line = 1, std::int32_t column = 1);
  // The buffer's lines joined by "\n".
  static std::string Text();
  // The selection marked from (line, column) to the cursor.
  static void Mark(std::int32_t line, std::int32_t column);
  // The selected text ("" with none active), lines joined by "\n".
  static std::string Selected();
  // The message shown ("" with none).
  static std::string Message();
  // The Edit menu's undo item.
  static std::string UndoText();
  // A text buffer's lines joined by "\n"; "<none>" when it does not exist.
  static std::string Named(const char* name);
  // The text buffer made anew with the text.
  static void MakeNamed(const char* name, const std::string& text);
  // The row of the edit window, without trailing blanks.
  static std::string Row(int row);

  // The script step of a click into the cell of the edit window.
  static std::string ClickAt(int row, int column);

  BufferText::TextBuffer buffer = nullptr;
};

// Queues the script's steps (Headless::RunScript, and "control X" for the
// control character of the letter X) and hands every event to the command
// interpreter until the input runs out.
void Keys(const char* script);

// (line, column) of the cursor, for EXPECT_EQ.
std::pair<std::int32_t, std::int32_t> CursorAt();
