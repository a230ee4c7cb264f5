#pragma once

// Fixed-capacity strings: every text of the program lives in a char array of
// fixed capacity, passed as a span so the capacity travels with it
// (H = size() - 1). A `char buf[256]`, a `std::array<char, N>` and, for
// sources, a string literal convert implicitly.
//
// The text is the characters before the first NUL, or the whole array when it
// holds no NUL. Characters compare as unsigned bytes. Positions and counts are
// 0-based ints; out-of-range values leave the strings unchanged or give an
// empty destination, never an error. No operation writes outside its span,
// and an empty span is left alone.

#include <array>
#include <span>

namespace Strings {

// The platform's length-prefixed form: byte 0 holds the length (0..255),
// bytes 1..length the characters.
using PascalString = std::array<unsigned char, 256>;

// Characters before the first NUL, or the capacity when there is none.
int Length(std::span<const char> s);

// Makes s empty.
void Clear(std::span<char> s);

// Copies src, keeping at most H characters and a NUL. A 4-character
// destination is the exception: it takes 4 characters and no NUL, because
// four-character codes and other 4-byte fields are filled this way.
void Assign(std::span<char> dst, std::span<const char> src);

// Appends src; the result keeps at most H characters and always ends with NUL.
// When dst holds H characters or more, nothing changes.
void Concat(std::span<char> dst, std::span<const char> src);

// Inserts src before position pos (0..Length(dst)); the result is cut to H
// characters and ends with NUL. An empty src or a pos outside the text does
// nothing.
void Insert(std::span<char> dst, std::span<const char> src, int pos);

// Deletes count characters at pos; a range that runs past the text deletes
// nothing.
void DelString(std::span<char> s, int pos, int count);

// Copies count characters of src from pos into dst, NUL after them when there
// is room. A count above dst's capacity is cut to it; a range that runs past
// the text of src leaves dst empty.
void Substring(std::span<char> dst, std::span<const char> src, int pos, int count);

// Moves count characters from pos of src into dst, closing the gap in src.
// Unlike Substring the count is not cut: when it does not fit dst or runs
// past the text of src, dst becomes empty and src is unchanged.
void Extract(std::span<char> dst, std::span<char> src, int pos, int count);

// Position of the first occurrence of pattern at or after start, or -1 (also
// for an empty pattern and a start outside 0..Length(s)).
int Search(std::span<const char> s, std::span<const char> pattern, int start);

// Search with both sides case-folded.
int SearchCap(std::span<const char> s, std::span<const char> pattern, int start);

// Occurrences of pattern in s, overlapping ones included; 0 for an empty
// pattern.
int Count(std::span<const char> s, std::span<const char> pattern);

// -1, 0 or 1 comparing a[startA..endA-1] with b[startB..endB-1], each ending
// early at a NUL; fold compares case-folded. Ranges are clipped to the arrays.
int Comp(std::span<const char> a, std::span<const char> b, int startA, int startB, int endA,
         int endB, bool fold);

// Comp over both whole texts, case-sensitive.
int Compare(std::span<const char> a, std::span<const char> b);

// Compare gives 0.
bool Equal(std::span<const char> a, std::span<const char> b);

// The whole texts are equal case-folded. Only 'a'..'z' fold, so an accented
// capital and its small letter differ.
bool EqualCap(std::span<const char> a, std::span<const char> b);

// Copies src into dst with 'a'..'z' in upper case; NUL after them when there
// is room.
void Capitalize(std::span<const char> src, std::span<char> dst);

// Removes every ch from s.
void Trim(std::span<char> s, char ch);

// Removes the leading run of ch.
void TrimLeading(std::span<char> s, char ch);

// Removes the trailing run of ch.
void TrimTrailing(std::span<char> s, char ch);

// Copies src into dst with every oldCh replaced by newCh; NUL after them when
// there is room.
void Replace(std::span<char> dst, std::span<const char> src, char oldCh, char newCh);

// Converts to the platform form, keeping at most 255 characters; a NUL follows
// them when there is room.
void ToPascal(std::span<const char> src, PascalString& dst);

// Converts from the platform form, cut to dst's capacity; NUL after them when
// there is room. src is taken by value so that a conversion within one buffer
// is safe.
void FromPascal(PascalString src, std::span<char> dst);

}  // namespace Strings
