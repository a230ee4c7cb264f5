#include "foundation/Buffer.h"
#include "shell/MacEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "dialogs/Alert.h"
#include "foundation/tests/Heap_fixture.h"

namespace {

using Buffer::NamedBuffer;

// ---- The platform's memory as the tests see it ------------------------------

// Refuses every request above the limit and records what was asked.
struct PlatformMemory {
  static inline std::vector<std::size_t> requests;
  static inline std::size_t limit = 0;
  static inline int outstanding = 0;

  static void* NewPtr(std::size_t size) {
    requests.push_back(size);
    if (size > limit) return nullptr;
    ++outstanding;
    return std::malloc(size);
  }
  static void DisposePtr(void* block) {
    --outstanding;
    std::free(block);
  }
  static void Install(std::size_t newLimit) {
    requests.clear();
    limit = newLimit;
    outstanding = 0;
    Buffer::SetSystemMemory(Buffer::SystemMemory{NewPtr, DisposePtr});
  }
};

std::int64_t HeapTotal() {
  std::int64_t total = 0;
  std::int64_t used = 0;
  std::int64_t free = 0;
  Buffer::GetMemoryInfo(total, used, free);
  return total;
}

std::int64_t HeapFree() {
  std::int64_t total = 0;
  std::int64_t used = 0;
  std::int64_t free = 0;
  Buffer::GetMemoryInfo(total, used, free);
  return free;
}

struct Size {
  std::int32_t segmentBytes = 0;
  std::int32_t segments = 0;
  std::int32_t freeBytes = 0;
  std::int32_t freeParts = 0;
};

Size SizeOf(NamedBuffer b) {
  Size s;
  Buffer::GetSize(b, s.segmentBytes, s.segments, s.freeBytes, s.freeParts);
  return s;
}

std::string Spec(NamedBuffer b) {
  char path[256];
  Buffer::GetSpec(b, path);
  return path;
}

std::string Name(NamedBuffer b) {
  char name[32];
  Buffer::GetName(b, name);
  return name;
}

// ---- Setting the heap up ----------------------------------------------------

struct SizingCase {
  const char* what;
  std::int32_t heap;
  std::int32_t heapMin;
  std::int32_t allocMin;
  std::size_t limit;
  std::vector<std::size_t> requests;  // 800: the first 100 slots of the block vector
  const char* alert;                  // what the operator is shown, or ""
  bool ends;
};

class HeapSetUp : public FreshHeap, public ::testing::WithParamInterface<SizingCase> {};

TEST_P(HeapSetUp, LowersItsRequestStepByStepAndWarnsBelowTheMinimum) {
  const SizingCase& c = GetParam();
  PlatformMemory::Install(c.limit);
  Buffer::DefBufferHeap = c.heap;
  Buffer::DefBufferHeapMin = c.heapMin;
  Buffer::DefAllocHeapMin = c.allocMin;
  testing::internal::CaptureStderr();
  HeapTotal();
  const bool ended = MacEnv::Terminated;
  const std::string shown = testing::internal::GetCapturedStderr();
  EXPECT_EQ(PlatformMemory::requests, c.requests);
  EXPECT_EQ(ended, c.ends);
  if (*c.alert == '\0') {
    EXPECT_EQ(shown, "");
  } else {
    EXPECT_EQ(shown.substr(0, shown.find('\n')), c.alert);
  }
}

const std::vector<std::size_t> kDefaultSequence = {1280000, 1148928, 1017856, 886784,
                                                   755712,  624640,  493568};

INSTANTIATE_TEST_SUITE_P(
    Sizes, HeapSetUp,
    ::testing::Values(
        SizingCase{"defaults, plenty", 1500, 400, 400, 1 << 30, {1280000, 800}, "", false},
        SizingCase{"defaults, down to 1 MB", 1500, 400, 400, 1000000,
                   {1280000, 1148928, 1017856, 886784, 800}, "", false},
        SizingCase{"defaults, nothing to have", 1500, 400, 400, 0, kDefaultSequence,
                   "Heap allocation failed.", true},
        SizingCase{"minimum 1000 KB, warned in kb", 1500, 1000, 400, 1000000,
                   {1280000, 1148928, 1017856, 886784, 800},
                   "WARNING: only 866.0 kb of memory could be allocated for the Buffer Heap !",
                   false},
        SizingCase{"minimum 2000 KB, warned in Mb", 3000, 2000, 400, 1500000,
                   {2816000, 2684928, 2553856, 2422784, 2291712, 2160640, 2029568, 1898496,
                    1767424, 1636352, 1505280, 1374208, 800},
                   "WARNING: only 1.3 Mb of memory could be allocated for the Buffer Heap !",
                   false},
        SizingCase{"reduced size below the least tried", 450, 100, 400, 1 << 30, {},
                   "Not enough heap space.", true}),
    [](const auto& info) {
      std::string name = info.param.what;
      std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
      return name;
    });

TEST_F(FreshHeap, AbortAfterTheWarningEndsTheProgramWithoutASecondMessage) {
  PlatformMemory::Install(1000000);
  Buffer::DefBufferHeapMin = 1000;
  Alert::PushAnswer(3);
  testing::internal::CaptureStderr();
  HeapTotal();
  EXPECT_TRUE(MacEnv::Terminated);
  const std::string shown = testing::internal::GetCapturedStderr();
  EXPECT_EQ(shown,
            "WARNING: only 866.0 kb of memory could be allocated for the Buffer Heap !\n"
            "  [[Continue]] [Abort] -> Abort\n");
}

TEST_F(FreshHeap, TakesASystemBlockOfTheRequestWhenTheHeapIsTooSmall) {
  PlatformMemory::Install(1 << 30);
  const std::int64_t first = HeapTotal();
  NamedBuffer big = Buffer::Create("big", Buffer::kSingleBlock);
  void* block = nullptr;
  Buffer::AllocateBlock(big, 3000000, block);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(PlatformMemory::requests.back(), 3000320u);  // 3,000,000 rounded up to 2,048
  EXPECT_EQ(HeapTotal(), first + 3000320);
  std::memset(block, 0xA5, 3000000);

  // A small request that does not fit takes 2 MB.
  NamedBuffer heap = Buffer::Create("heap", Buffer::kHeap);
  void* p = nullptr;
  Buffer::Allocate(heap, 1300000, p);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(PlatformMemory::requests.back(), 2097152u);

  Buffer::Shutdown();
  EXPECT_EQ(PlatformMemory::outstanding, 0);
}

TEST_F(FreshHeap, ExhaustedMemoryGivesNilWithoutAMessage) {
  PlatformMemory::Install(1500000);
  HeapTotal();
  NamedBuffer b = Buffer::Create("b", Buffer::kSingleBlock);
  void* block = reinterpret_cast<void*>(1);
  testing::internal::CaptureStderr();
  Buffer::AllocateBlock(b, 4000000, block);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(block, nullptr);
  EXPECT_EQ(SizeOf(b).segments, 0);
}

// ---- Paths and the tree -----------------------------------------------------

TEST_F(FreshHeap, PathsResolveOnlyThroughExistingDirectories) {
  NamedBuffer a = Buffer::Create("a", Buffer::kDirectory);
  NamedBuffer b = Buffer::Create("a/b", Buffer::kHeap);
  NamedBuffer plain = Buffer::Create("plain", Buffer::kHeap);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  struct {
    std::string_view path;
    NamedBuffer found;
  } const cases[] = {
      {"", nullptr},      {"a", a},         {"/a", a},          {"a/b", b},
      {"/a/b", b},        {"a//b", nullptr}, {"a/", nullptr},   {"/", nullptr},
      {"a/b/", nullptr},  {"b", nullptr},   {"plain/x", nullptr}, {"A", nullptr},
  };
  for (const auto& c : cases) EXPECT_EQ(Buffer::Lookup(c.path), c.found) << '"' << c.path << '"';
  EXPECT_EQ(Buffer::Create("plain/x", Buffer::kHeap), nullptr);
  EXPECT_EQ(Buffer::Create("a/", Buffer::kHeap), nullptr);
  EXPECT_EQ(Buffer::Create("missing/x", Buffer::kHeap), nullptr);
  EXPECT_EQ(Buffer::Create("c", 4), nullptr);
  EXPECT_EQ(plain, Buffer::Lookup("/plain"));
}

TEST_F(FreshHeap, DefaultDirectoryAnchorsRelativePathsAndSpecsNameTheWay) {
  NamedBuffer root = Buffer::GetDefaultDirectory();
  EXPECT_EQ(Spec(root), "/");
  EXPECT_EQ(Name(root), "");
  NamedBuffer d = Buffer::Create("/d", Buffer::kDirectory);
  NamedBuffer x = Buffer::Create("x", Buffer::kHeap);
  Buffer::SetDefaultDirectory(x);
  EXPECT_EQ(Buffer::GetDefaultDirectory(), root);
  Buffer::SetDefaultDirectory(d);
  NamedBuffer y = Buffer::Create("y", Buffer::kHeap);
  EXPECT_EQ(Buffer::Lookup("/d/y"), y);
  EXPECT_EQ(Buffer::Lookup("x"), nullptr);
  EXPECT_EQ(Buffer::Lookup("/x"), x);
  EXPECT_EQ(Spec(y), "/d/y");
  EXPECT_EQ(Name(y), "y");
  EXPECT_EQ(Spec(nullptr), "");
  char tight[5];
  Buffer::GetSpec(y, tight);
  EXPECT_STREQ(tight, "/d/y");
  char tighter[4];
  Buffer::GetSpec(y, tighter);
  EXPECT_STREQ(tighter, "/d/");
}

TEST_F(FreshHeap, NamesAreCutTo31CharactersWhenStoredAndNeverMatchLonger) {
  const std::string longName(40, 'n');
  NamedBuffer b = Buffer::Create(longName, Buffer::kHeap);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(Name(b), longName.substr(0, 31));
  EXPECT_EQ(Buffer::Lookup(longName), nullptr);
  EXPECT_EQ(Buffer::Lookup(longName.substr(0, 31)), b);
  // Making the long name again finds the stored entry instead of a twin.
  EXPECT_EQ(Buffer::Create(longName, Buffer::kText), b);
  EXPECT_EQ(Buffer::Enter(longName, Buffer::kText), b);
}

TEST_F(FreshHeap, CreateOnAnExistingBufferEmptiesItAndKeepsItsHandle) {
  NamedBuffer b = Buffer::Create("b", Buffer::kHeap);
  void* p = nullptr;
  Buffer::Allocate(b, 100, p);
  const std::byte tag[3] = {std::byte{1}, std::byte{2}, std::byte{3}};
  Buffer::SetTagField(b, tag);
  const std::int64_t freeBefore = HeapFree();

  EXPECT_EQ(Buffer::Create("b", Buffer::kSingleBlock), b);
  EXPECT_EQ(Buffer::GetOrganization(b), Buffer::kSingleBlock);
  EXPECT_EQ(SizeOf(b).segments, 0);
  EXPECT_EQ(HeapFree(), freeBefore + 2048);
  std::byte back[3];
  Buffer::GetTagField(b, back);
  EXPECT_EQ(back[0], std::byte{0});

  ASSERT_NE(Buffer::Create("dir", Buffer::kDirectory), nullptr);
  EXPECT_EQ(Buffer::Create("dir", Buffer::kHeap), nullptr);
}

TEST_F(FreshHeap, EnterGivesTheExistingBufferOnlyWithItsOrganisation) {
  NamedBuffer t = Buffer::Enter("t", Buffer::kText);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(Buffer::Enter("t", Buffer::kText), t);
  EXPECT_EQ(Buffer::Enter("t", Buffer::kHeap), nullptr);
  NamedBuffer d = Buffer::Create("d", Buffer::kDirectory);
  EXPECT_EQ(Buffer::Enter("d", Buffer::kDirectory), d);
}

TEST_F(FreshHeap, DeleteLeavesADirectoryWithEntriesAndReturnsAllOtherMemory) {
  Buffer::Create("first", Buffer::kHeap);  // the root's own heap is set up
  const std::int64_t freeBefore = HeapFree();
  NamedBuffer d = Buffer::Create("d", Buffer::kDirectory);
  NamedBuffer x = Buffer::Create("d/x", Buffer::kHeap);
  const std::int64_t freeWithX = HeapFree();
  void* p = nullptr;
  Buffer::Allocate(x, 5000, p);
  EXPECT_EQ(HeapFree(), freeWithX - 6144);

  NamedBuffer handle = d;
  Buffer::Delete(handle);
  EXPECT_EQ(handle, d);
  EXPECT_EQ(Buffer::Lookup("d/x"), x);

  Buffer::Delete(x);
  EXPECT_EQ(x, nullptr);
  EXPECT_EQ(Buffer::Lookup("d/x"), nullptr);
  EXPECT_EQ(HeapFree(), freeWithX);

  Buffer::SetDefaultDirectory(d);
  Buffer::Delete(handle);
  EXPECT_EQ(handle, nullptr);
  EXPECT_EQ(Buffer::Lookup("/d"), nullptr);
  EXPECT_EQ(HeapFree(), freeBefore);
  EXPECT_EQ(Spec(Buffer::GetDefaultDirectory()), "/");

  NamedBuffer root = Buffer::GetDefaultDirectory();
  Buffer::Delete(root);
  EXPECT_NE(root, nullptr);

  NamedBuffer none = nullptr;
  Buffer::Delete(none);
}

TEST_F(FreshHeap, ScanEntriesVisitsInNameOrder) {
  for (std::string_view name : {"b", "a", "C", "ab"}) Buffer::Create(name, Buffer::kHeap);
  Buffer::Create("plain", Buffer::kHeap);
  static std::vector<std::string> seen;
  seen.clear();
  Buffer::ScanEntries(Buffer::GetDefaultDirectory(), [](NamedBuffer e) { seen.push_back(Name(e)); });
  EXPECT_EQ(seen, (std::vector<std::string>{"C", "a", "ab", "b", "plain"}));
  seen.clear();
  Buffer::ScanEntries(Buffer::Lookup("a"), [](NamedBuffer e) { seen.push_back(Name(e)); });
  EXPECT_TRUE(seen.empty());
}

TEST_F(FreshHeap, ManyEntriesGrowTheIndexAndStaySorted) {
  std::vector<NamedBuffer> made;
  for (int i = 99; i >= 0; --i) {
    const std::string name = "e" + std::to_string(i);
    made.push_back(Buffer::Create(name, Buffer::kHeap));
    ASSERT_NE(made.back(), nullptr);
  }
  for (int i = 0; i < 100; ++i) {
    const std::string name = "e" + std::to_string(i);
    EXPECT_EQ(Buffer::Lookup(name), made[99 - i]) << name;
  }
}

// ---- Renaming ---------------------------------------------------------------

TEST_F(FreshHeap, RenameMovesTheEntryAndItsMemory) {
  NamedBuffer d = Buffer::Create("d", Buffer::kDirectory);
  NamedBuffer b = Buffer::Create("b", Buffer::kHeap);
  void* p = nullptr;
  Buffer::Allocate(b, 3000, p);
  std::memset(p, 0x5A, 3000);
  Buffer::SetTagField(b, std::as_bytes(std::span("tag")));

  NamedBuffer renamed = Buffer::Rename(b, "c");
  ASSERT_NE(renamed, nullptr);
  EXPECT_EQ(Buffer::Lookup("b"), nullptr);
  EXPECT_EQ(Buffer::Lookup("c"), renamed);

  NamedBuffer moved = Buffer::Rename(renamed, "/d/e");
  ASSERT_NE(moved, nullptr);
  EXPECT_EQ(Spec(moved), "/d/e");
  EXPECT_EQ(SizeOf(moved).segmentBytes, 4096);
  char tag[4];
  Buffer::GetTagField(moved, std::as_writable_bytes(std::span(tag)));
  EXPECT_STREQ(tag, "tag");
  EXPECT_EQ(static_cast<unsigned char*>(p)[2999], 0x5A);
  Buffer::Deallocate(moved, 3000, p);
  EXPECT_EQ(SizeOf(moved).freeBytes, 4096);

  Buffer::Create("/d/taken", Buffer::kHeap);
  EXPECT_EQ(Buffer::Rename(moved, "/d/taken"), moved);
  EXPECT_EQ(Buffer::Rename(moved, "/nowhere/x"), nullptr);
  Buffer::Delete(moved);
  EXPECT_EQ(Buffer::Lookup("/d/e"), nullptr);
  EXPECT_NE(d, nullptr);
}

TEST_F(FreshHeap, RenamingADirectoryKeepsItsEntriesReachable) {
  NamedBuffer d = Buffer::Create("d", Buffer::kDirectory);
  NamedBuffer inner = Buffer::Create("d/inner", Buffer::kDirectory);
  NamedBuffer leaf = Buffer::Create("d/inner/leaf", Buffer::kText);
  Buffer::Create("other", Buffer::kDirectory);
  Buffer::SetDefaultDirectory(inner);

  NamedBuffer movedInner = Buffer::Rename(inner, "/other/in2");
  ASSERT_NE(movedInner, nullptr);
  EXPECT_EQ(Buffer::Lookup("/other/in2/leaf"), leaf);
  EXPECT_EQ(Spec(leaf), "/other/in2/leaf");
  EXPECT_EQ(Buffer::GetDefaultDirectory(), movedInner);

  // A directory cannot go inside itself.
  NamedBuffer other = Buffer::Lookup("/other");
  EXPECT_EQ(Buffer::Rename(other, "/other/in2/loop"), nullptr);
  EXPECT_EQ(Buffer::Rename(other, "/other/self"), nullptr);
  EXPECT_EQ(Buffer::Lookup("/other/in2/leaf"), leaf);

  // The moved directory still makes and frees entries in its own heap.
  Buffer::Delete(leaf);
  NamedBuffer fresh = Buffer::Create("/other/in2/fresh", Buffer::kHeap);
  EXPECT_EQ(Spec(fresh), "/other/in2/fresh");
  EXPECT_NE(d, nullptr);
}

// ---- Allocation -------------------------------------------------------------

TEST_F(FreshHeap, AllocationSizesFollowTheirRoundingRules) {
  NamedBuffer small = Buffer::Create("small", Buffer::kHeap);
  void* p = nullptr;
  Buffer::Allocate(small, 1, p);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(SizeOf(small).segmentBytes, 2048);
  EXPECT_EQ(SizeOf(small).freeBytes, 2048 - 16);

  NamedBuffer mid = Buffer::Create("mid", Buffer::kHeap);
  Buffer::Allocate(mid, 3000, p);
  EXPECT_EQ(SizeOf(mid).segmentBytes, 4096);

  NamedBuffer block = Buffer::Create("block", Buffer::kSingleBlock);
  Buffer::AllocateBlock(block, 1, p);
  ASSERT_NE(p, nullptr);
  int organisation = -1;
  void* header = nullptr;
  std::int32_t size = 0;
  Buffer::GetHeader(block, organisation, header, size);
  EXPECT_EQ(organisation, Buffer::kSingleBlock);
  EXPECT_EQ(header, p);
  EXPECT_EQ(size, 2048);
  void* second = nullptr;
  Buffer::AllocateBlock(block, 1, second);
  EXPECT_EQ(second, nullptr);
  Buffer::AllocateBlock(small, 1, second);
  EXPECT_EQ(second, nullptr);

  Buffer::Allocate(small, 0, p);
  EXPECT_EQ(p, nullptr);
  Buffer::Allocate(nullptr, 16, p);
  EXPECT_EQ(p, nullptr);

  struct {
    std::int32_t size, aligned;
  } const aligned[] = {{0, 0}, {1, 1}, {2, 2}, {3, 4}, {4, 4}, {5, 8}, {8, 8}, {9, 16}, {17, 24}};
  for (const auto& a : aligned) EXPECT_EQ(Buffer::AlignedSize(a.size), a.aligned) << a.size;
}

TEST_F(FreshHeap, FreedBlocksMergeBackIntoOnePart) {
  NamedBuffer heap = Buffer::Create("heap", Buffer::kHeap);
  std::vector<void*> blocks;
  for (int i = 0; i < 300; ++i) {
    void* p = nullptr;
    Buffer::Allocate(heap, 1 + i % 50, p);
    ASSERT_NE(p, nullptr);
    std::memset(p, i, static_cast<std::size_t>(1 + i % 50));
    blocks.push_back(p);
  }
  const Size full = SizeOf(heap);
  EXPECT_EQ(full.segments, 1) << "adjacent segments share one record";
  // Free every other block first, then the rest, so merging happens on both sides.
  for (std::size_t i = 0; i < blocks.size(); i += 2) Buffer::Deallocate(heap, 1 + i % 50, blocks[i]);
  for (std::size_t i = 1; i < blocks.size(); i += 2) Buffer::Deallocate(heap, 1 + i % 50, blocks[i]);
  const Size empty = SizeOf(heap);
  EXPECT_EQ(empty.freeBytes, full.segmentBytes);
  EXPECT_EQ(empty.freeParts, 1);
  EXPECT_EQ(blocks[7], nullptr);
}

TEST_F(FreshHeap, HeadersAndTagFieldsBelongToTheCaller) {
  NamedBuffer b = Buffer::Create("b", Buffer::kText);
  int marker = 0;
  Buffer::SetHeader(b, &marker, 4);
  int organisation = -1;
  void* header = nullptr;
  std::int32_t size = 0;
  Buffer::GetHeader(b, organisation, header, size);
  EXPECT_EQ(organisation, Buffer::kText);
  EXPECT_EQ(header, &marker);
  EXPECT_EQ(size, 4);
  Buffer::GetHeader(nullptr, organisation, header, size);
  EXPECT_EQ(organisation, Buffer::kHeap);
  EXPECT_EQ(header, nullptr);
  EXPECT_EQ(size, 0);
  EXPECT_EQ(Buffer::GetOrganization(nullptr), Buffer::kHeap);

  std::vector<std::byte> source(200);
  for (std::size_t i = 0; i < source.size(); ++i) source[i] = static_cast<std::byte>(i);
  Buffer::SetTagField(b, source);
  std::vector<std::byte> back(200, std::byte{0xEE});
  Buffer::GetTagField(b, back);
  EXPECT_TRUE(std::equal(back.begin(), back.begin() + 128, source.begin()));
  EXPECT_EQ(back[128], std::byte{0xEE});
}

TEST_F(FreshHeap, ShutdownReturnsEveryBlockToThePlatform) {
  PlatformMemory::Install(1 << 30);
  NamedBuffer b = Buffer::Create("b", Buffer::kHeap);
  void* p = nullptr;
  for (int i = 0; i < 5; ++i) Buffer::Allocate(b, 1000000, p);
  EXPECT_GT(PlatformMemory::outstanding, 2);
  Buffer::Shutdown();
  EXPECT_EQ(PlatformMemory::outstanding, 0);
  Buffer::InitModule();
  EXPECT_EQ(Buffer::Lookup("b"), nullptr);
}

}  // namespace
