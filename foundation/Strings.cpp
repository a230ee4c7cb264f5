#include "foundation/Strings.h"

#include <algorithm>
#include <cstring>

namespace Strings {

namespace {

int Capacity(std::span<const char> s) { return static_cast<int>(s.size()); }

unsigned char Byte(char c) { return static_cast<unsigned char>(c); }

// Only 'a'..'z' fold; accented letters keep their byte.
unsigned char Fold(char c) {
  const unsigned char b = Byte(c);
  return (b >= 'a' && b <= 'z') ? static_cast<unsigned char>(b - ('a' - 'A')) : b;
}

bool Same(char a, char b, bool fold) { return fold ? Fold(a) == Fold(b) : a == b; }

// memmove, so that source and destination may share one array.
void Move(char* to, const char* from, int count) {
  if (count > 0) std::memmove(to, from, static_cast<std::size_t>(count));
}

// Copies src into dst character by character through map; may fill all of
// dst, and writes a NUL behind the copy only when there is room.
template <typename Map>
void CopyMapped(std::span<const char> src, std::span<char> dst, Map map) {
  const int limit = std::min(Capacity(src), Capacity(dst));
  int i = 0;
  for (; i < limit && src[i] != '\0'; ++i) dst[i] = map(src[i]);
  if (i < Capacity(dst)) dst[i] = '\0';
}

int Find(std::span<const char> s, std::span<const char> pattern, int start, bool fold) {
  const int ls = Length(s);
  const int lp = Length(pattern);
  if (start < 0 || start > ls || lp == 0 || ls - start < lp) return -1;
  for (int p = start; p <= ls - lp; ++p) {
    int k = 0;
    while (k < lp && Same(s[p + k], pattern[k], fold)) ++k;
    if (k == lp) return p;
  }
  return -1;
}

}  // namespace

int Length(std::span<const char> s) {
  const int capacity = Capacity(s);
  int i = 0;
  while (i < capacity && s[i] != '\0') ++i;
  return i;
}

void Clear(std::span<char> s) {
  if (!s.empty()) s[0] = '\0';
}

void Assign(std::span<char> dst, std::span<const char> src) {
  const int hd = Capacity(dst) - 1;
  if (hd < 0) return;
  const int n = std::min(Length(src), hd + 1);
  Move(dst.data(), src.data(), n);
  if (n <= hd) {
    dst[n] = '\0';
  } else if (hd != 3) {
    dst[hd] = '\0';
  }
}

void Concat(std::span<char> dst, std::span<const char> src) {
  const int hd = Capacity(dst) - 1;
  const int end = std::min(Length(dst), hd);
  if (end >= hd) return;
  // The source length is taken before copying, so appending a text to itself
  // doubles it once instead of feeding on its own copy.
  const int n = std::min(Length(src), hd - end);
  Move(dst.data() + end, src.data(), n);
  dst[end + n] = '\0';
}

void Insert(std::span<char> dst, std::span<const char> src, int pos) {
  const int hd = Capacity(dst) - 1;
  const int n = Length(src);
  const int length = Length(dst);
  if (hd < 0 || n == 0 || pos < 0 || pos > length) return;
  const int newLength = std::min(length + n, hd);
  const int inserted = std::clamp(hd - pos, 0, n);
  const int tailKept = std::max(newLength - pos - inserted, 0);
  Move(dst.data() + pos + inserted, dst.data() + pos, tailKept);
  Move(dst.data() + pos, src.data(), inserted);
  dst[newLength] = '\0';
}

void DelString(std::span<char> s, int pos, int count) {
  const int length = Length(s);
  if (pos < 0 || count <= 0 || count > length - pos) return;
  Move(s.data() + pos, s.data() + pos + count, length - pos - count);
  s[length - count] = '\0';
}

void Substring(std::span<char> dst, std::span<const char> src, int pos, int count) {
  const int capacity = Capacity(dst);
  if (capacity == 0) return;
  count = std::min(count, capacity);
  if (pos < 0 || count <= 0 || pos > Length(src) - count) {
    Clear(dst);
    return;
  }
  Move(dst.data(), src.data() + pos, count);
  if (count < capacity) dst[count] = '\0';
}

void Extract(std::span<char> dst, std::span<char> src, int pos, int count) {
  const int capacity = Capacity(dst);
  const int length = Length(src);
  if (pos < 0 || count <= 0 || count > capacity || pos > length - count) {
    Clear(dst);
    return;
  }
  Move(dst.data(), src.data() + pos, count);
  if (count < capacity) dst[count] = '\0';
  Move(src.data() + pos, src.data() + pos + count, length - pos - count);
  src[length - count] = '\0';
}

int Search(std::span<const char> s, std::span<const char> pattern, int start) {
  return Find(s, pattern, start, false);
}

int SearchCap(std::span<const char> s, std::span<const char> pattern, int start) {
  return Find(s, pattern, start, true);
}

int Count(std::span<const char> s, std::span<const char> pattern) {
  int hits = 0;
  for (int p = Search(s, pattern, 0); p >= 0; p = Search(s, pattern, p + 1)) ++hits;
  return hits;
}

int Comp(std::span<const char> a, std::span<const char> b, int startA, int startB, int endA,
         int endB, bool fold) {
  // A range reaching outside its array is clipped to it rather than read.
  int i = std::max(startA, 0);
  int j = std::max(startB, 0);
  endA = std::min(endA, Capacity(a));
  endB = std::min(endB, Capacity(b));
  for (; i < endA && a[i] != '\0'; ++i, ++j) {
    if (j >= endB || b[j] == '\0') return 1;
    const unsigned char ca = fold ? Fold(a[i]) : Byte(a[i]);
    const unsigned char cb = fold ? Fold(b[j]) : Byte(b[j]);
    if (ca != cb) return ca > cb ? 1 : -1;
  }
  return (j < endB && b[j] != '\0') ? -1 : 0;
}

int Compare(std::span<const char> a, std::span<const char> b) {
  return Comp(a, b, 0, 0, Capacity(a), Capacity(b), false);
}

bool Equal(std::span<const char> a, std::span<const char> b) { return Compare(a, b) == 0; }

bool EqualCap(std::span<const char> a, std::span<const char> b) {
  return Comp(a, b, 0, 0, Capacity(a), Capacity(b), true) == 0;
}

void Capitalize(std::span<const char> src, std::span<char> dst) {
  CopyMapped(src, dst, [](char c) { return static_cast<char>(Fold(c)); });
}

void Trim(std::span<char> s, char ch) {
  const int length = Length(s);
  int kept = 0;
  for (int i = 0; i < length; ++i) {
    if (s[i] != ch) s[kept++] = s[i];
  }
  if (kept < Capacity(s)) s[kept] = '\0';
}

void TrimLeading(std::span<char> s, char ch) {
  const int capacity = Capacity(s);
  int first = 0;
  while (first < capacity && s[first] == ch) ++first;
  if (first == 0) return;
  const int rest = Length(s.subspan(static_cast<std::size_t>(first)));
  Move(s.data(), s.data() + first, rest);
  s[rest] = '\0';
}

void TrimTrailing(std::span<char> s, char ch) {
  const int length = Length(s);
  int kept = length;
  while (kept > 0 && s[kept - 1] == ch) --kept;
  if (kept < length) s[kept] = '\0';
}

void Replace(std::span<char> dst, std::span<const char> src, char oldCh, char newCh) {
  CopyMapped(src, dst, [oldCh, newCh](char c) { return c == oldCh ? newCh : c; });
}

void ToPascal(std::span<const char> src, PascalString& dst) {
  const int n = std::min(Length(src), 255);
  Move(reinterpret_cast<char*>(dst.data()) + 1, src.data(), n);
  dst[0] = static_cast<unsigned char>(n);
  if (n < 255) dst[static_cast<std::size_t>(n) + 1] = 0;
}

void FromPascal(PascalString src, std::span<char> dst) {
  const int capacity = Capacity(dst);
  const int n = std::min(static_cast<int>(src[0]), capacity);
  Move(dst.data(), reinterpret_cast<const char*>(src.data()) + 1, n);
  if (n < capacity) dst[n] = '\0';
}

}  // namespace Strings
