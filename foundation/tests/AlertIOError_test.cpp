// Alert::IOError in its headless form: the caller's message joined with the
// text of the last file error, shown as an OK alert on stderr.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "dialogs/Alert.h"
#include "foundation/IOBase.h"
#include "foundation/IOFiles.h"

namespace {

std::string IOErrorText(const std::string& message) {
  testing::internal::CaptureStderr();
  Alert::IOError({message.c_str(), message.size() + 1});
  return testing::internal::GetCapturedStderr();
}

TEST(AlertIOError, ShowsTheErrorOfTheLastFileOperation) {
  std::int32_t length = 0;
  ASSERT_FALSE(IOBase::Lookup("/nonexistent-mereth-dir/missing.txt", length));
  ASSERT_EQ(IOFiles::GetError(), -43);
  EXPECT_EQ(IOErrorText("Error loading firmware file"),
            "Error loading firmware file: file not found\n  [[OK]] -> OK\n");
  IOBase::Result = 0;
}

TEST(AlertIOError, JoinsTheTextOfTheCodeAndCutsTheLineAt128) {
  struct Case {
    std::int16_t code;
    std::string message;
    std::string line;
  };
  const std::vector<Case> cases = {
      {-45, "Saving Failed", "Saving Failed: file is locked"},
      {-1234, "Merge failed", "Merge failed: unknown error (-1234)"},
      {-43, std::string(120, 'm'), std::string(120, 'm') + ": file n"},
      {-43, std::string(140, 'm'), std::string(128, 'm')},
  };
  for (const Case& c : cases) {
    IOBase::Result = c.code;
    EXPECT_EQ(IOErrorText(c.message), c.line + "\n  [[OK]] -> OK\n") << c.code;
  }
  IOBase::Result = 0;
}

}  // namespace
