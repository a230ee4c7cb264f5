#include "terminal/EditUndo.h"

#include "foundation/Buffer.h"
#include "foundation/Strings.h"
#include "shell/ScrapUtil.h"
#include "shell/ScrollBars.h"
#include "terminal/EditDisplay.h"
#include "terminal/EditMenus.h"
#include "terminal/EditState.h"
#include "terminal/EditUtility.h"

#include <utility>

namespace EditUndo {

int UndoMode = kNothing;
BufferText::TextBuffer UndoOwner = nullptr;
std::int32_t UndoStartLine = 1;
std::int32_t UndoStartColumn = 1;

namespace {

using BufferText::TextBuffer;
using EditState::LineText;

// A piece of deleted text: up to a whole line and what it joins.
using JoinedText = char[2 * EditState::kLineLength + 1];

std::span<const char> UndoText(int kind) {
  switch (kind) {
    case kTyping: return "Undo Typing";
    case kPaste: return "Undo Paste";
    case kCopy: return "Undo Copy";
    case kCut: return "Undo Cut";
    case kClear: return "Undo Clear";
    case kCaseForward:
    case kCaseAtStart:
    case kCaseBackward: return "Undo Change Case";
    case kDeletion:
    case kDeleteBackward:
    case kDeleteForward: return "Undo Delete";
    case kUndone: return "Undo last Undo";
    default: return "Can't Undo";
  }
}

void SetMode(int kind) {
  if (kind == UndoMode) return;
  EditMenus::SetUndoText(UndoText(kind));
  UndoMode = kind;
}

using Name = std::span<const char>;

TextBuffer Lookup(Name name) { return Buffer::Lookup(name); }

TextBuffer MakeEmpty(Name name) { return Buffer::Create(name, Buffer::kText); }

void DeleteNamed(Name name) {
  TextBuffer buffer = Lookup(name);
  Buffer::Delete(buffer);
}

// The buffer takes the name, replacing a buffer of that name (the heap
// refuses a rename onto an existing name). FALSE when the rename failed;
// the buffer then keeps its old name.
bool RenameOnto(TextBuffer buffer, Name name) {
  DeleteNamed(name);
  const TextBuffer renamed = Buffer::Rename(buffer, name);
  return renamed != nullptr && renamed != buffer;
}

// The buffer named `from`, when there is one, takes the name `to`.
bool RenameIfPresent(Name from, Name to) {
  const TextBuffer buffer = Lookup(from);
  return buffer == nullptr || RenameOnto(buffer, to);
}

void SetCursor(std::int32_t line, std::int32_t column) {
  EditState::CursorLine = line;
  EditState::CursorColumn = column;
}

void SetUndoStart(std::int32_t line, std::int32_t column) {
  UndoStartLine = line;
  UndoStartColumn = column;
}

void CancelSelection() { EditState::SelectActive = false; }

// The deletion recorded so far in the edit buffer, or a new one of one
// empty line.
TextBuffer ContinueDeletion() {
  TextBuffer undo = Lookup(kUndo1);
  if (UndoMode == kDeletion && UndoOwner == EditState::EditBuffer && undo != nullptr) return undo;
  undo = MakeEmpty(kUndo1);
  if (undo == nullptr || !BufferText::Insert(undo, 1, 1)) {
    ClearUndo();
    return nullptr;
  }
  UndoOwner = EditState::EditBuffer;
  SetMode(kDeletion);
  return undo;
}

// The piece joined to the end of the last line (forward) or to the start of
// the first line (backward) of the deletion.
void JoinPiece(TextBuffer undo, std::span<const char> piece, bool forward) {
  const std::int32_t line = forward ? BufferText::RecordCount(undo) : 1;
  JoinedText joined = "";
  if (forward) {
    BufferText::Get(undo, line, joined);
    Strings::Concat(joined, piece);
  } else {
    Strings::Assign(joined, piece);
    LineText rest = "";
    BufferText::Get(undo, line, rest);
    Strings::Concat(joined, rest);
  }
  BufferText::Replace(undo, line, joined);
}

// The piece as a line of its own after the last (forward) or before the
// first (backward).
void AddLine(TextBuffer undo, std::span<const char> piece, bool forward) {
  const std::int32_t line = forward ? BufferText::RecordCount(undo) + 1 : 1;
  if (BufferText::Insert(undo, line, 1)) BufferText::Replace(undo, line, piece);
}

// The range [(l1, c1), (l2, c2)) of the edit buffer added to the deletion:
// its first line joined to the deletion's last line and the others after
// it (forward), or its last line joined in front of the deletion's first
// line and the others before it (backward).
void AddRange(std::int32_t l1, std::int32_t c1, std::int32_t l2, std::int32_t c2, bool forward) {
  if (l2 < l1 || (l1 == l2 && c2 <= c1)) return;
  TextBuffer pieces = MakeEmpty(kUndo2);
  const TextBuffer undo = pieces == nullptr ? nullptr : ContinueDeletion();
  if (undo != nullptr) {
    EditUtility::BufferWrite(pieces, l1, c1, l2, c2);
    const std::int32_t n = BufferText::RecordCount(pieces);
    const std::int32_t joined = forward ? 1 : n;
    LineText piece = "";
    for (std::int32_t k = 0; k < n; ++k) {
      const std::int32_t i = forward ? 1 + k : n - k;
      BufferText::Get(pieces, i, piece);
      if (i == joined) {
        JoinPiece(undo, piece, forward);
      } else {
        AddLine(undo, piece, forward);
      }
    }
  }
  Buffer::Delete(pieces);
}

// The range [(l1, c1), (l2, c2)) into "Edit.Undo2" and out of the text, the
// cursor at its start. FALSE (the text unchanged) when the buffer cannot be
// made.
bool TakeOut(std::int32_t l1, std::int32_t c1, std::int32_t l2, std::int32_t c2) {
  const TextBuffer taken = MakeEmpty(kUndo2);
  if (taken == nullptr) return false;
  EditUtility::BufferWrite(taken, l1, c1, l2, c2);
  SetCursor(l2, c2);
  EditDisplay::Delete(l1, c1);
  return true;
}

// Copy and clear: the paste buffer and the undo buffer change places, and
// the clipboard follows the paste buffer. A failed step puts back what it
// moved.
void SwapPasteBuffers() {
  if (!RenameIfPresent(kPasteBuffer, kUndo2)) return;
  if (!RenameIfPresent(kUndo1, kPasteBuffer)) {
    RenameIfPresent(kUndo2, kPasteBuffer);
    return;
  }
  RenameIfPresent(kUndo2, kUndo1);
  ScrapUtil::PutPasteBuffer();
}

}  // namespace

void Initialize() {
  SetUndoStart(1, 1);
  UndoOwner = nullptr;
  UndoMode = kNothing;
}

void ClearUndo() { SetMode(kNothing); }

void Store(int kind) {
  EditDisplay::InsertionPoint();
  switch (kind) {
    case kTyping:
      if (UndoMode == kTyping && UndoOwner == EditState::EditBuffer && Lookup(kUndo1) != nullptr) return;
      [[fallthrough]];
    case kPaste:
    case kDeletion: {
      const TextBuffer undo = MakeEmpty(kUndo1);
      if (undo == nullptr) {
        ClearUndo();
        return;
      }
      SetUndoStart(EditState::CursorLine, EditState::CursorColumn);
      if (EditState::SelectActive) {
        std::int32_t l1 = 0, c1 = 0, l2 = 0, c2 = 0;
        EditUtility::GetSelectRange(l1, c1, l2, c2);
        EditUtility::BufferWrite(undo, l1, c1, l2, c2);
        CancelSelection();
        SetCursor(l2, c2);
        EditDisplay::Delete(l1, c1);
        SetUndoStart(EditState::CursorLine, EditState::CursorColumn);
      }
      UndoOwner = EditState::EditBuffer;
      SetMode(kind);
      return;
    }
    case kCopy:
    case kCut:
    case kClear: {
      UndoOwner = EditState::EditBuffer;
      DeleteNamed(kUndo1);
      if (!RenameIfPresent(kPasteBuffer, kUndo1)) {
        ClearUndo();
        return;
      }
      SetMode(kind);
      return;
    }
    default: ClearUndo(); return;
  }
}

void StoreRange(int kind, std::int32_t l1, std::int32_t c1, std::int32_t l2, std::int32_t c2) {
  EditDisplay::InsertionPoint();
  switch (kind) {
    case kCaseForward:
    case kCaseAtStart:
    case kCaseBackward: {
      const TextBuffer undo = MakeEmpty(kUndo1);
      if (undo == nullptr) {
        ClearUndo();
        return;
      }
      EditUtility::BufferWrite(undo, l1, c1, l2, c2);
      UndoOwner = EditState::EditBuffer;
      SetMode(kind);
      if (kind == kCaseForward) {
        SetUndoStart(l1, c1);
      } else {
        SetUndoStart(l2, c2);
      }
      return;
    }
    case kDeleteForward:
    case kDeleteBackward: AddRange(l1, c1, l2, c2, kind == kDeleteForward); return;
    default: return;
  }
}

void StoreString(int kind, std::span<const char> text, bool lineEnd, bool newLine) {
  EditDisplay::InsertionPoint();
  if (kind != kDeleteForward && kind != kDeleteBackward) return;
  const bool forward = kind == kDeleteForward;
  const TextBuffer undo = ContinueDeletion();
  if (undo == nullptr) return;
  if (newLine) {
    AddLine(undo, text, forward);
  } else if (lineEnd) {
    AddLine(undo, "", forward);
  } else {
    JoinPiece(undo, text, forward);
  }
}

void DeleteSelection() {
  if (!EditState::SelectActive) return;
  if (EditState::SelectLine == EditState::CursorLine && EditState::SelectColumn == EditState::CursorColumn) {
    CancelSelection();
    ClearUndo();
    return;
  }
  Store(kDeletion);
}

void DoUndo() {
  EditDisplay::InsertionPoint();
  if (UndoOwner != EditState::EditBuffer || UndoMode < kTyping || UndoMode > kUndone) {
    ClearUndo();
    return;
  }
  bool takeOut = false;
  std::int32_t l1 = 0, c1 = 0, l2 = 0, c2 = 0;
  switch (UndoMode) {
    case kTyping:
    case kPaste: {
      if (EditState::SelectActive) {
        ClearUndo();
        return;
      }
      l1 = UndoStartLine, c1 = UndoStartColumn, l2 = EditState::CursorLine, c2 = EditState::CursorColumn;
      takeOut = l1 < l2 || (l1 == l2 && c1 < c2);
      break;
    }
    case kCopy:
    case kClear:
      SwapPasteBuffers();
      ClearUndo();
      return;
    case kCut: {
      ClearUndo();
      EditState::SelectLine = EditState::CursorLine;
      EditState::SelectColumn = EditState::CursorColumn;
      EditState::SelectActive = true;
      if (const TextBuffer cut = Lookup(kPasteBuffer); cut != nullptr) {
        EditUtility::BufferRead(cut);
        EditDisplay::InsertionPoint();
        ScrollBars::Update(EditState::Console);
      }
      DeleteNamed(kUndo1);
      RenameIfPresent(kPasteBuffer, kUndo1);
      ScrapUtil::PutPasteBuffer();
      return;
    }
    case kCaseForward:
    case kCaseAtStart:
    case kCaseBackward: {
      if (UndoMode == kCaseBackward) {
        EditUtility::CharsForward(1, EditState::CursorLine, EditState::CursorColumn);
      }
      l1 = UndoStartLine, c1 = UndoStartColumn, l2 = EditState::CursorLine, c2 = EditState::CursorColumn;
      if (l2 < l1 || (l1 == l2 && c2 < c1)) {
        std::swap(l1, l2);
        std::swap(c1, c2);
      }
      takeOut = true;
      break;
    }
    case kUndone:
      if (EditState::SelectActive) {
        EditUtility::GetSelectRange(l1, c1, l2, c2);
        takeOut = l1 != l2 || c1 != c2;
        CancelSelection();
      }
      break;
    default: break;
  }
  if (takeOut) {
    if (!TakeOut(l1, c1, l2, c2)) {
      ClearUndo();
      return;
    }
  }
  SetUndoStart(EditState::CursorLine, EditState::CursorColumn);
  if (TextBuffer putBack = Lookup(kUndo1); putBack != nullptr) {
    EditUtility::BufferRead(putBack);
    Buffer::Delete(putBack);
  }
  if (takeOut && !RenameIfPresent(kUndo2, kUndo1)) {
    ClearUndo();
  } else {
    SetMode(kUndone);
  }
  EditState::SelectLine = UndoStartLine;
  EditState::SelectColumn = UndoStartColumn;
  EditState::SelectActive = EditState::CursorLine != UndoStartLine || EditState::CursorColumn != UndoStartColumn;
  EditDisplay::DrawDisplay();
}

}  // namespace EditUndo
