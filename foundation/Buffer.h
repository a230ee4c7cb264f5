// The buffer heap: the program's memory for everything that outlives a call.
//
// At the first request the heap takes one large block from the platform and
// hands out segments of it to named buffers, which live in a tree of
// directories and are found by path ("/Shell/List", "CopyBuffer"), so that
// independent modules share memory by name. A buffer is one block
// (organisation 0), a directory (1), a heap of small allocations (2) or
// text records (3, see BufferText.h). Allocation never moves a block.
//
// A path is a fixed string: a leading "/" starts at the root, otherwise at
// the default directory; components are separated by "/", every component
// before the last names an existing directory, and the last is the buffer's
// name. Names hold at most 31 characters: a longer last component is cut to
// 31 when a buffer is made or renamed, and never matches in a lookup.
//
// A nil handle is accepted everywhere and does nothing. Handles stay valid
// until Delete or Rename. Exhausted memory gives nil results, unreported.
//
// Every operation holds one process-wide recursive mutex (HeapMutex), which
// the text-buffer operations share: console text written from a second
// thread reaches the heap safely.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>

namespace Buffer {

struct Entry;
using NamedBuffer = Entry*;

// Organisations.
inline constexpr int kSingleBlock = 0;
inline constexpr int kDirectory = 1;
inline constexpr int kHeap = 2;
inline constexpr int kText = 3;

inline constexpr int kNameSize = 32;   // 31 characters and a NUL
inline constexpr int kTagSize = 128;   // caller data per buffer

// Heap sizes in kilobytes, set at start-up before the first request: the
// size wanted, the least size accepted without a warning, and the least
// size tried at all.
extern std::int32_t DefBufferHeap;
extern std::int32_t DefBufferHeapMin;
extern std::int32_t DefAllocHeapMin;

// The platform's memory blocks under the heap. NewPtr gives nil when it
// cannot; both are called with the heap mutex held. Tests put in their own
// to reproduce the sizing sequence; set it while no memory is taken (after
// InitModule or Shutdown). The default is std::malloc and std::free.
struct SystemMemory {
  void* (*NewPtr)(std::size_t size);
  void (*DisposePtr)(void* block);
};
void SetSystemMemory(const SystemMemory& memory);

// Makes the buffer of the path with the organisation and gives it. An
// existing entry of that name that is no directory is emptied and reused
// (same handle); an existing directory, an unresolved path, an empty name
// or an organisation outside 0..3 give nil.
NamedBuffer Create(std::span<const char> path, int organisation);
// The existing buffer if its organisation matches (nil if it differs), else
// a new one as Create.
NamedBuffer Enter(std::span<const char> path, int organisation);
NamedBuffer Lookup(std::span<const char> path);
// Frees the buffer and sets the handle nil. A directory that still holds
// entries, and the root, stay (handle unchanged). Deleting the default
// directory makes the root the default.
void Delete(NamedBuffer& buffer);
// Moves the buffer to the new path and gives its new handle (the old one is
// void): the old handle when an entry of the new name exists, nil on
// failure or when a directory would move into itself.
NamedBuffer Rename(NamedBuffer buffer, std::span<const char> newPath);
// "/" and the name of every directory from below the root down to the
// buffer; "/" for the root.
void GetSpec(NamedBuffer buffer, std::span<char> path);
// The buffer's own name ("" for the root).
void GetName(NamedBuffer buffer, std::span<char> name);
// Only a directory can become the default.
void SetDefaultDirectory(NamedBuffer buffer);
NamedBuffer GetDefaultDirectory();
// Calls proc with every entry of the directory, in name order.
void ScanEntries(NamedBuffer directory, void (*proc)(NamedBuffer entry));

// A block of at least size bytes (rounded up to 16) from the buffer's own
// heap; nil for size <= 0 or exhausted memory.
void Allocate(NamedBuffer buffer, std::int32_t size, void*& pointer);
// The most memory count blocks of size bytes can take from the heap when
// allocated one by one in a heap buffer, the buffer's bookkeeping
// included: what a program start must ask for to hold them for sure.
std::int64_t HeapBytes(std::int32_t size, std::int32_t count);
// Sizes up to 2 unchanged, 3 and 4 give 4, larger ones a multiple of 8.
std::int32_t AlignedSize(std::int32_t size);
// Returns a block (with the size given to Allocate); pointer := nil.
void Deallocate(NamedBuffer buffer, std::int32_t size, void*& pointer);
// Gives a single-block buffer that has none yet its one block, the size
// rounded up to 2,048, which also becomes its header; nil otherwise.
void AllocateBlock(NamedBuffer buffer, std::int32_t size, void*& pointer);

// 2 for nil.
int GetOrganization(NamedBuffer buffer);
// The data block of a single-block buffer, the index of a directory, the
// text header of a text buffer; organisation 2, nil and 0 for nil.
void GetHeader(NamedBuffer buffer, int& organisation, void*& pointer, std::int32_t& size);
void SetHeader(NamedBuffer buffer, void* pointer, std::int32_t size);
// Sums over the buffer's segments and over its free parts.
void GetSize(NamedBuffer buffer, std::int32_t& segmentBytes, std::int32_t& segmentCount,
             std::int32_t& freeBytes, std::int32_t& freeCount);
// Bytes taken from the platform, in use, and free (sets the heap up first).
void GetMemoryInfo(std::int64_t& total, std::int64_t& used, std::int64_t& free);
// Copy at most kTagSize bytes into or out of the buffer's tag field.
void SetTagField(NamedBuffer buffer, std::span<const std::byte> data);
void GetTagField(NamedBuffer buffer, std::span<std::byte> data);

// No memory, the root as the only and default directory.
void InitModule();
// Returns every block to the platform; every handle becomes void.
void Shutdown();

// The mutex every heap and text-buffer operation holds. A caller that must
// keep a sequence of operations whole may hold it too.
std::recursive_mutex& HeapMutex();

}  // namespace Buffer
