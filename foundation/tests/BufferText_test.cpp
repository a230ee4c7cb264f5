#include "foundation/BufferText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/tests/Heap_fixture.h"

namespace {

using BufferText::TextBuffer;

class TextBuffers : public FreshHeap {
 protected:
  void SetUp() override {
    FreshHeap::SetUp();
    text = Buffer::Create("text", Buffer::kText);
    ASSERT_NE(text, nullptr);
  }

  void AppendLines(int first, int last) {
    for (int i = first; i <= last; ++i) BufferText::Append(text, std::to_string(i));
  }

  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    char line[512];
    for (std::int32_t n = 1; n <= BufferText::RecordCount(text); ++n) {
      BufferText::Get(text, n, line);
      lines.emplace_back(line);
    }
    return lines;
  }

  TextBuffer text = nullptr;
};

using Texts = std::vector<std::string>;

TEST_F(TextBuffers, TheMaximumDropsTheOldestLines) {
  BufferText::SetMaxRecords(text, 3);
  AppendLines(1, 5);
  EXPECT_EQ(Lines(), (Texts{"3", "4", "5"}));
  EXPECT_EQ(BufferText::GetMaxRecords(text), 3);

  for (std::int32_t max : {1, 0, -5, BufferText::kMaxRecords + 1}) {
    BufferText::SetMaxRecords(text, max);
    EXPECT_EQ(BufferText::GetMaxRecords(text), BufferText::kMaxRecords) << max;
  }
  AppendLines(6, 12);
  BufferText::SetMaxRecords(text, 2);
  EXPECT_EQ(Lines(), (Texts{"11", "12"}));
}

TEST_F(TextBuffers, InsertOpensEmptyRecordsWithinOrRightBehindTheText) {
  AppendLines(1, 3);
  EXPECT_TRUE(BufferText::Insert(text, 4, 2));
  EXPECT_EQ(Lines(), (Texts{"1", "2", "3", "", ""}));
  EXPECT_FALSE(BufferText::Insert(text, 7, 1));
  EXPECT_FALSE(BufferText::Insert(text, 0, 1));
  EXPECT_TRUE(BufferText::Insert(text, 2, 0));
  EXPECT_TRUE(BufferText::Insert(text, 2, 1));
  EXPECT_EQ(Lines(), (Texts{"1", "", "2", "3", "", ""}));
  // More than one index step at once, in the middle.
  EXPECT_TRUE(BufferText::Insert(text, 2, 600));
  EXPECT_EQ(BufferText::RecordCount(text), 606);
  EXPECT_EQ(BufferText::RecordLength(text, 603), 1);
  char line[8];
  BufferText::Get(text, 603, line);
  EXPECT_STREQ(line, "2");
}

TEST_F(TextBuffers, InsertAtTheMaximumDropsTheOldestOrRefuses) {
  BufferText::SetMaxRecords(text, 3);
  AppendLines(1, 3);
  EXPECT_TRUE(BufferText::Insert(text, 4, 1));
  EXPECT_EQ(Lines(), (Texts{"2", "3", ""}));
  EXPECT_TRUE(BufferText::Insert(text, 3, 1));
  EXPECT_EQ(Lines(), (Texts{"3", "", ""}));
  EXPECT_FALSE(BufferText::Insert(text, 2, 1));
  EXPECT_FALSE(BufferText::Insert(text, 1, 1));
  EXPECT_EQ(Lines(), (Texts{"3", "", ""}));
}

// A long rolling log drops its oldest lines without shifting the index for
// each one; edits in between must still see the lines in order.
TEST_F(TextBuffers, ARollingLogKeepsItsOrderThroughDropsInsertsAndRemoves) {
  constexpr int kMax = 1000;
  BufferText::SetMaxRecords(text, kMax);
  std::vector<std::string> model;
  auto append = [&](const std::string& line) {
    BufferText::Append(text, line);
    model.push_back(line);
    if (static_cast<int>(model.size()) > kMax) model.erase(model.begin());
  };
  for (int i = 1; i <= 5000; ++i) {
    append(std::to_string(i));
    if (i % 700 == 0) {
      ASSERT_TRUE(BufferText::Insert(text, 500, 3));
      int place = 499;
      if (model.size() + 3 > kMax) {
        model.erase(model.begin(), model.begin() + 3);
        place -= 3;
      }
      model.insert(model.begin() + place, 3, "");
    }
    if (i % 900 == 0) {
      BufferText::Remove(text, 1, 10);
      BufferText::Remove(text, 200, 5);
      model.erase(model.begin(), model.begin() + 10);
      model.erase(model.begin() + 199, model.begin() + 204);
    }
  }
  EXPECT_EQ(Lines(), model);
  BufferText::Remove(text, 1, kMax);
  EXPECT_EQ(BufferText::RecordCount(text), 0);
  AppendLines(1, 3);
  EXPECT_EQ(Lines(), (Texts{"1", "2", "3"}));
}

