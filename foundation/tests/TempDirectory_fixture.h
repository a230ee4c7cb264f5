#pragma once

// A fresh directory per test, made the program's current directory
// (IOBase::DefaultDir and the process's working directory alike); the
// previous ones and the directory's removal are restored afterwards.

#include <gtest/gtest.h>

#include <span>
#include <string>

class TempDirectoryTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The directory's canonical path with a trailing '/'.
  const std::string& Dir() const { return dir_; }
  // Dir() + name.
  std::string Path(const std::string& name) const { return dir_ + name; }

  // Writes (replacing) a file with the bytes of content, mode 0644.
  void PutFile(const std::string& name, const std::string& content) const;
  // The file's content; empty when missing.
  std::string FileContent(const std::string& name) const;
  bool FileExists(const std::string& name) const;
  // The names in the directory, hidden ones included, sorted.
  std::string Listing() const;

 private:
  std::string dir_;
  std::string savedCwd_;
  std::string savedDefaultDir_;
};

// A std::string as a read-only FixedString (its NUL included).
inline std::span<const char> Text(const std::string& s) { return {s.c_str(), s.size() + 1}; }
