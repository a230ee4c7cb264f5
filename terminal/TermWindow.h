// The notebook window: the shell's line buffer "List" (Shell::List), into
// which console output (TermIO) appends every finished line, shown in an
// editor buffer window (EditUtility) that takes keys and clicks through the
// editor while it is in front. The notebook keeps at most its line limit
// (20000 from Install on, 100 to 100000 through "Set Length..."): at the
// limit the oldest lines go as new ones arrive. It can be saved as a text
// file, merged with other text files, cleared, printed and re-fonted from
// its own "Notebook" menu; closing it only hides it.
//
// Notebook files: one line per notebook line, each followed by the line
// end of IOBase::LineEndMode. A name without an extension gets ".txt"; the
// default name is the title ("Notebook_" and the date as dd-Mon-yyyy) with
// ".txt". Saving replaces the file whole (Store::Text), so a failed save
// leaves the old file and the notebook as they were. Reading (merge, load)
// splits at CR, LF or CR LF, drops NUL characters and breaks lines longer
// than 256 characters; a file that does not fit in memory, or a load beyond
// the end of its file, is refused and the notebook stays as it was.
//
// Every problem is an alert (Alert::IOError for file errors with their
// text, Alert::OK otherwise); results say whether the step worked. Before
// Install every operation does nothing (FALSE where a result is due).
// Main thread only.
#pragma once

#include "foundation/IOBytes.h"
#include "shell/Graphics.h"
#include "shell/ModWindow.h"

#include <cstdint>
#include <span>

namespace ANSITerm {
struct TerminalRecord;
}

namespace TermWindow {

// The notebook's window and terminal (the list console,
// EditState::ListConsole); nil until Install. The dialog loop routes the
// terminal's events to ProcessEvent.
extern Graphics::GraphicsWindow Window;
extern ANSITerm::TerminalRecord* Terminal;
// The "Notebook" menu's handle (ModMenus), 0 until InstallMenu; the
// "File Format" item has no menu of its own, so FormatMenu stays 0.
extern int Menu;
extern int FormatMenu;
// The window is shown; the notebook is the active window with its cursor
// on; the line count when it was last activated or deactivated.
extern bool Visible;
extern bool InPollLoop;
extern std::int32_t ActiveLines;
// The file the notebook is saved to (empty: the title with ".txt"), and
// the file last merged.
extern char FileName[256];
extern char MergeName[256];
// "Clear when Saved": the notebook is emptied after each successful save.
extern bool ClearingEnabled;
// Item numbers of the Notebook menu (0 for an item not made).
extern int iSave, iSaveAs, iMerge, iPrint, iClearEnable, iClear, iLength, iLineNumbers, iFont, iFormat, iZoomIn,
    iZoomOut, iOpen;

inline constexpr std::int32_t kDefaultLength = 20000;
inline constexpr std::int32_t kMinLength = 100;
inline constexpr std::int32_t kMaxLength = 100000;

// Clears every variable above.
void InitModule();
// Closes the window Install opened; the notebook's lines stay.
void Shutdown();

// Nothing when the Notebook menu exists already. Hides the shell's root
// window, sets the default title and clears the file name, shows Shell::List
// in an editor buffer window on the parameters (re-using an open one),
// limits it to kDefaultLength lines, turns the cursor off, makes clicks on
// the front window reported, installs FilterGlueProc as the line editor's
// filter, and leaves the window hidden unless visible.
void Install(ModWindow::WindowParameters& windowParameters, bool visible);
// Builds and appends the "Notebook" menu: Save, Save As..., Merge...,
// Print..., Clear when Saved, Clear, Set Length... (limit), Line Numbers,
// Font Size..., File Format (withFormat), Zoom In, Zoom Out, Show Notebook
// (withOpen, bound to DoOpen).
void InstallMenu(bool withOpen, bool withFormat);
// Builds and appends the Edit menu (EditMenus::CreateAndAppend).
void CreateMenu();

// One event that the dialog loop routes to the notebook: F4 to F15 are
// ignored, the close box hides it, the rest goes to the editor; activation
// enables the Edit menu and shows the lines added since the last one.
void ProcessEvent(int& code, char& character, int& modifiers);
// When shown: the pending console line flushed and the notebook redrawn
// (at its end unless it is active).
void Update();
// The edit cursor to the start of the last line and, unless the notebook
// is active, the terminal cursor to its bottom line.
void MoveToEnd();
// Leaves the active state.
void Deactivate();
void ToFront();
bool IsInFront();
// Hides the notebook.
void Close();

// Empties the notebook: the date and time in line 1, line 2 empty.
void ClearNotebook();
// Stores under FileName, or the title with ".txt" when it is empty.
void SaveNotebook();
// Asks for the name ("SAVE Notebook AS:", "*.txt") and stores; FALSE when
// cancelled or when storing failed.
bool SaveNotebookAs();
// Stores the notebook as a text file (".txt" added when the name has no
// extension): "Saving Failed:" with the file error, else cleared when
// ClearingEnabled. TRUE on success.
bool StoreNotebook(std::span<const char> name);
// The whole notebook as one block at position in the open file; size the
// bytes written. "Saving notebook failed:" (file error) or "Appending
// notebook to file failed".
bool AppendNotebook(const IOBytes::FileHandle& file, std::int32_t position, std::int32_t& size);
// The notebook replaced by the lines of size bytes at position in the open
// file (size 0: emptied). "Loading notebook failed:" (file error) or
// "Loading notebook from file failed"; the notebook stays as it was then.
bool LoadNotebook(const IOBytes::FileHandle& file, std::int32_t position, std::int32_t size);
// Reads the text file; merging appends an empty line, "Merged file: " with
// the name and the file's lines, otherwise they replace the notebook.
// FALSE (file error in IOBase::Result, the notebook as it was) when the
// file cannot be read.
bool Revert(std::span<const char> name, bool merge);
// Asks for a file ("Merge to Notebook:") and merges it; "Merge failed".
void Merge();
// Lines first to last as text lines into the open file; FALSE at the first
// failed write.
bool StoreRange(const IOBytes::FileHandle& file, std::int32_t first, std::int32_t last);
// The terminal's current line and the notebook's last line become text.
void ReplaceLastLine(std::span<const char> text);

void SetClearEnable(bool on);
std::int32_t GetLength();
std::int32_t GetMaxLength();
void SetMaxLength(std::int32_t lines);
// Shell::ListTitle and the window's title; "Notebook_" and the date.
void SetTitle(std::span<const char> title);
void SetDefaultTitle();

void GetWindowParameters(ModWindow::WindowParameters& parameters);
// The rectangle (left, top, width, height) scaled by MacEnv::ScreenFactor
// and fitted into the main screen below the menu bar, keeping minRight
// pixels before the screen's right edge and minBottom above its bottom.
void ClipWindow(ModWindow::WindowParameters& parameters, int left, int top, int minRight, int width, int minBottom,
                int height);
// Moves and sizes the shell's root window (scaled; values <= 0 keep the old
// ones).
void SetWindowPos(int top, int left, int height, int width);
// The notebook in front moves to top 64, left 64, keeping its size.
void ResetFrontWindowPosition();
// On: every Edit menu item enabled, Copy and Paste bound to the Edit
// menu's own; then the menu bar is adjusted.
void EnableEditMenus(bool on);
// Opens the notebook's window and activates it.
void DoOpen();
// Prints the notebook, or its selection (EditMenus::DoPrint).
void Print();
// The line editor's filter while the notebook edits: the dialog framework's
// global event filter.
void FilterGlueProc(int& code, char& character, int& modifiers);

}  // namespace TermWindow
