#include "foundation/Buffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "dialogs/Alert.h"
#include "foundation/Decode.h"
#include "foundation/Strings.h"
#include "shell/MacEnv.h"

namespace Buffer {

// A free part of a system block or of a buffer's segments; it holds its own
// link and size. Lists are kept in rising address order, neighbours merged.
struct FreeArea {
  FreeArea* next;
  std::size_t size;
};

// A piece of the heap that belongs to a buffer; the record itself lives in
// the heap of the buffer's directory.
struct Segment {
  Segment* next;
  std::byte* start;
  std::size_t length;
};

// A directory's sorted table of entries, in the directory's own heap.
struct DirectoryIndex {
  Entry** entries;
  std::int32_t capacity;
  std::int32_t count;
};

struct Entry {
  char name[kNameSize];
  std::byte tag[kTagSize];
  Entry* parent;
  void* header;
  std::int32_t headerSize;
  std::uint8_t organisation;
  Segment* segments;
  FreeArea* freeList;
};

std::int32_t DefBufferHeap = 1500;
std::int32_t DefBufferHeapMin = 400;
std::int32_t DefAllocHeapMin = 400;

namespace {

constexpr std::size_t kSmallUnit = 16;
constexpr std::size_t kSegmentUnit = 2048;
constexpr std::int32_t kIndexStep = 32;
constexpr std::int32_t kBlockVectorStep = 100;
constexpr std::int64_t kHeapReserve = 256000;       // left to the platform
constexpr std::int64_t kHeapStep = 0x20000;         // lowering at set-up
constexpr std::size_t kMoreMemory = 2097152;        // later system blocks
constexpr std::int64_t kKilo = 1024;
constexpr std::int64_t kMega = 1048576;

static_assert(sizeof(FreeArea) <= kSmallUnit);
static_assert(alignof(Entry) <= kSmallUnit && alignof(Segment) <= kSmallUnit);

void* DefaultNewPtr(std::size_t size) { return std::malloc(size); }
void DefaultDisposePtr(void* block) { std::free(block); }

SystemMemory systemMemory{DefaultNewPtr, DefaultDisposePtr};
void** systemBlocks = nullptr;
std::int32_t blockCount = 0;
std::int32_t blockCapacity = 0;
std::int64_t totalBytes = 0;
FreeArea* freeMemory = nullptr;
// The heap is set up once, on first use; a failed set-up is not retried, so
// the operator sees its message once while the program winds down.
bool heapTried = false;
bool heapReady = false;

Entry root;
Entry* defaultDirectory = &root;

using Lock = std::lock_guard<std::recursive_mutex>;

std::uintptr_t Address(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }

std::size_t RoundUp(std::size_t size, std::size_t unit) { return (size + unit - 1) / unit * unit; }

std::size_t SegmentSize(std::size_t request) {
  return std::max(kSegmentUnit, RoundUp(request, kSegmentUnit));
}

// ---- Address-ordered free lists --------------------------------------------

// First fit: the block is the front of the first area large enough.
std::byte* TakeFirstFit(FreeArea*& list, std::size_t size) {
  for (FreeArea** link = &list; *link != nullptr; link = &(*link)->next) {
    FreeArea* area = *link;
    if (area->size < size) continue;
    auto* block = reinterpret_cast<std::byte*>(area);
    if (area->size == size) {
      *link = area->next;
    } else {
      *link = new (block + size) FreeArea{area->next, area->size - size};
    }
    return block;
  }
  return nullptr;
}

void PutBack(FreeArea*& list, std::byte* block, std::size_t size) {
  FreeArea* before = nullptr;
  FreeArea* after = list;
  while (after != nullptr && Address(after) < Address(block)) {
    before = after;
    after = after->next;
  }
  auto* area = new (block) FreeArea{after, size};
  if (after != nullptr && Address(block) + size == Address(after)) {
    area->size += after->size;
    area->next = after->next;
  }
  if (before == nullptr) {
    list = area;
  } else if (Address(before) + before->size == Address(block)) {
    before->size += area->size;
    before->next = area->next;
  } else {
    before->next = area;
  }
}

// Shows a broken-heap message; "BREAK" asks the program to end.
void ReportFatal(std::span<const char> message) {
  if (Alert::Choice(message, "", "Continue", "BREAK", 3) == 3) MacEnv::AlertAndExit("BREAK called");
}

// Takes [start, start + size) out of the free part that holds it.
bool RemoveFree(FreeArea*& list, std::byte* start, std::size_t size) {
  FreeArea** holder = nullptr;
  for (FreeArea** link = &list; *link != nullptr && Address(*link) <= Address(start);
       link = &(*link)->next) {
    holder = link;
  }
  if (holder == nullptr) {
    ReportFatal("Fatal error 1 in 'Buffer.RemoveFree'!");
    return false;
  }
  FreeArea* part = *holder;
  if (Address(part) + part->size < Address(start) + size) {
    ReportFatal("Fatal error 2 in 'Buffer.RemoveFree'!");
    return false;
  }
  const std::size_t head = Address(start) - Address(part);
  const std::size_t tail = part->size - head - size;
  FreeArea* next = part->next;
  if (tail > 0) next = new (start + size) FreeArea{next, tail};
  if (head > 0) {
    part->size = head;
    part->next = next;
  } else {
    *holder = next;
  }
  return true;
}

// ---- System memory ----------------------------------------------------------

bool RecordSystemBlock(void* block, std::size_t size) {
  if (blockCount == blockCapacity) {
    const std::int32_t capacity = blockCapacity + kBlockVectorStep;
    auto** grown = static_cast<void**>(systemMemory.NewPtr(capacity * sizeof(void*)));
    if (grown == nullptr) return false;
    if (blockCount > 0) std::memcpy(grown, systemBlocks, blockCount * sizeof(void*));
    if (systemBlocks != nullptr) systemMemory.DisposePtr(systemBlocks);
    systemBlocks = grown;
    blockCapacity = capacity;
  }
  systemBlocks[blockCount++] = block;
  totalBytes += static_cast<std::int64_t>(size);
  return true;
}

// A block from the platform, recorded; nil when either fails.
std::byte* NewSystemBlock(std::size_t size) {
  void* block = systemMemory.NewPtr(size);
  if (block == nullptr) return nullptr;
  if (!RecordSystemBlock(block, size)) {
    systemMemory.DisposePtr(block);
    return nullptr;
  }
  return static_cast<std::byte*>(block);
}

void WarnSmallHeap(std::int64_t size) {
  char text[128] = "WARNING: only ";
  char amount[24] = "";
  if (size <= kMega) {
    Decode::Fixed(static_cast<double>(size) / kKilo, amount, 8, 1);
    Strings::Concat(amount, " kb");
  } else {
    Decode::Fixed(static_cast<double>(size) / kMega, amount, 8, 1);
    Strings::Concat(amount, " Mb");
  }
  Strings::TrimLeading(amount, ' ');
  Strings::Concat(text, amount);
  Strings::Concat(text, " of memory could be allocated for the Buffer Heap !");
  if (Alert::Choice(text, "", "Continue", "Abort", 2) == 3) MacEnv::AlertAndExit("");
}

void SetUpHeap() {
  heapTried = true;
  const std::int64_t want = static_cast<std::int64_t>(DefBufferHeap) * kKilo;
  const std::int64_t min = static_cast<std::int64_t>(DefBufferHeapMin) * kKilo;
  const std::int64_t allocMin = static_cast<std::int64_t>(DefAllocHeapMin) * kKilo;
  const std::int64_t reduced = want > kHeapReserve ? want - kHeapReserve : 0;
  std::int64_t size = std::max(want, allocMin);
  if (reduced < size && reduced >= min) size = reduced;
  if (size < allocMin || size <= 0) {
    MacEnv::AlertAndExit("Not enough heap space.");
    return;
  }
  std::byte* block = nullptr;
  while (size >= allocMin && size > 0) {
    block = NewSystemBlock(static_cast<std::size_t>(size));
    if (block != nullptr) break;
    size -= kHeapStep;
  }
  if (block == nullptr) {
    MacEnv::AlertAndExit("Heap allocation failed.");
    return;
  }
  if (size < min) WarnSmallHeap(size);
  PutBack(freeMemory, block, static_cast<std::size_t>(size));
  heapReady = true;
}

bool TakeMoreMemory(std::size_t request) {
  std::size_t size = std::max(kMoreMemory, request);
  while (size >= kMoreMemory) {
    if (std::byte* block = NewSystemBlock(size)) {
      PutBack(freeMemory, block, size);
      return true;
    }
    size -= kMoreMemory;
  }
  return false;
}

// A segment of the size (a multiple of 2,048) from the free memory.
std::byte* TakeSegment(std::size_t size) {
  if (!heapTried) SetUpHeap();
  if (!heapReady) return nullptr;
  if (std::byte* segment = TakeFirstFit(freeMemory, size)) return segment;
  if (!TakeMoreMemory(size)) return nullptr;
  return TakeFirstFit(freeMemory, size);
}

// ---- Buffers' own heaps -----------------------------------------------------

std::byte* AllocateIn(Entry* buffer, std::size_t size);
void DeallocateIn(Entry* buffer, void* block, std::size_t size);

// Adds the segment to the buffer's segment list, merged with a directly
// adjacent record; a new record comes from the directory's heap.
bool RecordSegment(Entry* buffer, std::byte* start, std::size_t length) {
  for (Segment* s = buffer->segments; s != nullptr; s = s->next) {
    if (s->start + s->length == start) {
      s->length += length;
      Segment* next = s->next;
      if (next != nullptr && s->start + s->length == next->start) {
        s->length += next->length;
        s->next = next->next;
        DeallocateIn(buffer->parent, next, sizeof(Segment));
      }
      return true;
    }
    if (start + length == s->start) {
      s->start = start;
      s->length += length;
      return true;
    }
  }
  std::byte* memory = AllocateIn(buffer->parent, sizeof(Segment));
  if (memory == nullptr) return false;
  // The search for the place comes after the allocation, which may itself
  // have changed the list when the buffer is its own directory (the root).
  Segment** link = &buffer->segments;
  while (*link != nullptr && Address((*link)->start) < Address(start)) link = &(*link)->next;
  *link = new (memory) Segment{*link, start, length};
  return true;
}

std::byte* AllocateIn(Entry* buffer, std::size_t size) {
  const std::size_t need = RoundUp(size, kSmallUnit);
  if (std::byte* block = TakeFirstFit(buffer->freeList, need)) return block;
  const std::size_t length = SegmentSize(need);
  std::byte* segment = TakeSegment(length);
  if (segment == nullptr) return nullptr;
  PutBack(buffer->freeList, segment, length);
  if (!RecordSegment(buffer, segment, length)) {
    if (RemoveFree(buffer->freeList, segment, length)) PutBack(freeMemory, segment, length);
    return nullptr;
  }
  return TakeFirstFit(buffer->freeList, need);
}

void DeallocateIn(Entry* buffer, void* block, std::size_t size) {
  PutBack(buffer->freeList, static_cast<std::byte*>(block), RoundUp(size, kSmallUnit));
}

void FreeSegments(Entry* buffer) {
  Segment* s = buffer->segments;
  buffer->segments = nullptr;
  while (s != nullptr) {
    Segment* next = s->next;
    PutBack(freeMemory, s->start, s->length);
    DeallocateIn(buffer->parent, s, sizeof(Segment));
    s = next;
  }
  buffer->freeList = nullptr;
}

// ---- Directories ------------------------------------------------------------

bool IsDirectory(const Entry* e) { return e->organisation == kDirectory; }

DirectoryIndex* IndexOf(const Entry* directory) {
  return static_cast<DirectoryIndex*>(directory->header);
}

// Binary search by name; the insertion place when absent.
Entry* Find(const Entry* directory, std::span<const char> name, std::int32_t& place) {
  place = 0;
  const DirectoryIndex* index = IndexOf(directory);
  if (index == nullptr) return nullptr;
  std::int32_t low = 0;
  std::int32_t high = index->count;
  while (low < high) {
    const std::int32_t mid = low + (high - low) / 2;
    const int order = Strings::Compare(index->entries[mid]->name, name);
    if (order == 0) {
      place = mid;
      return index->entries[mid];
    }
    if (order < 0) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  place = low;
  return nullptr;
}

bool EnsureIndex(Entry* directory) {
  if (directory->header != nullptr) return true;
  std::byte* memory = AllocateIn(directory, sizeof(DirectoryIndex));
  if (memory == nullptr) return false;
  std::byte* entries = AllocateIn(directory, kIndexStep * sizeof(Entry*));
  if (entries == nullptr) {
    DeallocateIn(directory, memory, sizeof(DirectoryIndex));
    return false;
  }
  directory->header = new (memory) DirectoryIndex{reinterpret_cast<Entry**>(entries), kIndexStep, 0};
  directory->headerSize = sizeof(DirectoryIndex);
  return true;
}

bool InsertAt(Entry* directory, std::int32_t place, Entry* entry) {
  DirectoryIndex* index = IndexOf(directory);
  if (index->count == index->capacity) {
    const std::int32_t capacity = index->capacity + kIndexStep;
    std::byte* memory = AllocateIn(directory, capacity * sizeof(Entry*));
    if (memory == nullptr) return false;
    auto** grown = reinterpret_cast<Entry**>(memory);
    std::copy(index->entries, index->entries + place, grown);
    std::copy(index->entries + place, index->entries + index->count, grown + place + 1);
    DeallocateIn(directory, index->entries, index->capacity * sizeof(Entry*));
    index->entries = grown;
    index->capacity = capacity;
  } else {
    std::copy_backward(index->entries + place, index->entries + index->count,
                       index->entries + index->count + 1);
  }
  index->entries[place] = entry;
  ++index->count;
  return true;
}

// Takes the entry's pointer out of its directory's index.
bool RemoveEntry(Entry* entry) {
  DirectoryIndex* index = IndexOf(entry->parent);
  std::int32_t place = 0;
  if (Find(entry->parent, entry->name, place) != entry) {
    ReportFatal("Fatal error in 'Buffer.RemoveEntry'!");
    return false;
  }
  std::copy(index->entries + place + 1, index->entries + index->count, index->entries + place);
  --index->count;
  return true;
}

void SetUp(Entry* entry, std::span<const char> name, Entry* parent, int organisation) {
  Strings::Assign(entry->name, name);
  std::memset(entry->tag, 0, sizeof entry->tag);
  entry->parent = parent;
  entry->header = nullptr;
  entry->headerSize = 0;
  entry->organisation = static_cast<std::uint8_t>(organisation);
  entry->segments = nullptr;
  entry->freeList = nullptr;
}

// Splits a path into its directory and last component; FALSE when a
// directory on the way is missing or the name is empty.
bool Resolve(std::span<const char> path, Entry*& directory, std::span<const char>& name) {
  const int length = Strings::Length(path);
  if (length == 0) return false;
  int pos = 0;
  directory = defaultDirectory;
  if (path[0] == '/') {
    directory = &root;
    pos = 1;
  }
  for (;;) {
    int end = pos;
    while (end < length && path[end] != '/') ++end;
    const auto component = path.subspan(static_cast<std::size_t>(pos), static_cast<std::size_t>(end - pos));
    if (end == length) {
      name = component;
      return !name.empty();
    }
    std::int32_t place = 0;
    Entry* next = Find(directory, component, place);
    if (next == nullptr || !IsDirectory(next)) return false;
    directory = next;
    pos = end + 1;
  }
}

// The name a new or renamed entry is stored under.
std::span<const char> StoredName(std::span<const char> name) {
  return name.first(std::min<std::size_t>(name.size(), kNameSize - 1));
}

bool Inside(const Entry* entry, const Entry* directory) {
  for (const Entry* e = entry; e != &root; e = e->parent) {
    if (e == directory) return true;
  }
  return directory == &root;
}

void AppendSpec(const Entry* entry, std::span<char> path) {
  if (entry->parent != &root) AppendSpec(entry->parent, path);
  Strings::Concat(path, "/");
  Strings::Concat(path, entry->name);
}

void ResetRoot() {
  SetUp(&root, "", &root, kDirectory);
  defaultDirectory = &root;
}

// Copies the segment records into the new directory's heap; FALSE (and
// nothing changed) when the copies cannot be made.
bool MoveSegmentRecords(Entry* entry, Entry* from, Entry* to) {
  Segment* copies = nullptr;
  Segment** tail = &copies;
  for (const Segment* s = entry->segments; s != nullptr; s = s->next) {
    std::byte* memory = AllocateIn(to, sizeof(Segment));
    if (memory == nullptr) {
      while (copies != nullptr) {
        Segment* next = copies->next;
        DeallocateIn(to, copies, sizeof(Segment));
        copies = next;
      }
      return false;
    }
    *tail = new (memory) Segment{nullptr, s->start, s->length};
    tail = &(*tail)->next;
  }
  for (Segment* s = entry->segments; s != nullptr;) {
    Segment* next = s->next;
    DeallocateIn(from, s, sizeof(Segment));
    s = next;
  }
  entry->segments = copies;
  return true;
}

}  // namespace

void SetSystemMemory(const SystemMemory& memory) {
  Lock lock(HeapMutex());
  systemMemory = memory;
}

NamedBuffer Create(std::span<const char> path, int organisation) {
  Lock lock(HeapMutex());
  if (organisation < kSingleBlock || organisation > kText) return nullptr;
  Entry* directory = nullptr;
  std::span<const char> name;
  if (!Resolve(path, directory, name)) return nullptr;
  name = StoredName(name);
  if (!EnsureIndex(directory)) return nullptr;
  std::int32_t place = 0;
  if (Entry* existing = Find(directory, name, place)) {
    if (IsDirectory(existing)) return nullptr;
    FreeSegments(existing);
    SetUp(existing, name, directory, organisation);
    return existing;
  }
  std::byte* memory = AllocateIn(directory, sizeof(Entry));
  if (memory == nullptr) return nullptr;
  auto* entry = new (memory) Entry{};
  if (!InsertAt(directory, place, entry)) {
    DeallocateIn(directory, entry, sizeof(Entry));
    return nullptr;
  }
  SetUp(entry, name, directory, organisation);
  return entry;
}

NamedBuffer Enter(std::span<const char> path, int organisation) {
  Lock lock(HeapMutex());
  Entry* directory = nullptr;
  std::span<const char> name;
  if (!Resolve(path, directory, name)) return nullptr;
  std::int32_t place = 0;
  if (Entry* existing = Find(directory, StoredName(name), place)) {
    return existing->organisation == organisation ? existing : nullptr;
  }
  return Create(path, organisation);
}

NamedBuffer Lookup(std::span<const char> path) {
  Lock lock(HeapMutex());
  Entry* directory = nullptr;
  std::span<const char> name;
  if (!Resolve(path, directory, name)) return nullptr;
  std::int32_t place = 0;
  return Find(directory, name, place);
}

void Delete(NamedBuffer& buffer) {
  Lock lock(HeapMutex());
  Entry* entry = buffer;
  if (entry == nullptr || entry == &root) return;
  if (IsDirectory(entry) && IndexOf(entry) != nullptr && IndexOf(entry)->count > 0) return;
  if (!RemoveEntry(entry)) return;
  FreeSegments(entry);
  if (defaultDirectory == entry) defaultDirectory = &root;
  DeallocateIn(entry->parent, entry, sizeof(Entry));
  buffer = nullptr;
}

NamedBuffer Rename(NamedBuffer buffer, std::span<const char> newPath) {
  Lock lock(HeapMutex());
  Entry* old = buffer;
  if (old == nullptr || old == &root) return nullptr;
  Entry* directory = nullptr;
  std::span<const char> name;
  if (!Resolve(newPath, directory, name)) return nullptr;
  name = StoredName(name);
  if (!EnsureIndex(directory)) return nullptr;
  std::int32_t place = 0;
  if (Find(directory, name, place) != nullptr) return old;
  if (IsDirectory(old) && Inside(directory, old)) return nullptr;
  std::byte* memory = AllocateIn(directory, sizeof(Entry));
  if (memory == nullptr) return nullptr;
  // The allocation may have grown the directory's index region; look the
  // place up again.
  Find(directory, name, place);
  auto* entry = new (memory) Entry(*old);
  if (!InsertAt(directory, place, entry)) {
    DeallocateIn(directory, entry, sizeof(Entry));
    return nullptr;
  }
  Strings::Assign(entry->name, name);
  entry->parent = directory;
  if (directory != old->parent && !MoveSegmentRecords(entry, old->parent, directory)) {
    RemoveEntry(entry);
    DeallocateIn(directory, entry, sizeof(Entry));
    return nullptr;
  }
  RemoveEntry(old);
  DeallocateIn(old->parent, old, sizeof(Entry));
  // Entries of a moved directory point at its record, which has moved.
  if (IsDirectory(entry) && IndexOf(entry) != nullptr) {
    const DirectoryIndex* index = IndexOf(entry);
    for (std::int32_t i = 0; i < index->count; ++i) index->entries[i]->parent = entry;
  }
  if (defaultDirectory == old) defaultDirectory = entry;
  return entry;
}

void GetSpec(NamedBuffer buffer, std::span<char> path) {
  Lock lock(HeapMutex());
  Strings::Clear(path);
  if (buffer == nullptr) return;
  if (buffer == &root) {
    Strings::Assign(path, "/");
    return;
  }
  AppendSpec(buffer, path);
}

void GetName(NamedBuffer buffer, std::span<char> name) {
  Lock lock(HeapMutex());
  Strings::Clear(name);
  if (buffer != nullptr) Strings::Assign(name, buffer->name);
}

void SetDefaultDirectory(NamedBuffer buffer) {
  Lock lock(HeapMutex());
  if (buffer != nullptr && IsDirectory(buffer)) defaultDirectory = buffer;
}

NamedBuffer GetDefaultDirectory() {
  Lock lock(HeapMutex());
  return defaultDirectory;
}

void ScanEntries(NamedBuffer directory, void (*proc)(NamedBuffer entry)) {
  Lock lock(HeapMutex());
  if (directory == nullptr || proc == nullptr || !IsDirectory(directory)) return;
  // The index is read afresh on every step: the procedure may add entries.
  for (std::int32_t i = 0; IndexOf(directory) != nullptr && i < IndexOf(directory)->count; ++i) {
    proc(IndexOf(directory)->entries[i]);
  }
}

std::int64_t HeapBytes(std::int32_t size, std::int32_t count) {
  if (size <= 0 || count <= 0) return 0;
  // Each block may open a segment of its own (the rest of a segment need
  // not fit the next), whose record lies in the directory's heap.
  const std::size_t block = RoundUp(static_cast<std::size_t>(size), kSmallUnit);
  const std::size_t perBlock = SegmentSize(block) + RoundUp(sizeof(Segment), kSmallUnit);
  return static_cast<std::int64_t>(perBlock) * count;
}

void Allocate(NamedBuffer buffer, std::int32_t size, void*& pointer) {
  Lock lock(HeapMutex());
  pointer = nullptr;
  if (buffer == nullptr || size <= 0) return;
  pointer = AllocateIn(buffer, static_cast<std::size_t>(size));
}

std::int32_t AlignedSize(std::int32_t size) {
  if (size <= 2) return size;
  if (size <= 4) return 4;
  return static_cast<std::int32_t>(RoundUp(static_cast<std::size_t>(size), 8));
}

void Deallocate(NamedBuffer buffer, std::int32_t size, void*& pointer) {
  Lock lock(HeapMutex());
  if (buffer == nullptr) return;
  if (pointer != nullptr && size > 0) DeallocateIn(buffer, pointer, static_cast<std::size_t>(size));
  pointer = nullptr;
}

void AllocateBlock(NamedBuffer buffer, std::int32_t size, void*& pointer) {
  Lock lock(HeapMutex());
  pointer = nullptr;
  if (buffer == nullptr || size <= 0 || buffer->organisation != kSingleBlock ||
      buffer->segments != nullptr) {
    return;
  }
  const std::size_t length = RoundUp(static_cast<std::size_t>(size), kSegmentUnit);
  std::byte* block = TakeSegment(length);
  if (block == nullptr) return;
  if (!RecordSegment(buffer, block, length)) {
    PutBack(freeMemory, block, length);
    return;
  }
  buffer->header = block;
  buffer->headerSize = static_cast<std::int32_t>(length);
  pointer = block;
}

int GetOrganization(NamedBuffer buffer) {
  Lock lock(HeapMutex());
  return buffer == nullptr ? kHeap : buffer->organisation;
}

void GetHeader(NamedBuffer buffer, int& organisation, void*& pointer, std::int32_t& size) {
  Lock lock(HeapMutex());
  if (buffer == nullptr) {
    organisation = kHeap;
    pointer = nullptr;
    size = 0;
    return;
  }
  organisation = buffer->organisation;
  pointer = buffer->header;
  size = buffer->headerSize;
}

void SetHeader(NamedBuffer buffer, void* pointer, std::int32_t size) {
  Lock lock(HeapMutex());
  if (buffer == nullptr) return;
  buffer->header = pointer;
  buffer->headerSize = size;
}

void GetSize(NamedBuffer buffer, std::int32_t& segmentBytes, std::int32_t& segmentCount,
             std::int32_t& freeBytes, std::int32_t& freeCount) {
  Lock lock(HeapMutex());
  segmentBytes = 0;
  segmentCount = 0;
  freeBytes = 0;
  freeCount = 0;
  if (buffer == nullptr) return;
  for (const Segment* s = buffer->segments; s != nullptr; s = s->next) {
    segmentBytes += static_cast<std::int32_t>(s->length);
    ++segmentCount;
  }
  for (const FreeArea* a = buffer->freeList; a != nullptr; a = a->next) {
    freeBytes += static_cast<std::int32_t>(a->size);
    ++freeCount;
  }
}

void GetMemoryInfo(std::int64_t& total, std::int64_t& used, std::int64_t& free) {
  Lock lock(HeapMutex());
  if (!heapTried) SetUpHeap();
  free = 0;
  for (const FreeArea* a = freeMemory; a != nullptr; a = a->next) {
    free += static_cast<std::int64_t>(a->size);
  }
  total = totalBytes;
  used = total - free;
}

void SetTagField(NamedBuffer buffer, std::span<const std::byte> data) {
  Lock lock(HeapMutex());
  if (buffer == nullptr || data.empty()) return;
  std::memcpy(buffer->tag, data.data(), std::min<std::size_t>(data.size(), kTagSize));
}

void GetTagField(NamedBuffer buffer, std::span<std::byte> data) {
  Lock lock(HeapMutex());
  if (buffer == nullptr || data.empty()) return;
  std::memcpy(data.data(), buffer->tag, std::min<std::size_t>(data.size(), kTagSize));
}

void InitModule() {
  Lock lock(HeapMutex());
  systemBlocks = nullptr;
  blockCount = 0;
  blockCapacity = 0;
  totalBytes = 0;
  freeMemory = nullptr;
  heapTried = false;
  heapReady = false;
  ResetRoot();
}

void Shutdown() {
  Lock lock(HeapMutex());
  for (std::int32_t i = 0; i < blockCount; ++i) systemMemory.DisposePtr(systemBlocks[i]);
  if (systemBlocks != nullptr) systemMemory.DisposePtr(systemBlocks);
  InitModule();
}

std::recursive_mutex& HeapMutex() {
  static std::recursive_mutex mutex;
  return mutex;
}

}  // namespace Buffer
