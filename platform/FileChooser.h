// The layer's file chooser: the choice of a file to open, a name to save
// under, or a folder, in a modal dialog made from template kDialogID.
//
// The dialog shows one folder: its path, then its folders (each with a
// trailing '/', always shown) and, except when a folder is chosen, its
// files that the caller's filter lets through, folders first, each group
// in name order; names beginning with '.' are left out. A click selects an
// entry; a double click on a folder, or "Up", changes the folder. Item 1
// ("Open", "Save" or "Choose") takes the choice:
//   open:   the selected file; a selected folder is entered instead;
//   save:   the name typed in the name field (clicking a file copies its
//           name there) in the folder shown; an existing file is replaced
//           only after the confirmation alert kReplaceAlertID agrees (its
//           ^0 is the name); an existing folder is entered, with the name
//           field selected for the next name;
//   folder: the selected folder, else the folder shown.
// Cancel, Escape, Command-period, a quit request or the end of input end
// it without a choice. Names are shown in the 8-bit set and typed names
// are written to the file system in UTF-8; the path given back is the file
// system's own. Headless, script steps (clicks, "item N", "type") answer
// it. Main thread only.
#pragma once

#include <string>
#include <string_view>

namespace FileChooser {

inline constexpr int kDialogID = 30000;
inline constexpr int kReplaceAlertID = 30001;

// Items of the template.
inline constexpr int kChooseItem = 1;
inline constexpr int kCancelItem = 2;
inline constexpr int kMessageItem = 3;
inline constexpr int kFolderItem = 4;
inline constexpr int kUpItem = 5;
inline constexpr int kListItem = 6;
inline constexpr int kScrollItem = 7;
inline constexpr int kNameLabelItem = 8;
inline constexpr int kNameItem = 9;
// Height of an entry of the list.
inline constexpr int kRowHeight = 16;

enum class Kind { kOpen, kSave, kFolder };

// True when the file of this name is to be shown.
using FilterProc = bool (*)(std::string_view name, void* user);

struct Request {
  Kind kind = Kind::kOpen;
  std::string folder;   // where it opens; the current directory when empty or no folder
  std::string prompt;   // the window's title (8-bit)
  std::string message;  // the line under the list (8-bit)
  std::string name;     // saving: the proposed name (8-bit)
  FilterProc filter = nullptr;  // nil: every file
  void* user = nullptr;
};

// True with the full path of the choice (a folder's ending with '/');
// false, path unchanged, without one.
bool Choose(const Request& request, std::string& path);

}  // namespace FileChooser
