// The system clipboard: a text ('TEXT') and a picture ('PICT') flavour.
//
// Text is the program's: 8-bit characters, lines ending with a carriage
// return. Where the backend has a system clipboard (SDL2), the text flavour
// is that clipboard, converted at the edge: to UTF-8 with line feeds going
// out, NULs left out (the one-NUL text of an empty paste buffer goes out as
// an empty text); coming in, characters the 8-bit set lacks become '?', and
// a carriage return with a line feed, or a line feed alone, become one
// carriage return. Headless, and for pictures always, the clipboard lives
// in the process.
//
// Every call gives a result code: kNoErr, kNoTypeErr (-102) when the
// clipboard holds no such flavour, or the code a test injected for the
// call (FailNextCall); kSystemScrapErr when the system clipboard refuses a
// put. A failed call changes nothing. Main thread only.
#pragma once

#include <cstdint>
#include <span>

namespace Scrap {

using FlavorType = std::uint32_t;
inline constexpr FlavorType kText = 0x54455854;  // 'TEXT'
inline constexpr FlavorType kPict = 0x50494354;  // 'PICT'

inline constexpr int kNoErr = 0;
inline constexpr int kNoTypeErr = -102;
inline constexpr int kSystemScrapErr = -100;

// Empties the clipboard.
int ClearCurrentScrap();
// Checks that the clipboard can be reached.
int GetCurrentScrap();
// Adds the flavour (replacing one of the same type) with exactly these
// bytes.
int PutScrapFlavor(FlavorType type, std::span<const char> data);
int GetScrapFlavorSize(FlavorType type, std::int32_t& size);
// Copies the flavour's first size bytes (at most data.size()); size becomes
// the number copied.
int GetScrapFlavorData(FlavorType type, std::span<char> data, std::int32_t& size);

// Test seam: after callsBefore calls of any of the above have gone
// through, the next one fails with the code and does nothing.
void FailNextCall(int code, int callsBefore = 0);

// Forgets what the process holds (the layer does it when it starts).
void InitModule();

}  // namespace Scrap
