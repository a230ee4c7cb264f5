// The keypad commands as the operator reaches them: keys scripted through
// the event source to the command interpreter, then the buffer's text, the
// cursor, the delete buffers and the message line.
#include "terminal/EditKeys.h"

#include "foundation/Buffer.h"
#include "foundation/BufferText.h"
#include "platform/Scrap.h"
#include "terminal/ANSIBase.h"
#include "terminal/EditState.h"
#include "terminal/EditUndo.h"
#include "terminal/Editor.h"
#include "terminal/tests/Editor_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

namespace {

constexpr std::pair<int, int> kAnywhere{0, 0};

class EditKeysTest : public EditorTest {
 protected:
  static void Clipboard(const char* text) {
    Scrap::ClearCurrentScrap();
    Scrap::PutScrapFlavor(Scrap::kText, std::span<const char>(text, std::strlen(text)));
  }
  static void SearchFor(const char* text) { std::strcpy(EditState::SearchString, text); }
};

struct Case {
  const char* name;
  const char* text;
  std::pair<int, int> cursor;
  const char* keys;
  const char* after;
  std::pair<int, int> cursorAfter;  // kAnywhere: not checked
  const char* message;
};

TEST_F(EditKeysTest, KeypadCommands) {
  const Case cases[] = {
      {"delete character at a line end joins the lines", "ab\ncd", {1, 3}, "key keypad+\n", "abcd", {1, 3}, ""},
      {"undelete character splits them again", "ab\ncd", {1, 3}, "key keypad+\nkey keypadclear\nkey keypad+\n",
       "ab\ncd", {2, 1}, ""},
      {"rubout and undelete", "abc", {1, 3}, "key delete\nkey right\nkey keypadclear\nkey keypad+\n", "acb",
       {1, 4}, ""},
      {"delete line at column 5 takes the rest and the line end", "line one\nline two", {1, 5}, "key keypad*\n",
       "lineline two", {1, 5}, ""},
      {"undelete line puts back exactly that and a line end", "line one\nline two", {1, 5},
       "key keypad*\nkey keypadclear\nkey keypad*\n", "line one\nline two", {2, 1}, ""},
      {"delete line on the last line stops at the buffer's end", "a\nbcd", {2, 2},
       "key keypad*\nkey keypadclear\nkey keypad*\n", "a\nbcd", {2, 4}, ""},
      {"delete line with count 0 deletes nothing", "a\nb", {1, 1}, "key keypadclear\nkey 0\nkey keypad*\n", "a\nb",
       {1, 1}, ""},
      {"delete to the beginning of the line", "one\ntwo", {2, 3}, "control u\n", "one\no", {2, 1}, ""},
      {"at column 1 it takes the line before", "one\ntwo", {2, 1}, "control u\n", "two", {1, 1}, ""},
      {"delete to the end of the line, twice", "one\ntwo", {1, 2}, "key keypadclear\nkey keypad2\n"
       "key keypadclear\nkey keypad2\n", "otwo", {1, 2}, ""},
      {"delete previous word", "one two", {1, 8}, "control j\n", "one ", {1, 5}, ""},
      {"count of words", "a b c d", {1, 1}, "key keypadclear\nkey 3\nkey keypad-\n", "d", {1, 1}, ""},
      {"GOLD 6 5 GOLD special insert gives A", "", {1, 1},
       "key keypadclear\nkey 6\nkey 5\nkey keypadclear\nkey keypad3\n", "A", {1, 2}, ""},
      {"special insert with count 0", "x", {1, 1}, "key keypadclear\nkey 0\nkey keypadclear\nkey keypad3\n", "x",
       {1, 1}, "Illegal character value for Special Insert."},
      {"return with a count", "ab", {1, 2}, "key keypadclear\nkey 2\nkey return\n", "a\n\nb", {3, 1}, ""},
      {"open line keeps the cursor", "ab", {1, 2}, "key keypadclear\nkey keypad0\n", "a\nb", {1, 2}, ""},
      {"typed characters with a count", "", {1, 1}, "key keypadclear\nkey 3\nkey z\n", "zzz", {1, 4}, ""},
      {"F2 cuts the line and F1 pastes it", "one\ntwo\nthree", {1, 2}, "key f2\nkey down\nkey f1\n",
       "two\none\nthree", {3, 1}, ""},
      {"F3 copies the line", "one\ntwo", {1, 2}, "key f3\nkey f1\n", "one\none\ntwo", {3, 1}, ""},
      {"fixed tab at column 1 gives 3 blanks", "", {1, 1}, "key keypadclear\nkey t\nkey tab\nkey x\n", "   x",
       kAnywhere, ""},
      {"fixed tab at column 2 gives 2 blanks", "a", {1, 2}, "key keypadclear\nkey t\nkey tab\nkey x\n", "a  x",
       kAnywhere, ""},
      {"aligned tab goes under the next word above", "abc  def\n", {2, 1}, "key tab\nkey x\n", "abc  def\n     x",
       kAnywhere, ""},
      {"option tab takes the other mode", "abc  def\n", {2, 1}, "key tab option\nkey x\n", "abc  def\n   x",
       kAnywhere, ""},
      {"change case of a capitalised selection", "Hello you", {1, 1},
       "key keypad.\nkey keypad1\nkey keypadclear\nkey keypad1\n", "hello you", kAnywhere, ""},
      {"change case of a lower-case selection", "hello you", {1, 1},
       "key keypad.\nkey keypad1\nkey keypadclear\nkey keypad1\n", "HELLO you", kAnywhere, ""},
      {"change case of a selection starting with a digit", "1ab", {1, 1},
       "key keypad.\nkey keypad3\nkey keypad3\nkey keypad3\nkey keypadclear\nkey keypad1\n", "1ab", kAnywhere, ""},
      {"change case forward by count", "abc", {1, 1}, "key keypadclear\nkey 2\nkey keypadclear\nkey keypad1\n",
       "ABc", {1, 3}, ""},
      {"change case backward ends at the cursor's character", "abcd", {1, 3},
       "key keypad5\nkey keypadclear\nkey 2\nkey keypadclear\nkey keypad1\n", "aBCd", {1, 1}, ""},
      {"ESC after GOLD cancels the count", "", {1, 1}, "key keypadclear\nkey 5\nkey escape\nkey q\n", "q", {1, 2},
       ""},
      {"GOLD D has no command", "x", {1, 1}, "key keypadclear\nkey d\n", "x", {1, 1}, "Invalid key following GOLD"},
      {"GOLD F4", "x", {1, 1}, "key keypadclear\nkey f4\n", "x", {1, 1}, "Undefined function key with GOLD."},
      {"F4 alone", "x", {1, 1}, "key f4\n", "x", {1, 1}, "Invalid key: 28, 0"},
      {"the count stops at a million", "x", {1, 1}, "key keypadclear\ntype 98765432\n", "x", {1, 1},
       "Repeat count: 1000000"},
      {"a count of 0 is shown", "x", {1, 1}, "key keypadclear\nkey 0\n", "x", {1, 1}, "Repeat count: 0"},
      {"GOLD T shows the align mode", "", {1, 1}, "key keypadclear\nkey t\n", "", {1, 1}, "Align TAB: OFF."},
      {"select twice", "ab", {1, 1}, "key keypad.\nkey keypad.\n", "ab", {1, 1}, "Select range already active."},
      {"cut without a selection", "ab", {1, 1}, "key keypad6\n", "ab", {1, 1}, "No select active"},
      {"append without a selection", "ab", {1, 1}, "key keypad9\n", "ab", {1, 1}, "No select range"},
      {"find next without a search string", "ab", {1, 1}, "key keypad/\n", "ab", {1, 1}, "No search string"},
      {"find selection without one", "ab", {1, 1}, "key keypadclear\nkey keypad=\n", "ab", {1, 1},
       "No select active "},
      {"read ended by keypad 4", "ab", {1, 1}, "key keypadclear\nkey r\ntype Text\nkey keypad4\n", "ab", {1, 1},
       "Name must be terminated with RETURN or ENTER"},
      {"read from a buffer that does not exist", "ab", {1, 1}, "key keypadclear\nkey r\ntype Nothing\nkey return\n",
       "ab", {1, 1}, "Could not open buffer: Nothing"},
      {"read of the edit buffer into itself", "a\nb", {2, 2}, "key keypadclear\nkey r\ntype Text\nkey enter\n",
       "a\nba\nb", {3, 2}, ""},
      {"read twice by count", "-", {1, 2}, "key keypadclear\nkey 2\nkey keypadclear\nkey r\ntype Text\nkey return\n",
       "---", {1, 4}, ""},
      {"write without a selection", "ab", {1, 1}, "key keypadclear\nkey w\n", "ab", {1, 1}, "No select range"},
      {"find with the direction from keypad 5", "ab ab ab", {1, 7}, "key keypadclear\nkey keypad/\ntype ab\n"
       "key keypad5\nkey keypad/\n", "ab ab ab", {1, 1}, ""},
      {"find fails", "ab", {1, 1}, "key keypadclear\nkey f\ntype zz\nkey return\n", "ab", {1, 1},
       "Search string not found"},
      {"find selection", "ab x ab", {1, 1}, "key keypad.\nkey keypad3\nkey keypad3\nkey keypadclear\nkey keypad=\n",
       "ab x ab", {1, 6}, ""},
      {"the section and bottom keys", "1\n2\n3", {1, 1}, "key keypadclear\nkey keypad4\n", "1\n2\n3", {3, 2}, ""},
      {"end of line by count", "ab\ncd\nef", {1, 1}, "key keypadclear\nkey 2\nkey keypad2\n", "ab\ncd\nef", {2, 3},
       ""},
      {"line backward from mid-line goes to its start", "ab\ncd", {2, 2}, "key keypad5\nkey keypad0\n", "ab\ncd",
       {2, 1}, ""},
      {"page down", "1\n2\n3", {1, 1}, "key pagedown\n", "1\n2\n3", {3, 1}, ""},
  };
  for (const Case& c : cases) {
    SetText(c.text, c.cursor.first, c.cursor.second);
    EditState::Forward = true;
    EditState::FixHorizontalTab = false;
    EditState::DoSearchLine = false;
    Keys(c.keys);
    EXPECT_EQ(Text(), c.after) << c.name;
    if (c.cursorAfter != kAnywhere) {
      EXPECT_EQ(CursorAt(), c.cursorAfter) << c.name;
    }
    EXPECT_EQ(Message(), c.message) << c.name;
  }
}

TEST_F(EditKeysTest, DeleteBuffersTakeTheLastPieceAndItsLineEnd) {
  struct Buffers {
    const char* name;
    const char* text;
    std::pair<int, int> cursor;
    const char* keys;
    const char* line;
    bool lineCR;
    const char* word;
    bool wordCR;
  } cases[] = {
      {"delete line at column 5", "line one\nline two", {1, 5}, "key keypad*\n", " one", true, "", false},
      {"delete line on the last line", "a\nbcd", {2, 2}, "key keypad*\n", "cd", false, "", false},
      {"two lines", "ab\ncd\nef", {1, 2}, "key keypadclear\nkey 2\nkey keypad*\n", "cd", true, "", false},
      {"to the beginning over a line end", "ab\ncd", {2, 1}, "control u\n", "ab", true, "", false},
      {"to the beginning in the line", "ab\ncd", {2, 2}, "control u\n", "c", false, "", false},
      {"to the end of the line", "ab\ncd", {1, 1}, "key keypadclear\nkey keypad2\n", "ab", false, "", false},
      {"word", "one two", {1, 1}, "key keypad-\n", "", false, "one ", false},
      {"word over a line end", "one\ntwo", {1, 4}, "key keypad-\n", "", false, "", true},
      {"previous word", "one two", {1, 6}, "control j\n", "", false, "t", false},
      {"previous word over a line end", "one\ntwo", {2, 1}, "control j\n", "", false, "", true},
  };
  for (const Buffers& c : cases) {
    SetText(c.text, c.cursor.first, c.cursor.second);
    EditState::DeletedLine[0] = 0;
    EditState::DeletedLineCR = false;
    EditState::DeletedWord[0] = 0;
    EditState::DeletedWordCR = false;
    Keys(c.keys);
    EXPECT_STREQ(EditState::DeletedLine, c.line) << c.name;
    EXPECT_EQ(EditState::DeletedLineCR, c.lineCR) << c.name;
    EXPECT_STREQ(EditState::DeletedWord, c.word) << c.name;
    EXPECT_EQ(EditState::DeletedWordCR, c.wordCR) << c.name;
  }
}

TEST_F(EditKeysTest, ReplaceStopsAtTheFirstMiss) {
  const Case cases[] = {
      {"three adjacent occurrences become three copies", "abxxxxxxcd", {1, 3}, "", "abyyycd", {1, 6}, ""},
      {"scattered ones stop after the first", "xx-xx-xx", {1, 1}, "", "y-xx-xx", {1, 2}, ""},
  };
  for (const Case& c : cases) {
    SetText(c.text, c.cursor.first, c.cursor.second);
    SearchFor("xx");
    Clipboard("y");
    Keys("key keypadclear\nkey 3\nkey keypadclear\nkey keypad9\n");
    EXPECT_EQ(Text(), c.after) << c.name;
    EXPECT_EQ(CursorAt(), c.cursorAfter) << c.name;
  }
}

TEST_F(EditKeysTest, SubstituteFindsEachNextOccurrence) {
  SetText("xx-xx-xx-xx", 1, 1);
  SearchFor("xx");
  Clipboard("y");
  Keys("key keypadclear\nkey 3\nkey keypadclear\nkey enter\n");
  EXPECT_EQ(Text(), "y-y-y-xx");
}

TEST_F(EditKeysTest, LineNumberSearch) {
  SetText("1\n2\n3\n4", 1, 1);
  SearchFor("3");
  // Characters 28 and 29 come from macros and menus: the keyboard's are arrows.
  Editor::ProcessCommand(ANSIBase::KeyCharacter, 29, 0);
  Keys("key keypad/\n");
  EXPECT_TRUE(EditState::DoSearchLine);
  EXPECT_EQ(CursorAt(), std::make_pair(3, 1));
  SearchFor("abc");
  Keys("key keypad/\n");
  EXPECT_EQ(Message(), "False line number");
  EXPECT_EQ(CursorAt(), std::make_pair(3, 1));
}

TEST_F(EditKeysTest, PasteBufferCommandsMirrorTheClipboardAndUndo) {
  SetText("alpha beta", 1, 1);
  Clipboard("former");
  // Copy: GOLD #, then Undo gives back the former paste buffer.
  Keys("key keypad.\nkey keypad1\nkey keypadclear\nkey #\n");
  EXPECT_EQ(Named(EditUndo::kPasteBuffer), "alpha ");
  EXPECT_EQ(UndoText(), "Undo Copy");
  Keys("key keypadclear\nkey !\n");
  EXPECT_EQ(UndoText(), "Can't Undo");
  EXPECT_EQ(Named(EditUndo::kPasteBuffer), "former");
  // Cut: GOLD @, then Undo gives back the text, selected.
  Keys("key keypadclear\nkey @\n");
  EXPECT_EQ(Text(), "beta");
  EXPECT_EQ(UndoText(), "Undo Cut");
  Keys("key keypadclear\nkey !\n");
  EXPECT_EQ(Text(), "alpha beta");
  EXPECT_EQ(Selected(), "alpha ");
  // Paste replacing the selection, undone and redone.
  Clipboard("one\rtwo");
  Keys("key keypadclear\nkey $\n");
  EXPECT_EQ(Text(), "one\ntwobeta");
  EXPECT_EQ(UndoText(), "Undo Paste");
  Keys("key keypadclear\nkey !\n");
  EXPECT_EQ(Text(), "alpha beta");
  EXPECT_EQ(UndoText(), "Undo last Undo");
  Keys("key keypadclear\nkey !\n");
  EXPECT_EQ(Text(), "one\ntwobeta");
  // Clear paste buffer, and its undo.
  Keys("key keypadclear\nkey c\n");
  EXPECT_EQ(Message(), "Paste buffer cleared.");
  EXPECT_EQ(Named(EditUndo::kPasteBuffer), "<none>");
  Keys("key keypadclear\nkey !\n");
  EXPECT_EQ(Named(EditUndo::kPasteBuffer), "one\ntwo");
}

TEST_F(EditKeysTest, CutAppendAndPasteByCount) {
  SetText("ab cd", 1, 1);
  Keys("key keypad.\nkey keypad1\nkey keypad6\n");
  EXPECT_EQ(Text(), "cd");
  Keys("key keypad.\nkey keypad3\nkey keypad9\n");
  EXPECT_EQ(Text(), "d");
  EXPECT_EQ(Named(EditUndo::kPasteBuffer), "ab \nc");
  Keys("key keypadclear\nkey 2\nkey keypadclear\nkey keypad6\n");
  EXPECT_EQ(Text(), "ab \ncab \ncd");
  EXPECT_EQ(EditUndo::UndoMode, EditUndo::kNothing);
}

TEST_F(EditKeysTest, WriteAppendsTheSelectionToANamedBuffer) {
  SetText("ab cd", 1, 1);
  MakeNamed("Kept", "first");
  Keys("key keypad.\nkey keypad1\nkey keypadclear\nkey 2\nkey keypadclear\nkey w\ntype Kept\nkey return\n");
  EXPECT_EQ(Named("Kept"), "first\nab \nab ");
  EXPECT_FALSE(EditState::SelectActive);
}

TEST_F(EditKeysTest, ReadingANonTextBufferIsRefused) {
  SetText("ab", 1, 1);
  Buffer::Create("Block", Buffer::kSingleBlock);
  Keys("key keypadclear\nkey r\ntype Block\nkey return\n");
  EXPECT_EQ(Message(), "Could not open buffer: Block");
  EXPECT_EQ(Text(), "ab");
}

TEST_F(EditKeysTest, LineInsertionsKeepToTheBuffersMaximum) {
  const Case cases[] = {
      {"the top lines make room", "1\n2\n3\n4", {4, 2}, "key keypadclear\nkey 2\nkey return\n", "3\n4\n\n",
       {4, 1}, ""},
      {"no more lines than the maximum", "1\n2\n3\n4", {4, 2}, "key keypadclear\ntype 999999999\nkey return\n",
       "\n\n\n\n", {6, 1}, ""},
  };
  for (const Case& c : cases) {
    SetText(c.text, c.cursor.first, c.cursor.second);
    BufferText::SetMaxRecords(buffer, 6);
    Keys(c.keys);
    EXPECT_EQ(Text(), c.after) << c.name;
    EXPECT_EQ(CursorAt(), c.cursorAfter) << c.name;
  }
}

}  // namespace
