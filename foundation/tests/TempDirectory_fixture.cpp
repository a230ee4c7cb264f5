#include "TempDirectory_fixture.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "foundation/IOBase.h"
#include "foundation/Strings.h"

void TempDirectoryTest::SetUp() {
  char cwd[PATH_MAX];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  savedCwd_ = cwd;
  savedDefaultDir_ = IOBase::DefaultDir;
  char pattern[] = "/tmp/mereth-io-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  char canonical[PATH_MAX];
  ASSERT_NE(realpath(pattern, canonical), nullptr);
  dir_ = std::string(canonical) + "/";
  ASSERT_EQ(IOBase::SetDirectory(std::span<const char>(dir_.c_str(), dir_.size() + 1)), 0);
}

void TempDirectoryTest::TearDown() {
  ASSERT_EQ(chdir(savedCwd_.c_str()), 0);
  Strings::Assign(IOBase::DefaultDir,
                  std::span<const char>(savedDefaultDir_.c_str(), savedDefaultDir_.size() + 1));
  std::error_code ignored;
  std::filesystem::permissions(dir_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(dir_, ignored);
}

void TempDirectoryTest::PutFile(const std::string& name, const std::string& content) const {
  std::ofstream out(Path(name), std::ios::binary | std::ios::trunc);
  out << content;
}

std::string TempDirectoryTest::FileContent(const std::string& name) const {
  std::ifstream in(Path(name), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool TempDirectoryTest::FileExists(const std::string& name) const {
  struct stat info;
  return stat(Path(name).c_str(), &info) == 0;
}

std::string TempDirectoryTest::Listing() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : " ") + name;
  return text;
}
