// The editor's undo: what each kind of step takes out and puts back, the
// undo item's texts, and the paste buffer's exchanges. The edits are made
// here as the keypad commands make them: record first, then change.
#include "terminal/EditUndo.h"

#include "foundation/Buffer.h"
#include "platform/Scrap.h"
#include "shell/ScrapUtil.h"
#include "terminal/EditDisplay.h"
#include "terminal/EditState.h"
#include "terminal/EditUtility.h"
#include "terminal/tests/Editor_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <span>
#include <string>

namespace {

std::span<const char> Z(const char* text) { return {text, std::strlen(text) + 1}; }

class EditUndoTest : public EditorTest {
 protected:
  static void Type(const char* text) {
    EditUndo::Store(EditUndo::kTyping);
    std::int32_t line = 0, column = 0;
    EditUtility::InsertString(1, Z(text), line, column);
    EditDisplay::Insert(line, column);
  }
  static void Return() {
    EditUndo::Store(EditUndo::kTyping);
    std::int32_t line = 0, column = 0;
    EditUtility::InsertLine(1, "", line, column);
    EditDisplay::Insert(line, column);
  }
  // Deletions of the range from the cursor on, and of the range before it.
  static void DeleteTo(std::int32_t line, std::int32_t column) {
    EditUndo::StoreRange(EditUndo::kDeleteForward, EditState::CursorLine, EditState::CursorColumn, line, column);
    EditDisplay::Delete(line, column);
  }
  static void DeleteFrom(std::int32_t line, std::int32_t column) {
    EditUndo::StoreRange(EditUndo::kDeleteBackward, line, column, EditState::CursorLine, EditState::CursorColumn);
    EditDisplay::Delete(line, column);
  }
  static void MoveTo(std::int32_t line, std::int32_t column) {
    EditUndo::ClearUndo();
    EditDisplay::MoveCursor(line, column);
  }
  // Copy and cut as the paste-buffer commands make them.
  static void CopySelection(bool cut) {
    EditUndo::Store(cut ? EditUndo::kCut : EditUndo::kCopy);
    BufferText::TextBuffer paste = Buffer::Create(EditUndo::kPasteBuffer, Buffer::kText);
    std::int32_t l1 = 0, c1 = 0, l2 = 0, c2 = 0;
    EditUtility::GetSelectRange(l1, c1, l2, c2);
    EditUtility::BufferWrite(paste, l1, c1, l2, c2);
    if (cut) {
      EditDisplay::Delete(EditState::SelectLine, EditState::SelectColumn);
      EditState::SelectActive = false;
    }
    ScrapUtil::PutPasteBuffer();
  }
};

TEST_F(EditUndoTest, TypingIsOneStepAndASecondUndoRedoesIt) {
  SetText("ab", 1, 2);
  Type("x");
  Type("y");
  Type("z");
  EXPECT_EQ(Text(), "axyzb");
  EXPECT_EQ(UndoText(), "Undo Typing");
  EditUndo::DoUndo();
  EXPECT_EQ(Text(), "ab");
  EXPECT_EQ(CursorAt(), std::make_pair(1, 2));
  EXPECT_EQ(Selected(), "");
  EXPECT_EQ(UndoText(), "Undo last Undo");
  EditUndo::DoUndo();
  EXPECT_EQ(Text(), "axyzb");
  EXPECT_EQ(Selected(), "xyz");
  EditUndo::DoUndo();
  EXPECT_EQ(Text(), "ab");
  EXPECT_EQ(Row(1), "ab");
}

TEST_F(EditUndoTest, TypingOverASelectionGivesBackTheSelectedTextSelected) {
  SetText("one two\nthree", 2, 3);
  Mark(1, 5);
  Type("X");
  Return();
  EXPECT_EQ(Text(), "one X\nree");
  EditUndo::DoUndo();
  EXPECT_EQ(Text(), "one two\nthree");
  EXPECT_EQ(Selected(), "two\nth");
  EXPECT_EQ(CursorAt(), std::make_pair(2, 3));
  EditUndo::DoUndo();
  EXPECT_EQ(Text(), "one X\nree");
  EXPECT_EQ(Selected(), "X\n");
}

TEST_F(EditUndoTest, ConsecutiveDeletionsUndoTogetherUnlessTheCursorMoved) {
  struct Case {
    const char* name;
    bool moveBetween;
    const char* afterUndo;
    const char* selected;
  } cases[] = {
      {"two words deleted in a row come back together", false, "one two three", "two three"},
      {"a move between them leaves only the second", true, "one three", "three"},
  };
  for (const Case& c : cases) {
    SetText("one two three", 1, 5);
    DeleteTo(1, 9);
    if (c.moveBetween) MoveTo(1, 5);
    DeleteTo(1, 10);
    EXPECT_EQ(Text(), "one ") << c.name;
    EXPECT_EQ(UndoText(), "Undo Delete") << c.name;
    EditUndo::DoUndo();
    EXPECT_EQ(Text(), c.afterUndo) << c.name;
    EXPECT_EQ(Selected(), c.selected) << c.name;
  }
}

TEST_F(EditUndoTest, RuboutsAndDeletionsAcrossLineEndsComeBackInOrder) {
  SetText("abc\ndef", 2, 2);
  EditUndo::StoreString(EditUndo::kDeleteBackward, "d", false, false);
  EditDisplay::Delete(2, 1);
  EditUndo::StoreString(EditUndo::kDeleteBackward, "", true, false);
  EditDisplay::Delete(1, 4);
  DeleteFrom(1, 2);
  EXPECT_EQ(Text(), "aef");
  EditUndo::StoreString(EditUndo::kDeleteForward, "e", false, false);
  EditDisplay::Delete(1, 3);
  EXPECT_EQ(Text(), "af");
  EditUndo::DoUndo();
  EXPECT_EQ(Text(), "abc\ndef");
  EXPECT_EQ(Selected(), "bc\nde");
}

TEST_F(EditUndoTest, DeletedLinesAsWholeNewLines) {
  SetText("a\nb", 1, 2);
  EditUndo::StoreString(EditUndo::kDeleteForward, "x", false, true);
  EditUndo::StoreString(EditUndo::kDeleteBackward, "w", false, true);
  EditUndo::DoUndo();
  EXPECT_EQ(Text(), "aw\n\nx\nb");
}

TEST_F(EditUndoTest, ChangeCaseComesBackFromEitherEnd) {
  struct Case {
    const char* name;
    int kind;
    std::pair<std::int32_t, std::int32_t> cursor;  // after the change
  } cases[] = {
      {"forward, the cursor at the end", EditUndo::kCaseForward, {1, 8}},
      {"at the start", EditUndo::kCaseAtStart, {1, 5}},
      {"backward, the cursor before the range", EditUndo::kCaseBackward, {1, 4}},
  };
  for (const Case& c : cases) {
    SetText("one two three");
    EditState::CursorLine = c.cursor.first;
    EditState::CursorColumn = c.cursor.second;
    EditUndo::StoreRange(c.kind, 1, 5, 1, 8);
    BufferText::Replace(buffer, 1, "one TWO three");
    EXPECT_EQ(UndoText(), "Undo Change Case") << c.name;
    EditUndo::DoUndo();
    EXPECT_EQ(Text(), "one two three") << c.name;
    EXPECT_EQ(Selected(), "two") << c.name;
    EditUndo::DoUndo();
    EXPECT_EQ(Text(), "one TWO three") << c.name;
  }
}

TEST_F(EditUndoTest, CopyAndClearGiveBackTheFormerPasteBuffer) {
  for (const int kind : {EditUndo::kCopy, EditUndo::kClear}) {
    SetText("alpha beta", 1, 6);
    MakeNamed(EditUndo::kPasteBuffer, "former\nlines");
    if (kind == EditUndo::kCopy) {
      Mark(1, 1);
      CopySelection(false);
      EXPECT_EQ(Named(EditUndo::kPasteBuffer), "alpha");
      EXPECT_EQ(UndoText(), "Undo Copy");
    } else {
      EditUndo::Store(kind);
      EXPECT_EQ(Named(EditUndo::kPasteBuffer), "<none>");
      EXPECT_EQ(UndoText(), "Undo Clear");
    }
    EditUndo::DoUndo();
    EXPECT_EQ(Named(EditUndo::kPasteBuffer), "former\nlines") << kind;
    EXPECT_EQ(UndoText(), "Can't Undo") << kind;
    EXPECT_EQ(Text(), "alpha beta") << kind;
    // The clipboard follows the paste buffer.
    Buffer::NamedBuffer paste = Buffer::Lookup(EditUndo::kPasteBuffer);
    Buffer::Delete(paste);
    ScrapUtil::GetPasteBuffer();
    EXPECT_EQ(Named(EditUndo::kPasteBuffer), "former\nlines") << kind;
  }
}

TEST_F(EditUndoTest, AStaleSecondUndoBufferCrossesNoTexts) {
  SetText("alpha beta", 1, 6);
  MakeNamed(EditUndo::kPasteBuffer, "former");
  MakeNamed(EditUndo::kUndo2, "stale");
  Mark(1, 1);
  CopySelection(false);
  EditUndo::DoUndo();
  EXPECT_EQ(Named(EditUndo::kPasteBuffer), "former");
  EXPECT_EQ(Text(), "alpha beta");
}

TEST_F(EditUndoTest, CutComesBackSelectedAndThePasteBufferIsGone) {
  SetText("alpha\nbeta gamma", 2, 6);
  MakeNamed(EditUndo::kPasteBuffer, "former");
  Mark(1, 3);
  CopySelection(true);
  EXPECT_EQ(Text(), "algamma");
  EXPECT_EQ(UndoText(), "Undo Cut");
  EditUndo::DoUndo();
  EXPECT_EQ(Text(), "alpha\nbeta gamma");
  EXPECT_EQ(Selected(), "pha\nbeta ");
  EXPECT_EQ(CursorAt(), std::make_pair(2, 6));
  EXPECT_EQ(Named(EditUndo::kPasteBuffer), "<none>");
  EXPECT_EQ(UndoText(), "Can't Undo");
}

TEST_F(EditUndoTest, UndoBelongsToItsBuffer) {
  SetText("ab", 1, 3);
  Type("c");
  BufferText::TextBuffer other = Buffer::Create("Other", Buffer::kText);
  EditState::EditBuffer = other;
  EditUndo::DoUndo();
  EXPECT_EQ(UndoText(), "Can't Undo");
  EditState::EditBuffer = buffer;
  EditUndo::DoUndo();
  EXPECT_EQ(Text(), "abc");
}

TEST_F(EditUndoTest, AnEmptySelectionIsOnlyCancelled) {
  SetText("abc", 1, 2);
  Type("x");
  Mark(1, 3);
  EditUndo::DeleteSelection();
  EXPECT_FALSE(EditState::SelectActive);
  EXPECT_EQ(Text(), "axbc");
  EXPECT_EQ(UndoText(), "Can't Undo");
  Mark(1, 1);
  EditUndo::DeleteSelection();
  EXPECT_EQ(Text(), "bc");
  EXPECT_EQ(UndoText(), "Undo Delete");
  EditUndo::DoUndo();
  EXPECT_EQ(Text(), "axbc");
  EXPECT_EQ(Selected(), "ax");
}

TEST_F(EditUndoTest, KindsWithoutUndoClearIt) {
  SetText("ab", 1, 3);
  for (const int kind : {0, 6, 10, 12, 13}) {
    Type("c");
    EditUndo::Store(kind);
    EXPECT_EQ(UndoText(), "Can't Undo") << kind;
  }
  Type("c");
  EditUndo::StoreRange(EditUndo::kTyping, 1, 1, 1, 2);
  EditUndo::StoreString(EditUndo::kCut, "x", false, false);
  EXPECT_EQ(UndoText(), "Undo Typing");
}

}  // namespace