TEST_F(TextBuffers, ReplaceRemoveAndGetKeepTheirRanges) {
  AppendLines(1, 5);
  EXPECT_TRUE(BufferText::Replace(text, 2, "two"));
  EXPECT_TRUE(BufferText::Replace(text, 3, ""));
  EXPECT_EQ(BufferText::RecordLength(text, 3), 0);
  EXPECT_FALSE(BufferText::Replace(text, 6, "x"));
  EXPECT_FALSE(BufferText::Replace(text, 0, "x"));
  EXPECT_EQ(Lines(), (Texts{"1", "two", "", "4", "5"}));

  BufferText::Remove(text, 2, 100);
  EXPECT_EQ(Lines(), (Texts{"1"}));
  BufferText::Remove(text, 2, 1);
  BufferText::Remove(text, 0, 1);
  BufferText::Remove(text, 1, 0);
  EXPECT_EQ(Lines(), (Texts{"1"}));

  char line[8] = "garbage";
  EXPECT_EQ(BufferText::Get(text, 9, line), 0);
  EXPECT_STREQ(line, "");
  EXPECT_EQ(BufferText::RecordLength(text, 9), 0);
}

TEST_F(TextBuffers, GetFillsATextTooSmallWithoutANul) {
  const std::string long300(300, 'x');
  BufferText::Append(text, long300);
  char line[257];
  line[256] = '#';
  EXPECT_EQ(BufferText::Get(text, 1, std::span<char>(line, 256)), 300);
  EXPECT_EQ(std::string(line, 256), long300.substr(0, 256));
  EXPECT_EQ(line[256], '#');
}

TEST_F(TextBuffers, AppendCharsKeepsTheCharactersUpToANul) {
  const char chars[] = {'a', 'b', '\0', 'c'};
  BufferText::AppendChars(text, chars);
  BufferText::AppendChars(text, {});
  EXPECT_EQ(Lines(), (Texts{"ab", ""}));
  EXPECT_EQ(BufferText::RecordLength(text, 1), 2);
}

TEST_F(TextBuffers, TheModifiedFlagFollowsChangesAndIsClearedOnlyByTheCaller) {
  AppendLines(1, 2);
  BufferText::SetModified(text, false);
  AppendLines(3, 3);
  EXPECT_FALSE(BufferText::GetModified(text));
  EXPECT_TRUE(BufferText::Replace(text, 1, "x"));
  EXPECT_TRUE(BufferText::GetModified(text));
  BufferText::SetModified(text, false);
  BufferText::Remove(text, 1, 1);
  EXPECT_TRUE(BufferText::GetModified(text));
  BufferText::SetModified(text, false);
  AppendLines(1, 300);  // the index grows
  EXPECT_TRUE(BufferText::GetModified(text));
}

TEST_F(TextBuffers, OtherBuffersAndNilAreLeftAlone) {
  TextBuffer heap = Buffer::Create("heap", Buffer::kHeap);
  for (TextBuffer b : {heap, TextBuffer{nullptr}}) {
    BufferText::Append(b, "x");
    BufferText::SetMaxRecords(b, 5);
    BufferText::SetModified(b, true);
    EXPECT_FALSE(BufferText::Insert(b, 1, 1));
    EXPECT_FALSE(BufferText::Replace(b, 1, "y"));
    EXPECT_EQ(BufferText::RecordCount(b), 0);
    EXPECT_EQ(BufferText::GetMaxRecords(b), 0);
    EXPECT_FALSE(BufferText::GetModified(b));
    char line[4] = "abc";
    EXPECT_EQ(BufferText::Get(b, 1, line), 0);
    EXPECT_STREQ(line, "");
  }
  EXPECT_EQ(BufferText::GetMaxRecords(text), 0);  // no records and no maximum yet
}

TEST_F(TextBuffers, AFullHeapLosesNoLine) {
  // A heap that cannot grow beyond its first block.
  Buffer::SetSystemMemory(Buffer::SystemMemory{
      [](std::size_t size) { return size > 2000000 ? nullptr : std::malloc(size); },
      [](void* block) { std::free(block); }});
  BufferText::SetMaxRecords(text, 10);
  const std::string line(200, 'L');
  AppendLines(1, 10);
  TextBuffer hog = Buffer::Create("hog", Buffer::kHeap);
  void* p = nullptr;
  do {
    Buffer::Allocate(hog, 2000, p);
  } while (p != nullptr);
  for (int i = 0; i < 20; ++i) BufferText::Append(text, line);
  // The appends that found no memory dropped nothing: the buffer holds the
  // newest of the old lines, then every long line that was stored.
  const Texts lines = Lines();
  ASSERT_EQ(lines.size(), 10u);
  const auto stored = static_cast<int>(std::count(lines.begin(), lines.end(), line));
  EXPECT_LT(stored, 20);
  for (int i = 0; i < 10 - stored; ++i) EXPECT_EQ(lines[i], std::to_string(stored + 1 + i));
}

TEST_F(TextBuffers, DeleteFreesEveryRecord) {
  std::int64_t total = 0;
  std::int64_t used = 0;
  std::int64_t freeBefore = 0;
  Buffer::GetMemoryInfo(total, used, freeBefore);
  TextBuffer big = Buffer::Create("big", Buffer::kText);
  for (int i = 0; i < 2000; ++i) BufferText::Append(big, std::string(i % 300, 'z'));
  Buffer::Delete(big);
  std::int64_t freeAfter = 0;
  Buffer::GetMemoryInfo(total, used, freeAfter);
  EXPECT_EQ(freeAfter, freeBefore);
}

}  // namespace
