// libFuzzer target: random editor operations and line-input keys on a text
// buffer shown in a terminal of random size, with pastes of random
// clipboard text (NUL bytes, lines over 256 characters, thousands of lines),
// and random key events through the command interpreter (GOLD, long
// counts, macros, undo, prompts for named buffers). After every operation
// no line may be longer than 256 characters and the cursor must lie within
// the buffer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <span>
#include <string>

#include "foundation/Buffer.h"
#include "foundation/BufferText.h"
#include "platform/EventQueue.h"
#include "platform/KeyCodes.h"
#include "platform/Scrap.h"
#include "platform/headless/Headless.h"
#include "shell/Graphics.h"
#include "shell/ScrapUtil.h"
#include "terminal/ANSIBase.h"
#include "terminal/ANSITerm.h"
#include "terminal/EditDisplay.h"
#include "terminal/EditState.h"
#include "terminal/EditUtility.h"
#include "terminal/Editor.h"
#include "terminal/LineEditor.h"
#include "terminal/tests/HeadlessEditor.h"

namespace {

// Takes what it needs from the input, zeros once it runs out.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Empty() const { return at_ >= size_; }
  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  int Upto(int n) { return n <= 0 ? 0 : static_cast<int>((Byte() << 8 | Byte()) % (n + 1)); }
  std::string Text(int longest) {
    const int n = Upto(longest);
    std::string text;
    for (int i = 0; i < n && !Empty(); ++i) text += static_cast<char>(Byte());
    return text;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

std::span<const char> Z(const std::string& text) { return {text.c_str(), text.size() + 1}; }

std::int32_t Lines() { return BufferText::RecordCount(EditState::EditBuffer); }

void Check() {
  const std::int32_t count = Lines();
  for (std::int32_t n = 1; n <= count; ++n) {
    if (BufferText::RecordLength(EditState::EditBuffer, n) > EditState::kLineLength) std::abort();
  }
  const std::int32_t line = EditState::CursorLine;
  if (line < 1 || line > count + 1) std::abort();
  if (EditState::CursorColumn < 1 ||
      EditState::CursorColumn > BufferText::RecordLength(EditState::EditBuffer, line) + 1) {
    std::abort();
  }
}

// A position within the buffer.
void RandomPosition(Input& in, std::int32_t& line, std::int32_t& column) {
  line = 1 + in.Upto(Lines());
  column = 1 + in.Upto(BufferText::RecordLength(EditState::EditBuffer, line));
}

// Random clipboard text: any bytes, carriage returns making lines, at times
// a long run of one of them.
void RandomClipboard(Input& in) {
  std::string text = in.Text(600);
  if (in.Byte() % 4 == 0) text.append(static_cast<std::size_t>(in.Upto(3000)), in.Byte() % 2 ? '\r' : 'w');
  Scrap::ClearCurrentScrap();
  Scrap::PutScrapFlavor(Scrap::kText, std::span<const char>(text.data(), text.size()));
}

// Keys for a line edit, with the Edit menu's paste among them.
void QueueLineKeys(Input& in) {
  const int keys = in.Upto(12);
  for (int i = 0; i < keys; ++i) {
    const std::uint8_t choice = in.Byte();
    if (choice % 7 == 0) {
      Headless::Call([](void*) { LineEditor::DoPaste(); }, nullptr);
      Headless::Key(KeyCodes::kHome, 1, 0);
    } else if (choice % 7 == 1) {
      static constexpr int kNamed[] = {KeyCodes::kLeftArrow, KeyCodes::kRightArrow, KeyCodes::kUpArrow,
                                       KeyCodes::kDownArrow, KeyCodes::kDelete,     KeyCodes::kForwardDelete};
      Headless::Key(kNamed[in.Byte() % 6], 0, 0);
    } else {
      Headless::Key(0, in.Byte(), in.Byte() % 3 == 0 ? EventQueue::kControlKey : 0);
    }
  }
  Headless::Key(KeyCodes::kReturn, 13, 0);
}

// Buffers a run may make or read by name; each run starts without the
// editor's own ones.
constexpr const char* kNames[] = {"/Fuzz", "/FuzzScratch", "Edit.Paste", "Edit.Undo1", "Edit.Undo2", "New", "", "ab"};

// Every run starts from the editor's defaults: no macro, undo, paste
// buffer, clipboard or buffer written by name before it.
void ResetEditor() {
  Editor::Initialize();
  Editor::GoldSet = false;
  for (const char* name : {"Edit.Paste", "Edit.Undo1", "Edit.Undo2", "New"}) {
    Buffer::NamedBuffer buffer = Buffer::Lookup({name, std::strlen(name) + 1});
    Buffer::Delete(buffer);
  }
  Scrap::ClearCurrentScrap();
}

// An answer waiting for a prompt: one of the names above (so that no run
// leaves buffers behind) as a buffer name or a search string, and the key
// that ends it.
void QueueAnswer(Input& in) {
  const std::string name = kNames[in.Byte() % std::size(kNames)];
  Headless::Type(Z(name));
  Headless::Key(in.Byte() % 4 == 0 ? KeyCodes::kKeypad0 + 4 : KeyCodes::kReturn, 13, 0);
}

// One key event for the command interpreter: GOLD, digits and the GOLD
// letters come often; any code up to 63 with any modifiers may come.
void RandomKey(Input& in) {
  static constexpr char kGoldLetters[] = "0123456789cfLrsTwX@!#$\x1b";
  const std::uint8_t choice = in.Byte();
  int code = ANSIBase::KeyCharacter;
  char character = 0;
  int modifiers = 0;
  switch (choice % 6) {
    case 0: code = in.Byte() % 2 ? ANSIBase::KeyNumericClear : ANSIBase::KeyF1 + 10; break;
    case 1: character = kGoldLetters[in.Byte() % (sizeof kGoldLetters - 1)]; break;
    case 2: code = ANSIBase::KeyCursorUp + in.Byte() % 22; break;
    case 3:
      code = in.Byte() % 64;
      character = static_cast<char>(in.Byte());
      modifiers = in.Byte();
      break;
    default: character = static_cast<char>(in.Byte()); break;
  }
  if (code == ANSIBase::KeyCharacter && std::strchr("fFrRwW", character) != nullptr && character != 0) {
    QueueAnswer(in);
  }
  Editor::ProcessCommand(code, character, modifiers);
  Headless::ClearSteps();
  // A macro plays from the editor's own key source; a bound ends long runs.
  for (int step = 0; step < 4096 && EditState::TraceState == EditState::kTracePlaying; ++step) {
    EditDisplay::InputKey(code, character, modifiers);
    Editor::ProcessCommand(code, character, modifiers);
    Headless::ClearSteps();
  }
  EditState::TraceState = EditState::TraceState == EditState::kTracePlaying ? EditState::kTraceOff
                                                                               : EditState::TraceState;
}

void Operate(Input& in, BufferText::TextBuffer scratch) {
  std::int32_t line = 0;
  std::int32_t column = 0;
  std::int32_t edge = 0;
  switch (in.Byte() % 17) {
    case 0: {
      const std::string text = in.Text(40);
      EditUtility::InsertString(1 + in.Upto(20), Z(text), line, column);
      EditDisplay::Insert(line, column);
      break;
    }
    case 1: {
      const std::string text = in.Text(40);
      EditUtility::InsertLine(in.Upto(5), Z(text), line, column);
      EditDisplay::Insert(line, column);
      break;
    }
    case 2:
      RandomPosition(in, line, column);
      EditDisplay::DoMoveCursor(line, column, in.Upto(4));
      break;
    case 3:
      RandomPosition(in, line, column);
      EditDisplay::Delete(line, column);
      break;
    case 4: {
      EditState::Forward = in.Byte() % 2 == 0;
      const std::string text = in.Text(6);
      EditUtility::FindString(Z(text));
      EditUtility::AtString(Z(text));
      break;
    }
    case 5:
      if (in.Byte() % 2) {
        EditUtility::CharsForward(in.Upto(300), line, column);
      } else {
        EditUtility::CharsBackward(in.Upto(300), line, column);
      }
      EditDisplay::MoveCursor(line, column);
      break;
    case 6:
      if (in.Byte() % 2) {
        EditUtility::WordsForward(in.Upto(10), line, column, edge);
      } else {
        EditUtility::WordsBackward(in.Upto(10), line, column, edge);
      }
      EditDisplay::MoveCursor(line, column);
      break;
    case 7:
      RandomClipboard(in);
      EditUtility::BufferRead(ScrapUtil::GetPasteBuffer());
      break;
    case 8: {
      std::int32_t l2 = 0;
      std::int32_t c2 = 0;
      RandomPosition(in, line, column);
      RandomPosition(in, l2, c2);
      BufferText::Remove(scratch, 1, BufferText::RecordCount(scratch));
      EditUtility::BufferWrite(scratch, line, column, l2, c2);
      break;
    }
    case 9: EditDisplay::SetPosition(in.Upto(Lines() + 5) - 2); break;
    case 10: EditDisplay::Scroll(in.Byte() % 64); break;
    case 11: {
      const std::string text = in.Text(300);
      EditDisplay::Message(Z(text));
      if (in.Byte() % 2) EditDisplay::MessageClear();
      break;
    }
    case 12:
      EditState::SelectActive = !EditState::SelectActive;
      RandomPosition(in, EditState::SelectLine, EditState::SelectColumn);
      break;
    case 13: {
      RandomClipboard(in);
      QueueLineKeys(in);
      char text[LineEditor::kTextSize] = "";
      const std::string initial = in.Text(300);
      std::strncpy(text, initial.c_str(), sizeof text - 1);
      if (in.Byte() % 2) {
        LineEditor::ReadClearString(text);
      } else {
        LineEditor::ReadString(text);
      }
      Headless::ClearSteps();
      ANSITerm::Flush();
      if (std::strlen(text) >= sizeof text) std::abort();
      break;
    }
    case 14:
      RandomPosition(in, line, column);
      EditDisplay::Redraw(line, column, line + in.Upto(60), 1 + in.Upto(300));
      break;
    case 15: {
      const int keys = in.Upto(24);
      for (int i = 0; i < keys && !in.Empty(); ++i) RandomKey(in);
      break;
    }
    default: EditDisplay::ResetCursorPosition(); break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  StartHeadlessEditor(800, 600);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  ResetEditor();
  BufferText::TextBuffer buffer = Buffer::Create("/Fuzz", Buffer::kText);
  BufferText::TextBuffer scratch = Buffer::Create("/FuzzScratch", Buffer::kText);
  const int lines = in.Upto(40);
  for (int i = 0; i < lines; ++i) BufferText::Append(buffer, Z(in.Text(EditState::kLineLength)));
  ANSITerm::TerminalRecord* terminal = ANSITerm::CreateHeadless(1 + in.Upto(60), 1 + in.Upto(254));
  EditState::Console = terminal;
  EditState::EditBuffer = nullptr;
  EditState::TraceState = in.Byte() % 5 == 0 ? EditState::kTracePlaying : EditState::kTraceOff;
  EditState::TraceUpdate = in.Byte() % 2 == 0;
  EditUtility::SetupBuffer(buffer, true, in.Byte() % 2 == 0, false);
  EditState::Console = terminal;
  ANSITerm::SetSize(terminal);
  EditDisplay::NewDisplay();
  Check();
  for (int op = 0; op < 64 && !in.Empty(); ++op) {
    Operate(in, scratch);
    Check();
  }
  EditState::EditBuffer = nullptr;
  EditState::Console = nullptr;
  EditState::TraceState = EditState::kTraceOff;
  EditState::SelectActive = false;
  Editor::GoldSet = false;
  ANSITerm::Close(terminal);
  Buffer::Delete(buffer);
  Buffer::Delete(scratch);
  return 0;
}
