// Console text from other threads reaches the notebook and the terminal as
// whole lines, in each thread's order, through the main thread.

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "Console_fixture.h"
#include "foundation/TermIO.h"

namespace {

using TermIOThreads = ConsoleTest;

constexpr int kThreads = 4;
constexpr int kLinesPerThread = 50;

// "T<thread> <line>" in pieces, as the timer task writes its debug lines.
void WriteNumberedLines(int thread) {
  for (int line = 0; line < kLinesPerThread; ++line) {
    TermIO::WriteString("T");
    TermIO::WriteInt(thread, 0);
    TermIO::Write(' ');
    TermIO::WriteInt(line, 0);
    if (line % 10 == 9) {
      TermIO::Flush();
    } else {
      TermIO::WriteLn();
    }
  }
  TermIO::WriteAlertLine("alert");
}

TEST_F(TermIOThreads, LinesOfOtherThreadsArriveWholeAndInOrder) {
  std::atomic<int> started{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &started] {
      ++started;
      WriteNumberedLines(t);
    });
  }
  // The main thread keeps writing lines of its own meanwhile, in pieces.
  for (int i = 0; started < kThreads || i < 200; ++i) {
    TermIO::WriteString("main ");
    TermIO::WriteInt(i, 0);
    TermIO::WriteLn();
  }
  for (std::thread& thread : threads) thread.join();
  TermIO::Flush();

  std::map<std::string, int> next;  // the next number expected per writer
  int alerts = 0;
  for (const std::string& record : Records()) {
    if (record == "alert") {
      ++alerts;
      continue;
    }
    const std::size_t blank = record.find(' ');
    ASSERT_NE(blank, std::string::npos) << record;
    const std::string writer = record.substr(0, blank);
    ASSERT_TRUE(writer == "main" || (writer.size() == 2 && writer[0] == 'T')) << record;
    EXPECT_EQ(record.substr(blank + 1), std::to_string(next[writer]++)) << record;
  }
  EXPECT_EQ(alerts, kThreads);
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(next["T" + std::to_string(t)], kLinesPerThread);
  EXPECT_GE(next["main"], 200);
  EXPECT_EQ(Bottom(1)[0], Records().back());
}

TEST_F(TermIOThreads, AFullQueueSaysHowManyLinesWereLost) {
  std::thread writer([] {
    for (int line = 0; line < 300; ++line) {
      TermIO::WriteInt(line, 0);
      TermIO::WriteLn();
    }
  });
  writer.join();
  EXPECT_TRUE(Records().empty());
  TermIO::Flush();
  const std::vector<std::string> records = Records();
  ASSERT_EQ(records.size(), 257u);
  EXPECT_EQ(records[0], "0");
  EXPECT_EQ(records[255], "255");
  EXPECT_EQ(records[256], "TermIO: 44 console lines of another thread lost");
}

TEST_F(TermIOThreads, AnotherThreadsLineWaitsForTheEndOfTheMainThreadsLine) {
  TermIO::WriteString("main part");
  std::thread writer([] { TermIO::WriteLine("other"); });
  writer.join();
  TermIO::WriteString(" rest");
  TermIO::WriteLn();
  EXPECT_EQ(Records(), (std::vector<std::string>{"main part rest", "other"}));
  EXPECT_EQ(Bottom(2), (std::vector<std::string>{"main part rest", "other"}));
}

}  // namespace
