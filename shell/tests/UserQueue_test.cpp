#include "shell/UserQueue.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>

namespace {

std::string ran;
void P() { ran += 'p'; }
void Q() { ran += 'q'; }
void R() { ran += 'r'; }
void S() { ran += 's'; }

// Installs S into the lowest free slot while it runs.
void InstallsS() {
  ran += 'i';
  UserQueue::InstallAfterProc(S);
}

// Removes Q while running; Q sits below it and so never runs.
void RemovesQ() {
  ran += 'x';
  UserQueue::RemoveAfterProc(Q);
}

class UserQueueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UserQueue::InitModule();
    ran.clear();
  }
};

TEST_F(UserQueueTest, RunsTheLastInstalledFirstAndAFreedSlotKeepsItsPlace) {
  ASSERT_TRUE(UserQueue::InstallAfterProc(P));
  ASSERT_TRUE(UserQueue::InstallAfterProc(Q));
  ASSERT_TRUE(UserQueue::InstallAfterProc(R));
  UserQueue::ExecuteAfterStack();
  EXPECT_EQ(ran, "rqp");

  ran.clear();
  UserQueue::InstallAfterProc(P);
  UserQueue::InstallAfterProc(Q);
  UserQueue::InstallAfterProc(R);
  EXPECT_TRUE(UserQueue::RemoveAfterProc(P));
  UserQueue::InstallAfterProc(S);
  UserQueue::ExecuteAfterStack();
  EXPECT_EQ(ran, "rqs");
}

TEST_F(UserQueueTest, EachProcedureOnceAndAnEmptyTableDoesNothing) {
  EXPECT_TRUE(UserQueue::InstallAfterProc(P));
  EXPECT_TRUE(UserQueue::InstallAfterProc(P));
  UserQueue::ExecuteAfterStack();
  EXPECT_EQ(ran, "p");
  UserQueue::ExecuteAfterStack();
  EXPECT_EQ(ran, "p");
  EXPECT_FALSE(UserQueue::RemoveAfterProc(P));
  EXPECT_FALSE(UserQueue::InstallAfterProc(nullptr));
}

// 50 distinct procedures: a table of functions made by a template.
template <int N>
void Numbered() {
  ran += std::to_string(N) + ',';
}
template <std::size_t... I>
constexpr auto MakeTable(std::index_sequence<I...>) {
  return std::array<UserQueue::Procedure, sizeof...(I)>{Numbered<static_cast<int>(I)>...};
}

TEST_F(UserQueueTest, TheFiftyFirstIsRefusedUntilASlotIsFreed) {
  constexpr auto table = MakeTable(std::make_index_sequence<UserQueue::kSlots>());
  for (UserQueue::Procedure p : table) ASSERT_TRUE(UserQueue::InstallAfterProc(p));
  EXPECT_FALSE(UserQueue::InstallAfterProc(P));
  EXPECT_TRUE(UserQueue::RemoveAfterProc(table[7]));
  EXPECT_TRUE(UserQueue::InstallAfterProc(P));
  UserQueue::ExecuteAfterStack();
  EXPECT_NE(ran.find("8,p6,"), std::string::npos) << ran;
}

TEST_F(UserQueueTest, ARunningProcedureChangesOnlyWhatRunsBelowIt) {
  UserQueue::InstallAfterProc(InstallsS);
  UserQueue::InstallAfterProc(Q);
  UserQueue::InstallAfterProc(RemovesQ);
  UserQueue::ExecuteAfterStack();
  EXPECT_EQ(ran, "xi");
  // S went into the slot Q had left, above the one running.
  ran.clear();
  UserQueue::ExecuteAfterStack();
  EXPECT_EQ(ran, "s");
}

}  // namespace
