#include "foundation/BufferText.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "foundation/Strings.h"

namespace BufferText {

namespace {

// Registered as the buffer's header; the index holds one pointer per record,
// nil for an empty line. The live records start at `index`, which moves up
// inside the allocation at `base` when the oldest lines are dropped, so that
// a full rolling log does not shift all its records for every new line.
struct TextHeader {
  char** base;
  char** index;
  std::int32_t capacity;  // records, counted from base
  std::int32_t used;      // records, counted from index
  std::int32_t maxRecords;
  bool modified;
};

// The index grows by at least this many records at a time, so that
// appending to a long notebook stays cheap.
constexpr std::int32_t kIndexStep = 256;

using Lock = std::lock_guard<std::recursive_mutex>;

TextHeader* HeaderOf(TextBuffer buffer, bool create) {
  if (Buffer::GetOrganization(buffer) != Buffer::kText) return nullptr;
  int organisation = 0;
  void* header = nullptr;
  std::int32_t size = 0;
  Buffer::GetHeader(buffer, organisation, header, size);
  if (header != nullptr || !create) return static_cast<TextHeader*>(header);
  Buffer::Allocate(buffer, sizeof(TextHeader), header);
  if (header == nullptr) return nullptr;
  auto* text = new (header) TextHeader{nullptr, nullptr, 0, 0, kMaxRecords, false};
  Buffer::SetHeader(buffer, text, sizeof(TextHeader));
  return text;
}

char* RecordAt(TextBuffer buffer, std::int32_t n) {
  const TextHeader* header = HeaderOf(buffer, false);
  if (header == nullptr || n <= 0 || n > header->used) return nullptr;
  return header->index[n - 1];
}

std::int32_t LengthOf(const char* record) {
  return record == nullptr ? 0 : static_cast<std::int32_t>(std::strlen(record));
}

// A copy of the characters and a NUL; nil when memory is short.
char* NewRecord(TextBuffer buffer, std::span<const char> characters) {
  void* memory = nullptr;
  Buffer::Allocate(buffer, static_cast<std::int32_t>(characters.size()) + 1, memory);
  if (memory == nullptr) return nullptr;
  auto* record = static_cast<char*>(memory);
  std::memcpy(record, characters.data(), characters.size());
  record[characters.size()] = '\0';
  return record;
}

void FreeRecord(TextBuffer buffer, char* record) {
  if (record == nullptr) return;
  void* memory = record;
  Buffer::Deallocate(buffer, LengthOf(record) + 1, memory);
}

void RemoveRecords(TextBuffer buffer, TextHeader* header, std::int32_t n, std::int32_t count) {
  if (n <= 0 || count <= 0 || n - 1 > header->used) return;
  count = std::min(count, header->used - (n - 1));
  if (count <= 0) return;
  char** first = header->index + (n - 1);
  for (std::int32_t i = 0; i < count; ++i) FreeRecord(buffer, first[i]);
  if (n == 1)
    header->index += count;
  else
    std::copy(first + count, header->index + header->used, first);
  header->used -= count;
  if (header->used == 0) header->index = header->base;
  header->modified = true;
}

// Replaces the index by one of `more` records more capacity, with `gap` nil
// pointers opened at `place`.
bool GrowIndex(TextBuffer buffer, TextHeader* header, std::int32_t more, std::int32_t place,
               std::int32_t gap) {
  const std::int64_t capacity = static_cast<std::int64_t>(header->capacity) + more;
  const std::int64_t bytes = capacity * static_cast<std::int64_t>(sizeof(char*));
  if (bytes > std::numeric_limits<std::int32_t>::max()) return false;
  void* memory = nullptr;
  Buffer::Allocate(buffer, static_cast<std::int32_t>(bytes), memory);
  if (memory == nullptr) return false;
  auto** index = static_cast<char**>(memory);
  char** old = header->index;
  std::copy(old, old + place, index);
  std::fill(index + place, index + place + gap, nullptr);
  std::copy(old + place, old + header->used, index + place + gap);
  if (header->base != nullptr) {
    void* oldMemory = header->base;
    Buffer::Deallocate(buffer, header->capacity * static_cast<std::int32_t>(sizeof(char*)), oldMemory);
  }
  header->base = index;
  header->index = index;
  header->capacity = static_cast<std::int32_t>(capacity);
  header->modified = true;
  return true;
}

std::int32_t RoundUpToStep(std::int32_t count) {
  return static_cast<std::int32_t>((static_cast<std::int64_t>(count) + kIndexStep - 1) / kIndexStep *
                                   kIndexStep);
}

// Opens `count` nil records at `place` (0-based among the live records). The
// records move down to the start of the allocation only once the dropped ones
// in front of them are at least half as many as the live ones, so a rolling
// log pays for each shift with as many appended lines; otherwise the index
// grows.
bool OpenGap(TextBuffer buffer, TextHeader* header, std::int32_t place, std::int32_t count) {
  const auto dropped = static_cast<std::int32_t>(header->index - header->base);
  const std::int32_t room = header->capacity - dropped - header->used;
  char** index = header->index;
  if (room >= count) {
    std::copy_backward(index + place, index + header->used, index + header->used + count);
  } else if (dropped + room >= count && dropped >= header->used / 2) {
    char** base = header->base;
    std::memmove(base, index, static_cast<std::size_t>(place) * sizeof(char*));
    std::memmove(base + place + count, index + place,
                 static_cast<std::size_t>(header->used - place) * sizeof(char*));
    header->index = base;
  } else {
    return GrowIndex(buffer, header, RoundUpToStep(count), place, count);
  }
  std::fill(header->index + place, header->index + place + count, nullptr);
  return true;
}

}  // namespace

std::int32_t RecordCount(TextBuffer buffer) {
  Lock lock(Buffer::HeapMutex());
  const TextHeader* header = HeaderOf(buffer, false);
  return header == nullptr ? 0 : header->used;
}

bool Insert(TextBuffer buffer, std::int32_t n, std::int32_t count) {
  Lock lock(Buffer::HeapMutex());
  TextHeader* header = HeaderOf(buffer, true);
  if (header == nullptr || n <= 0) return false;
  if (count <= 0) return true;
  if (n - 1 > header->used) return false;
  if (static_cast<std::int64_t>(header->used) + count > header->maxRecords) {
    if (n - 1 <= count) return false;
    RemoveRecords(buffer, header, 1, count);
    n -= count;
  }
  if (!OpenGap(buffer, header, n - 1, count)) return false;
  header->used += count;
  return true;
}

void Remove(TextBuffer buffer, std::int32_t n, std::int32_t count) {
  Lock lock(Buffer::HeapMutex());
  TextHeader* header = HeaderOf(buffer, false);
  if (header != nullptr) RemoveRecords(buffer, header, n, count);
}

std::int32_t Get(TextBuffer buffer, std::int32_t n, std::span<char> text) {
  Lock lock(Buffer::HeapMutex());
  Strings::Clear(text);
  const char* record = RecordAt(buffer, n);
  const std::int32_t length = LengthOf(record);
  const std::size_t copied = std::min<std::size_t>(static_cast<std::size_t>(length), text.size());
  if (copied > 0) std::memcpy(text.data(), record, copied);
  if (copied < text.size()) text[copied] = '\0';
  return length;
}

std::int32_t RecordLength(TextBuffer buffer, std::int32_t n) {
  Lock lock(Buffer::HeapMutex());
  return LengthOf(RecordAt(buffer, n));
}

bool Replace(TextBuffer buffer, std::int32_t n, std::span<const char> text) {
  Lock lock(Buffer::HeapMutex());
  TextHeader* header = HeaderOf(buffer, false);
  if (header == nullptr || n <= 0 || n > header->used) return false;
  const int length = Strings::Length(text);
  char* record = nullptr;
  if (length > 0) {
    record = NewRecord(buffer, text.first(static_cast<std::size_t>(length)));
    if (record == nullptr) return false;
  }
  FreeRecord(buffer, header->index[n - 1]);
  header->index[n - 1] = record;
  header->modified = true;
  return true;
}

void AppendChars(TextBuffer buffer, std::span<const char> characters) {
  Lock lock(Buffer::HeapMutex());
  TextHeader* header = HeaderOf(buffer, true);
  if (header == nullptr) return;
  // A record is read up to its NUL and freed by that length, so it must not
  // hold characters beyond one.
  const void* nul = characters.empty() ? nullptr
                                       : std::memchr(characters.data(), '\0', characters.size());
  const std::size_t length =
      nul == nullptr ? characters.size() : static_cast<std::size_t>(static_cast<const char*>(nul) - characters.data());
  if (length >= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) return;
  char* record = nullptr;
  if (length > 0) {
    // Made before the oldest line is dropped, so that a failure loses nothing.
    record = NewRecord(buffer, characters.first(length));
    if (record == nullptr) return;
  }
  if (header->used >= header->maxRecords) RemoveRecords(buffer, header, 1, 1);
  if (!OpenGap(buffer, header, header->used, 1)) {
    FreeRecord(buffer, record);
    return;
  }
  header->index[header->used++] = record;
}

void Append(TextBuffer buffer, std::span<const char> text) {
  AppendChars(buffer, text.first(static_cast<std::size_t>(Strings::Length(text))));
}

void SetMaxRecords(TextBuffer buffer, std::int32_t max) {
  Lock lock(Buffer::HeapMutex());
  TextHeader* header = HeaderOf(buffer, true);
  if (header == nullptr) return;
  if (max < 2 || max > kMaxRecords) max = kMaxRecords;
  if (header->used > max) RemoveRecords(buffer, header, 1, header->used - max);
  header->maxRecords = max;
}

std::int32_t GetMaxRecords(TextBuffer buffer) {
  Lock lock(Buffer::HeapMutex());
  const TextHeader* header = HeaderOf(buffer, false);
  return header == nullptr ? 0 : header->maxRecords;
}

void SetModified(TextBuffer buffer, bool modified) {
  Lock lock(Buffer::HeapMutex());
  TextHeader* header = HeaderOf(buffer, false);
  if (header != nullptr) header->modified = modified;
}

bool GetModified(TextBuffer buffer) {
  Lock lock(Buffer::HeapMutex());
  const TextHeader* header = HeaderOf(buffer, false);
  return header != nullptr && header->modified;
}

}  // namespace BufferText
