// The dialog record, its items and the operations with which an owner
// describes a dialog before ModDialog opens it.
//
// Every dialog is built in one order: ClearRecord once when the owner
// starts, InitializeRecord before each opening, ModDialog::Initialize with
// the owner's fill procedure (which calls the fillers for items 1..n) and
// list procedure (CreateMenuList, AddListItem), then the binding of
// variables and procedures (FillProcField, FillEdittextField: after
// Initialize, which resets every item's procedures and bound value from its
// type), ModDialog::Update and a dialog loop.
//
// The record is a global of its owner; its items live in the dialog's named
// buffer "<ID name>DialBuffer" (deleted when the dialog shuts down), and
// the owner's item vector holds n + 1 references, item 0 standing for the
// dialog itself. Every filler ignores item numbers outside 1..n and items of
// a type it does not serve, marks what it changed for the next update
// (Changed, NeedsDraw) and reports refused item names as console lines.
// Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "foundation/Buffer.h"
#include "platform/Color.h"
#include "platform/Geometry.h"
#include "platform/Region.h"
#include "shell/Graphics.h"
#include "shell/ModWindow.h"

namespace ANSITerm {
struct TerminalRecord;
}
namespace Menus {
struct Menu;
}
namespace Windows {
struct Window;
}

namespace ModDialogUt {

inline constexpr int kNameSize = 80;
inline constexpr int kUnitSize = 8;

// Item types.
inline constexpr int kNotKnown = 0;
inline constexpr int kButton = 1;
inline constexpr int kSwitch = 2;
inline constexpr int kRadioButton = 3;
inline constexpr int kCheckBox = 4;
inline constexpr int kMultiCheck = 5;
inline constexpr int kText = 6;
inline constexpr int kFramedText = 7;
inline constexpr int kFramedNumber = 8;
inline constexpr int kFramedBool = 9;
inline constexpr int kDrag = 10;
inline constexpr int kDrag2 = 11;
inline constexpr int kEditText = 12;
inline constexpr int kList = 13;
inline constexpr int kFramedList = 14;
inline constexpr int kOffscreen = 15;
inline constexpr int kGWindow = 16;
inline constexpr int kUser = 17;
inline constexpr int kPane = 18;
inline constexpr int kTypeCount = 19;

// Kinds of the bound variable.
inline constexpr int kDouble = 0;
inline constexpr int kSingle = 1;
inline constexpr int kInt32 = 2;
inline constexpr int kInt16 = 3;
inline constexpr int kSet16 = 4;
inline constexpr int kBoolean = 5;  // a byte, TRUE = 1
inline constexpr int kByte = 6;     // 0..255, a list index
inline constexpr int kString = 7;   // capacity Length + 1

// Number formats.
inline constexpr int kInteger = 0;
inline constexpr int kFixed = 1;
inline constexpr int kScientific = 2;
inline constexpr int kEngineering = 3;

// Command modifier bits.
inline constexpr int kCommandKey = 1;
inline constexpr int kShiftKey = 2;
inline constexpr int kCapsLock = 4;
inline constexpr int kOptionKey = 8;
inline constexpr int kControlKey = 16;

// Key code of a command key that is a character.
inline constexpr int kCharacterKey = 2;

struct DialogRecord;

using Proc = void (*)();
using ItemProc = void (*)(int item);
using ItemQuery = bool (*)(int item);
// Filters a key before the dialog processes it; may change all three.
using KeyProc = void (*)(char& character, int& code, int& modifiers);
// The program's event filter, run by every loop and tracking of the
// framework; a code below 2 left behind is not processed.
using FilterProc = void (*)(ANSITerm::TerminalRecord* terminal, DialogRecord* dialog, int& code, char& character,
                            int& modifiers, bool mainLoop);
using RecordProc = void (*)(DialogRecord* dialog, int item);
// Redraws the window of the event just delivered, which is not the
// dialog's own; TRUE when it knew the window.
using BackgroundUpdate = bool (*)();
using AuditBefore = bool (*)(DialogRecord* dialog, int item);

// The value an executed item stored, for macros, audits and relative
// changes.
struct StoredValue {
  char Name[kNameSize] = {};
  alignas(8) std::byte Value[8] = {};
  char Text[kNameSize] = {};
  std::int32_t Number = 0;
  std::int16_t Item = -1;  // -1 none, -2 a menu command, 0 an invalid item
  std::uint8_t Modifiers = 0;
  std::uint8_t Key = 0;
  char Character = 0;
  bool AnyModifier = false;
  // Of a record read from a macro line: the key was pressed, the line
  // assigns the key instead of acting, and it is a list's second key.
  bool KeyDown = false;
  bool KeyGiven = false;
  bool SecondKey = false;
};

// Check box and multicheck geometry; OffValue alone for radio buttons.
struct BoxData {
  Geometry::Rect BoxRect;
  std::int16_t BoxPitch = 0;
  std::int16_t TextOffset = 0;  // behind the last box
  std::int16_t BoxNumber = -1;  // the box last changed; macros store it with the set
  std::int16_t FirstLabel = 0;  // the number shown under the first box
  std::uint8_t OffValue = 0;    // the byte that shows an empty box
};

// The drag area of a drag item, as layout files store it.
struct DragParameters {
  double DragStep = 0;
  double RelativeStep = 0;
  double DragFactor = 0;
  double ReversalFactor = 0.25;
  std::int16_t StepCount = 0;
  std::int16_t PixelsPerStep = 2;
  std::int16_t ResetSteps = 50;
  std::uint8_t DragState = 0;
  bool DragInverse = false;
};
static_assert(sizeof(DragParameters) == 40);

// One entry of a list's table in the dialog's buffer.
struct ListEntry {
  char Text[79] = {};  // at most 78 characters
  bool Enabled = true;
};
static_assert(sizeof(ListEntry) == 80);

struct ListData {
  Menus::Menu* Menu = nullptr;
  ListEntry* Entries = nullptr;  // nil: the menu holds the texts
  std::uint16_t* MarkSet = nullptr;
  std::uint16_t OwnMarks = 0;
  std::int16_t MarkBlock = 0;  // first entry of the 16 the set marks; 0 none
  std::int16_t MenuID = 0;
  std::int16_t Count = 0;
  std::int16_t Capacity = 0;
  std::int16_t SingleMarkFrom = 0;
  char SecondChar = 0;
  std::uint8_t SecondKind = 0;
};

// The type-specific area: which part counts follows the item's type.
struct TypeArea {
  BoxData Box;                 // checkbox, multicheck, radiobutton
  char Prefix[kNameSize] = {};  // framednumber
  DragParameters Drag;         // drag
  std::int16_t DragItems[2] = {};  // drag2: horizontal and vertical drag item
  ListData List;               // list, framedlist
  Color::RGB HighlightColor;   // switch, framedbool, offscreen, gwindow, user, pane
  Graphics::GraphicsWindow Offscreen = nullptr;  // offscreen
  Graphics::GraphicsWindow GWindow = nullptr;    // offscreen, gwindow
  Geometry::Rect PaneRect;     // pane
};

struct DialogItem {
  std::uint8_t Type = kNotKnown;
  std::uint8_t ValueKind = 0;
  char CommandChar = 0;
  std::uint8_t CommandKind = 0;
  bool Executable = true;
  bool Visible = false;
  bool Enabled = true;
  bool NoConfig = false;
  char Name[kNameSize] = {};
  char Text[kNameSize] = {};
  char Unit[kUnitSize] = {};
  std::int16_t TextIndent = 0;
  std::int16_t TextBaseline = 0;
  std::int16_t FontNumber = 0;
  std::int16_t FontSize = 0;
  std::uint8_t TextStyle = 0;
  std::uint8_t Justification = 0;  // 0 left, 1 centred once, 2 right, 3 centred always
  bool DarkBack = false;
  std::uint8_t NumberFormat = kFixed;
  std::uint8_t ZeroText = 0;  // 0 a number, 1 "Off", 2 or more "---"
  bool Inverted = false;
  bool AnyModifier = false;
  std::int16_t Length = 3;
  std::int16_t Digits = 1;
  std::int16_t LineSpacing = 0;
  bool Password = false;
  std::uint8_t CommandModifiers = 0;
  bool KeyFrontOnly = true;
  bool Macro = false;
  Color::RGB BackColor = Color::kWhite;
  bool ExecuteAlways = false;
  bool ActOnPress = false;
  void* Value = nullptr;
  double Factor = 1.0;
  alignas(8) std::byte OwnValue[8] = {};
  double Minimum = 0;
  double Maximum = 0;
  TypeArea Area;
  Proc ExecuteProc = nullptr;
  ItemProc LoopProc = nullptr;
  Proc UpdateProc = nullptr;
  ItemProc DrawProc = nullptr;
  Geometry::Rect Rect;
  std::int16_t Pane = 0;
  std::int16_t Group = 0;
  std::int16_t HighlightFrom = 0;
  std::int16_t HighlightTo = 0;
  std::int16_t PaneOwner = 0;
  std::int16_t GroupOwner = 0;
  std::uint8_t AccessLevel = 0;
  bool Suppressed = false;
  bool NeedsDraw = true;
  std::uint8_t Toggle = 0;
  bool ListChanged = false;
  bool Executing = false;
  // The item's tool tip (HelpDialog), 0 for none; set when a help file
  // loads, never stored in layout files.
  std::int32_t HelpIndex = 0;
};

struct DialogRecord {
  char Magic[8] = {};  // "DIAL" while open
  std::int16_t UserTag = 0;
  std::int16_t ItemCount = 0;
  std::int16_t CurrentItem = 0;
  std::int16_t LastKeyItem = 0;
  bool Open = false;
  bool Shown = false;
  bool KeysActive = false;
  bool Configurable = false;
  bool Storable = false;
  bool Iconized = false;
  bool WindowVisible = false;
  bool Growable = false;
  bool Stop = false;
  bool Interrupted = false;
  bool FrontOnly = false;
  bool InFront = false;
  bool Active = false;
  bool Changed = false;
  std::uint8_t WindowKind = 0;
  Graphics::GraphicsWindow Window = nullptr;
  Windows::Window* MacWindow = nullptr;
  Region::Rgn ClipRegion;
  ANSITerm::TerminalRecord* Terminal = nullptr;
  DialogRecord* PrevDialog = nullptr;
  DialogRecord* NextDialog = nullptr;
  Buffer::NamedBuffer Buffer = nullptr;
  DialogItem** Items = nullptr;
  ItemQuery HelpProc = nullptr;
  ItemProc ResizeProc = nullptr;
  Proc ActivateProc = nullptr;
  Proc DeactivateProc = nullptr;
  KeyProc KeyProc1 = nullptr;
  KeyProc KeyProc2 = nullptr;  // keys played back from a macro
  KeyProc KeyProc3 = nullptr;
  Proc PaintProc = nullptr;
  ItemQuery MayCloseProc = nullptr;
  ItemQuery BroadcastProc = nullptr;
  ItemQuery MayExecuteProc = nullptr;
  StoredValue LastValue;
  ModWindow::WindowParameters WindowRect;
  ModWindow::WindowParameters SavedRect;  // kept while iconized or zoomed
  char IDName[kNameSize] = {};
  char MacroName[kNameSize] = {};
  std::int16_t ActivePane = 0;
  bool StateChanged = false;
  bool Linked = false;
};

// ---- Item types ------------------------------------------------------------

// text, framedtext and edittext: a string is their value.
bool IsTextType(int type);
bool IsListType(int type);
// checkbox and multicheck.
bool HasBoxes(int type);
// switch, framedbool, offscreen, gwindow, user and pane.
bool HasHighlightColor(int type);
// "notknown", "button" ... "pane"; "illegal" outside 0..18.
const char* TypeName(int type);

// The item n of the dialog; nil outside 0..ItemCount or without items.
DialogItem* ItemOf(const DialogRecord* dialog, int n);
// What an item is bound to when no variable is: its own Text for text,
// framedtext and edittext items, else its OwnValue.
void* OwnVariable(DialogItem& item);

// ---- Building ------------------------------------------------------------

// Zeroes the record; KeysActive and Stop set; the default procedures in
// the eleven slots.
void ClearRecord(DialogRecord* dialog);
// The buffer name: the ID name and "DialBuffer", cut to 31 characters,
// every "/" and blank made "_".
void MakeBufferName(std::span<const char> idName, std::span<char> name);
// Makes the buffer and the n + 1 items (item vector of at least n + 1
// references), the window rectangle from left, bottom, width and height,
// item 0 with the defaults (its Text the title) copied into items 1..n.
// FALSE, with an alert, for an existing buffer or an open dialog; FALSE,
// nothing kept, when memory runs out.
bool InitializeRecord(DialogRecord* dialog, std::span<DialogItem*> items, bool configurable, bool storable,
                      std::span<const char> title, std::span<const char> idName, int font, int size, int n, int left,
                      int bottom, int width, int height, int userTag);
// Item 0..n back to the defaults.
void InitializeItemField(DialogRecord* dialog, int n, int font, int size);
void FillTextField(DialogRecord* dialog, int n, int type, std::span<const char> name, bool macro,
                   std::span<const char> text, int left, int bottom, int width, int height);
void FillItemField(DialogRecord* dialog, int n, int type, std::span<const char> name, bool macro,
                   std::span<const char> text, int left, int bottom, int width, int height, int indent,
                   int baseline, int size, int style, int justification, bool darkBack, int red, int green,
                   int blue);
// Text, framedtext and edittext: binds the string variable of capacity
// length + 1, or the item's own Text when the variable is empty.
void FillEdittextField(DialogRecord* dialog, int n, std::span<char> variable, int length);
void FillDragField(DialogRecord* dialog, int n, std::span<const char> unit, int numberFormat, int valueKind,
                   int length, int digits, double step, double minimum, double maximum, double factor,
                   bool relativeStep, int zeroText);
void FillPaneRect(DialogRecord* dialog, int n, int left, int width, int height);
// Binds the variable (nil: the item's Text for text items, else OwnValue)
// and the two procedures (nil keeps the do-nothing one).
void FillProcField(DialogRecord* dialog, int n, void* variable, Proc execute, Proc update);
void SetCommandKey(DialogRecord* dialog, int n, int kind, char character, int modifiers, bool anyModifier,
                   bool frontOnly);
void SetListCommandKeys(DialogRecord* dialog, int n, int kind1, char char1, int kind2, char char2,
                        int modifiers, bool anyModifier, bool frontOnly);

// ---- Lists -----------------------------------------------------------------

void CreateMenuList(DialogRecord* dialog, int n, std::span<const char> title);
// The table holds 10 entries at first and doubles when full.
void AddListItem(DialogRecord* dialog, int n, std::span<const char> text);
// "" for an entry outside 1..count.
void GetListText(const DialogRecord* dialog, int n, int entry, std::span<char> text);
void ChangeListText(DialogRecord* dialog, int n, int entry, std::span<const char> text);
void EnableItemInList(DialogRecord* dialog, int n, int entry, bool on);
bool ItemEnabled(const DialogRecord* dialog, int n, int entry);
// The later entries move up, in the menu and in the table alike.
void RemoveItemFromList(DialogRecord* dialog, int n, int entry);

// ---- Item windows, panes, groups -----------------------------------------

// Offscreen and gwindow items: new windows over the rectangle; Visible
// cleared when they cannot be made.
void CreateItemWindow(DialogRecord* dialog, int n);
void SetFont(Graphics::GraphicsWindow window, int font, int size, int style);
// Only while the dialog has a window.
void SetPaneOwner(DialogRecord* dialog, int pane, int n);
void SetGroupOwner(DialogRecord* dialog, int group, int n);
void SetPaneRange(DialogRecord* dialog, int pane, int first, int last);
void SetGroupRange(DialogRecord* dialog, int group, int first, int last);

// ---- Values -----------------------------------------------------------------

// Bound values into their legal range: flags exactly 1 or 0, sets to their
// boxes, numbers of drag items into Minimum..Maximum and, like every
// number, into their kind's range, list indices below the count.
void CheckOneValue(DialogRecord* dialog, int n);
void CheckAllValues(DialogRecord* dialog);
// Parses the text (engineering notation with real, else an integer),
// divides by the scale and checks the range: out of range it is clamped,
// or with alert it beeps, shows "Number must be >= ..." and gives FALSE. A
// text that is no finite number gives FALSE and leaves result alone.
bool CheckNumber(std::span<const char> text, double minimum, double maximum, double scale, double& result,
                 bool real, bool alert);

// ---- Geometry ----------------------------------------------------------------

void RepositionItem(DialogRecord* dialog, int n, int dx, int dy);
void SetMaxZoom(DialogRecord* dialog, int left, int top, int width, int height, bool scaled, bool startZoomed);
void UpdateWindowPosition(DialogRecord* dialog);
void GetDialogPosition(DialogRecord* dialog, int& left, int& top, int& width, int& height);

// ---- Texts ---------------------------------------------------------------------

// The readable name of a command key; FALSE for a kind without one.
bool KeyToString(int kind, char character, int modifiers, std::span<char> result);
// Characters up to the first NUL, at most min(a, b) - 1 of them, then NUL;
// the number copied.
int CopyString(std::span<const char> source, std::span<char> destination, int a, int b);
int DefaultLineSpacing(int size);
// The low-order byte of a value of that size.
void* LowByteAdr(void* address, int size);

// ---- The defaults of the procedure slots -------------------------------------

// Does nothing: passed where a procedure is required and nothing is to be
// done.
inline void NoProc() {}
inline void NoItem(int) {}
inline void NoKey(char&, int&, int&) {}
inline bool ReturnTRUE(int) { return true; }
inline bool ReturnFALSE(int) { return false; }
inline void NoFilterProc(ANSITerm::TerminalRecord*, DialogRecord*, int&, char&, int&, bool) {}
inline void NoRecordProc(DialogRecord*, int) {}
inline bool NoAuditBefore(DialogRecord*, int) { return true; }
inline void NoAuditAfter(DialogRecord*, int) {}

}  // namespace ModDialogUt
