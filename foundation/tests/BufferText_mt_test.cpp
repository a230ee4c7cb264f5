// Console text reaches the notebook's text buffer from a second thread (the
// acquisition's debug and error lines) while the main thread goes on
// creating, filling and deleting buffers. Run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "foundation/Buffer.h"
#include "foundation/BufferText.h"
#include "foundation/tests/Heap_fixture.h"

namespace {

constexpr int kLinesPerThread = 3000;

void AppendNumbered(BufferText::TextBuffer text, char tag) {
  for (int i = 0; i < kLinesPerThread; ++i) {
    const std::string line = tag + std::to_string(i);
    BufferText::Append(text, line);
  }
}

void ChurnBuffers(char tag) {
  for (int i = 0; i < kLinesPerThread / 3; ++i) {
    const std::string name = std::string("churn") + tag + std::to_string(i % 7);
    Buffer::NamedBuffer b = Buffer::Create(name, i % 2 == 0 ? Buffer::kHeap : Buffer::kText);
    ASSERT_NE(b, nullptr);
    void* p = nullptr;
    Buffer::Allocate(b, 100 + i % 900, p);
    BufferText::Append(b, "scratch");
    if (i % 3 == 0) Buffer::Delete(b);
  }
}

TEST_F(FreshHeap, TwoThreadsAppendAndChurnBuffersWithoutLosingALine) {
  BufferText::TextBuffer list = Buffer::Create("List", Buffer::kText);
  ASSERT_NE(list, nullptr);
  std::thread second([list] {
    AppendNumbered(list, 'b');
    ChurnBuffers('b');
  });
  AppendNumbered(list, 'a');
  ChurnBuffers('a');
  second.join();

  ASSERT_EQ(BufferText::RecordCount(list), 2 * kLinesPerThread);
  // Each thread's lines arrive whole and in its own order.
  int next[2] = {0, 0};
  char line[16];
  for (std::int32_t n = 1; n <= BufferText::RecordCount(list); ++n) {
    BufferText::Get(list, n, line);
    const int who = line[0] == 'a' ? 0 : 1;
    ASSERT_EQ(std::string(line + 1), std::to_string(next[who])) << line;
    ++next[who];
  }
}

TEST_F(FreshHeap, AHeldHeapMutexKeepsASequenceWhole) {
  BufferText::TextBuffer text = Buffer::Create("text", Buffer::kText);
  std::thread second([text] { AppendNumbered(text, 'b'); });
  for (int i = 0; i < 200; ++i) {
    const std::lock_guard<std::recursive_mutex> lock(Buffer::HeapMutex());
    const std::int32_t before = BufferText::RecordCount(text);
    BufferText::Append(text, "pair-1");
    BufferText::Append(text, "pair-2");
    char line[16];
    BufferText::Get(text, before + 1, line);
    EXPECT_STREQ(line, "pair-1");
    BufferText::Get(text, before + 2, line);
    EXPECT_STREQ(line, "pair-2");
  }
  second.join();
  EXPECT_EQ(BufferText::RecordCount(text), kLinesPerThread + 400);
}

}  // namespace
