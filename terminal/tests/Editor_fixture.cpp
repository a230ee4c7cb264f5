#include "terminal/tests/Editor_fixture.h"

#include "foundation/Buffer.h"
#include "foundation/Strings.h"
#include "platform/EventQueue.h"
#include "platform/KeyCodes.h"
#include "platform/Port.h"
#include "platform/Windows.h"
#include "platform/headless/Headless.h"
#include "terminal/ANSIBase.h"
#include "terminal/EditDisplay.h"
#include "terminal/EditMenus.h"
#include "terminal/EditState.h"
#include "terminal/EditUtility.h"
#include "terminal/Editor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <span>

namespace {

std::span<const char> Z(const std::string& text) { return {text.c_str(), text.size() + 1}; }

std::string Lines(BufferText::TextBuffer buffer) {
  std::string text;
  char line[EditState::kLineLength + 1];
  for (std::int32_t i = 1; i <= BufferText::RecordCount(buffer); ++i) {
    BufferText::Get(buffer, i, line);
    text += (i > 1 ? "\n" : "") + std::string(line);
  }
  return text;
}

void Fill(BufferText::TextBuffer buffer, const std::string& text) {
  BufferText::Remove(buffer, 1, BufferText::RecordCount(buffer));
  if (text.empty()) return;
  std::size_t from = 0;
  for (;;) {
    const std::size_t end = text.find('\n', from);
    BufferText::Append(buffer, Z(text.substr(from, end == std::string::npos ? std::string::npos : end - from)));
    if (end == std::string::npos) break;
    from = end + 1;
  }
}

}  // namespace

void EditorTest::SetUp() {
  ConsoleSessionTest::SetUp();
  buffer = Buffer::Create("Text", Buffer::kText);
  ASSERT_TRUE(EditUtility::OpenBufferWindow(buffer, true));
  EditUtility::SetupBuffer(buffer, true, false, true);
  EditState::WindowBandSize = 1;
  // The windows' first activations and updates.
  Keys("");
}

void EditorTest::TearDown() {
  Headless::ClearSteps();
  EditUtility::CloseBufferWindow(buffer);
  EditState::EditBuffer = nullptr;
  EditState::TraceState = EditState::kTraceOff;
  Editor::GoldSet = false;
  ConsoleSessionTest::TearDown();
}

void EditorTest::SetText(const std::string& text, std::int32_t line, std::int32_t column) {
  Fill(buffer, text);
  EditState::FirstLine = 1;
  EditState::FirstColumn = 0;
  EditState::CursorLine = line;
  EditState::CursorColumn = column;
  EditState::DesiredColumn = column;
  EditState::SelectActive = false;
  EditDisplay::NewDisplay();
}

std::string EditorTest::Text() { return Lines(EditState::EditBuffer); }

void EditorTest::Mark(std::int32_t line, std::int32_t column) {
  EditState::SelectLine = line;
  EditState::SelectColumn = column;
  EditState::SelectActive = true;
}

std::string EditorTest::Selected() {
  if (!EditState::SelectActive) return "";
  std::int32_t l1 = 0, c1 = 0, l2 = 0, c2 = 0;
  EditUtility::GetSelectRange(l1, c1, l2, c2);
  BufferText::TextBuffer scratch = Buffer::Create("Selected", Buffer::kText);
  EditUtility::BufferWrite(scratch, l1, c1, l2, c2);
  std::string text = Lines(scratch);
  Buffer::Delete(scratch);
  return text;
}

std::string EditorTest::Message() { return EditState::MessageActive ? EditState::MessageText : ""; }

std::string EditorTest::UndoText() {
  char text[33];
  EditMenus::GetUndoText(text);
  return text;
}

std::string EditorTest::Named(const char* name) {
  BufferText::TextBuffer named = Buffer::Lookup({name, std::strlen(name) + 1});
  return named == nullptr ? "<none>" : Lines(named);
}

void EditorTest::MakeNamed(const char* name, const std::string& text) {
  Fill(Buffer::Create({name, std::strlen(name) + 1}, Buffer::kText), text);
}

std::string EditorTest::Row(int row) {
  char text[ANSITerm::kMaxColumns + 1] = "";
  ANSITerm::ScreenLine(EditState::Console, row, text);
  return text;
}

void Keys(const char* script) {
  std::string steps = script;
  for (std::size_t at = 0; at < steps.size();) {
    std::size_t end = steps.find('\n', at);
    if (end == std::string::npos) end = steps.size();
    const std::string line = steps.substr(at, end - at);
    if (line.rfind("control ", 0) == 0) {
      KeyCodes::Key key;
      ASSERT_TRUE(KeyCodes::ForCharacter(static_cast<unsigned char>(line[8]), key)) << line;
      Headless::Key(key.virtualKey, static_cast<unsigned char>(line[8] & 0x1f), EventQueue::kControlKey);
    } else {
      const std::string step = line + "\n";
      ASSERT_TRUE(Headless::RunScript({step.c_str(), step.size() + 1})) << line;
    }
    at = end + 1;
  }
  int keyCode = 0;
  char character = 0;
  int modifiers = 0;
  do {
    Editor::Edit(keyCode, character, modifiers);
  } while (keyCode != ANSIBase::KeyNone);
}

std::string EditorTest::ClickAt(int row, int column) {
  const ANSITerm::TerminalRecord* terminal = EditState::Console;
  Geometry::Point where{terminal->left + (column - 1) * terminal->characterWidth + terminal->characterWidth / 2,
                        terminal->top + (row - 1) * terminal->lineHeight + terminal->lineHeight / 2};
  Port::GrafPort* const saved = Port::GetPort();
  Port::SetPort(Windows::GetWindowPort(terminal->window));
  Port::LocalToGlobal(where);
  Port::SetPort(saved);
  return "click " + std::to_string(where.h) + " " + std::to_string(where.v) + "\n";
}

std::pair<std::int32_t, std::int32_t> CursorAt() { return {EditState::CursorLine, EditState::CursorColumn}; }
