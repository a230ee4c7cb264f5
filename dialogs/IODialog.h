// Dialog layout files (".dia"): the window position and every item's
// attributes, rectangle and type-specific settings of an open dialog, so
// that a layout edited in the configuration dialog outlives the run.
//
// A file is a 512-byte header, then one record per item 0..n (item 0 is
// the dialog itself) at the record size the header gives (312 as
// written). Numbers are in the byte order of the writing machine, which
// the header records; a file of the other order is refused, never
// converted. Rectangles are stored as left, top, right, bottom with the
// screen scale divided out (window rectangles measured from
// ModDialogTools::TopOrigin), so a layout fits every screen; a check box's
// box rectangle alone is stored as top, left, bottom, right.
//
// Only dialogs with their buffer and Storable set take part. An empty file
// name stands for DefaultName. Failures are shown as alerts (loading: only
// with the alert flag, except the header checks, which always ask) and
// give FALSE. Main thread only.
#pragma once

#include <cstdint>
#include <span>

#include "dialogs/ModDialogUt.h"

namespace IODialog {

inline constexpr int kPathSize = 256;
inline constexpr int kHeaderSize = 512;
// As written: 310 bytes of fields, rounded up to a multiple of 8.
inline constexpr int kRecordSize = 312;
// The largest record size a file may declare.
inline constexpr int kMaxRecordSize = 65535;
// Ranges a loaded item is held within.
inline constexpr int kMaxFontSize = 48;
inline constexpr int kMaxLength = ModDialogUt::kNameSize - 1;
inline constexpr int kMaxDigits = 20;

// Where layout files under their default names go; empty: the working
// folder.
extern char DiaFilesPath[kPathSize];

// DiaFilesPath, the ID name without "\", "/" and ":" and with every blank
// made "_", and ".dia".
void DefaultName(const ModDialogUt::DialogRecord* dialog, std::span<char> path);

// Reads the window position back and writes the file, replacing an old one
// only when the whole file was written. TRUE when written.
bool Store(ModDialogUt::DialogRecord* dialog, std::span<const char> path);

// Loads the file over the dialog's items, matching records to items by
// name (the search going on after the last match and wrapping round);
// items without a record keep what they have, records without an item are
// skipped; numbers outside the item's ranges are held within them or leave
// the item's own value. Nothing loads while ModDialog::WriteAllDialogs is
// set. TRUE when the header and at least the dialog's own record were
// read; the console then shows "Dialog file loaded: ".
bool Load(ModDialogUt::DialogRecord* dialog, std::span<const char> path, bool alert = false);

}  // namespace IODialog
