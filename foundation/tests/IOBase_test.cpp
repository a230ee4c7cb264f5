#include "foundation/IOBase.h"

#include <gtest/gtest.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "TempDirectory_fixture.h"
#include "foundation/Strings.h"

namespace {

std::string Cwd() {
  char cwd[PATH_MAX];
  return getcwd(cwd, sizeof cwd) != nullptr ? std::string(cwd) + "/" : std::string();
}

// Runs a body with DefaultDir set to a fixed text, restoring it afterwards.
class WithDefaultDir {
 public:
  explicit WithDefaultDir(const char* dir) {
    Strings::Assign(saved_, IOBase::DefaultDir);
    Strings::Assign(IOBase::DefaultDir, std::span<const char>(dir, strlen(dir) + 1));
  }
  ~WithDefaultDir() { Strings::Assign(IOBase::DefaultDir, saved_); }

 private:
  char saved_[256];
};

TEST(IOBaseNames, ReplaceColonBySlash) {
  struct Case {
    const char* in;
    const char* out;
    bool changed;
  };
  const std::vector<Case> cases = {
      {"::data", "../data", true},
      {"a:b\\c", "a/b/c", true},
      {"abc", "abc", false},
      {"a/b", "a/b", true},
      {"", "", false},
      {":::x", "..//x", true},
      {"::", "../", true},
      {"C:\\dir\\f.txt", "C//dir/f.txt", true},
  };
  for (const Case& c : cases) {
    char path[256];
    Strings::Assign(path, std::span<const char>(c.in, strlen(c.in) + 1));
    bool changed = !c.changed;
    EXPECT_EQ(IOBase::ReplaceColonBySlash(path, changed), static_cast<int>(strlen(c.out))) << c.in;
    EXPECT_STREQ(path, c.out) << c.in;
    EXPECT_EQ(changed, c.changed) << c.in;
  }
}

TEST(IOBaseNames, ReplaceColonBySlashStaysInsideAFullArray) {
  // "::" grows the text by one; a full array loses its last character.
  char path[5] = {':', ':', 'a', 'b', 'c'};
  bool changed = false;
  EXPECT_EQ(IOBase::ReplaceColonBySlash(path, changed), 4);
  EXPECT_EQ(std::string(path, 4), "../a");
  EXPECT_EQ(path[4], 0);
}

TEST(IOBaseNames, ExtendFileName) {
  struct Case {
    const char* defaultDir;
    const char* name;
    const char* full;
  };
  const std::vector<Case> cases = {
      {"/Apps/", "x.txt", "/Apps/x.txt"},
      {"/Apps/", "sub/x.txt", "sub/x.txt"},
      {"/Apps/", "/abs/x.txt", "/abs/x.txt"},
      {"/Apps/", "", "/Apps/"},
      {"/Apps/", "a:b", "a/b"},
      {"/Apps/", "::x.txt", "/x.txt"},
      {"/a/b/", "../x.txt", "/a/x.txt"},
      {"/a/b/", "./x.txt", "/a/b/x.txt"},
      {"/a/b/c/", ".../x.txt", "/a/x.txt"},
      {"/a/b/", ".../x.txt", "/x.txt"},
      {"/a/b/", "../../x.txt", "/x.txt"},
      {"/a/b/", "./../x", "/a/x"},
      {"/", "../x", "../x"},
      {"/a/b/", "..", "/a/b/.."},
      {"/a/b/", "...x", "/a/b/...x"},
  };
  for (const Case& c : cases) {
    WithDefaultDir dir(c.defaultDir);
    const std::span<const char> name(c.name, strlen(c.name) + 1);
    char full[256];
    EXPECT_TRUE(IOBase::ExtendFileName(name, full));
    EXPECT_STREQ(full, c.full) << c.defaultDir << " + " << c.name;
    // The platform's form holds the same path behind its length.
    Strings::PascalString platform;
    EXPECT_TRUE(IOBase::ExtendToOS_FileName(name, platform));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(platform.data()) + 1, platform[0]), c.full)
        << c.defaultDir << " + " << c.name;
  }
}

TEST(IOBaseNames, ExtendFileNameRefusesAPathTooLongToHold) {
  WithDefaultDir dir("/directory/");
  const std::string name(250, 'n');
  char full[256];
  EXPECT_FALSE(IOBase::ExtendFileName(Text(name), full));
  EXPECT_EQ(Strings::Length(full), 255);
  Strings::PascalString platform;
  EXPECT_FALSE(IOBase::ExtendToOS_FileName(Text(name), platform));
  EXPECT_EQ(platform[0], 255);
  char small[8];
  EXPECT_FALSE(IOBase::ExtendFileName("x.txt", small));
  EXPECT_TRUE(IOBase::ExtendFileName(Text(std::string(244, 'n')), full));
}

TEST(IOBaseNames, CheckName) {
  const std::string cr = "\r";
  const std::string separators = "Filename cannot contain path separators:" + cr +
                                 "   \":\" MacOS, \"/\" Unix, \"\\\" Windows";
  struct Case {
    const char* name;
    bool ok;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"a.b", true, ""},
      {"plain", true, ""},
      {"a.b.c", false, "Filename cannot contain two \".\" :" + cr + "   \"a.b.c\""},
      {"a/b", false, separators + cr + "   \"a/b\""},
      {"a:b", false, separators + cr + "   \"a:b\""},
      {"a\\b", false, separators + cr + "   \"a\\b\""},
      {"x\"y", false, "Filename cannot contain double quotes (\")" + cr + "   \"x\"y\""},
      // The first offending character from the end decides.
      {"a\"b.c.d", false, "Filename cannot contain two \".\" :" + cr + "   \"a\"b.c.d\""},
      {"a.b/c\"d", false, "Filename cannot contain double quotes (\")" + cr + "   \"a.b/c\"d\""},
  };
  for (const Case& c : cases) {
    char message[256] = "stale";
    EXPECT_EQ(IOBase::CheckName(std::span<const char>(c.name, strlen(c.name) + 1), message), c.ok)
        << c.name;
    EXPECT_EQ(std::string(message), c.message) << c.name;
  }
}

TEST(IOBaseNames, Dissection) {
  char name[256];
  char dir[256];
  EXPECT_EQ(IOBase::ExtractNameFromPath("/a/b.txt", name), 3);
  EXPECT_STREQ(name, "b.txt");
  EXPECT_EQ(IOBase::ExtractNameFromPath("b.txt", name), -1);
  EXPECT_STREQ(name, "b.txt");
  EXPECT_EQ(IOBase::ExtractPath("b.txt", dir), 0);
  EXPECT_STREQ(dir, "");
  EXPECT_EQ(IOBase::ExtractPath("/a/b.txt", dir), 3);
  EXPECT_STREQ(dir, "/a/");
  char tiny[3];
  EXPECT_EQ(IOBase::ExtractPath("/a/b.txt", tiny), -1);
  EXPECT_STREQ(tiny, "");
  EXPECT_EQ(IOBase::ExtractPathAndName("/a/b/c.txt", dir, name), 5);
  EXPECT_STREQ(dir, "/a/b/");
  EXPECT_STREQ(name, "c.txt");
  EXPECT_EQ(IOBase::ExtractPathAndName("/a/b/c.txt", tiny, name), 0);
  EXPECT_STREQ(tiny, "");
}

TEST(IOBaseNames, Extensions) {
  struct Case {
    const char* name;
    const char* stripped;
    int stripResult;
    const char* extension;
    int extensionResult;
  };
  const std::vector<Case> cases = {
      {"x.txt", "x", 1, "txt", 2},
      {"a.tar.gz", "a.tar", 5, "gz", 6},
      {"dir.old/file", "dir.old/file", -1, "", -1},
      {".profile", ".profile", 0, "", 0},
      {"/a/.hidden", "/a/", 3, "hidden", 4},
      {"none", "none", -1, "", -1},
  };
  for (const Case& c : cases) {
    char name[256];
    Strings::Assign(name, std::span<const char>(c.name, strlen(c.name) + 1));
    char extension[32];
    EXPECT_EQ(IOBase::ExtractExtensionFromName(name, extension), c.extensionResult) << c.name;
    EXPECT_STREQ(extension, c.extension) << c.name;
    EXPECT_EQ(IOBase::StripExtension(name), c.stripResult) << c.name;
    EXPECT_STREQ(name, c.stripped) << c.name;
  }
  EXPECT_EQ(IOBase::ExtensionType("data.TXT", "t?t", false), 5);
  EXPECT_EQ(IOBase::ExtensionType("data.TXT", "t?t", true), -1);
  EXPECT_EQ(IOBase::ExtensionType("data.TXT", "T?T", true), 5);
  EXPECT_EQ(IOBase::ExtensionType("data.TXTX", "t?t", false), -1);
  EXPECT_EQ(IOBase::ExtensionType("data.TX", "t?t", false), -1);
  EXPECT_EQ(IOBase::ExtensionType("data", "", false), -1);
}

TEST(IOBaseNames, LineEndCharacters) {
  const int saved = IOBase::LineEndMode;
  struct Case {
    int mode;
    const char* chars;
  };
  for (const Case& c : std::vector<Case>{{1, "\r\n"}, {2, "\n"}, {0, "\r"}, {7, "\r"}}) {
    IOBase::LineEndMode = c.mode;
    char chars[3];
    int count = 0;
    IOBase::LineEndMode_To_LineEndChars(chars, count);
    EXPECT_STREQ(chars, c.chars);
    EXPECT_EQ(count, static_cast<int>(strlen(c.chars)));
  }
  IOBase::LineEndMode = saved;
}

using IOBaseFiles = TempDirectoryTest;

TEST_F(IOBaseFiles, SetDirectoryOnAFileGivesMinus120AndKeepsTheDirectory) {
  PutFile("file.txt", "x");
  const std::string before = IOBase::DefaultDir;
  EXPECT_EQ(IOBase::SetDirectory("file.txt"), -120);
  EXPECT_EQ(IOBase::Result, -120);
  EXPECT_EQ(IOBase::DefaultDir, before);
  EXPECT_EQ(Cwd(), Dir());
  EXPECT_EQ(IOBase::SetDirectory("missing"), -43);
  EXPECT_EQ(IOBase::DefaultDir, before);
}

TEST_F(IOBaseFiles, RelativeNamesWithAndWithoutSeparatorAgree) {
  ASSERT_EQ(mkdir(Path("sub").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(Path("sub/inner").c_str(), 0755), 0);
  PutFile("sub/inner/g.txt", "12345");
  EXPECT_EQ(IOBase::SetDirectory("sub"), 0);
  EXPECT_EQ(std::string(IOBase::DefaultDir), Path("sub/"));
  EXPECT_EQ(Cwd(), Path("sub/"));
  std::int32_t length = 0;
  EXPECT_TRUE(IOBase::Lookup("inner/g.txt", length));
  EXPECT_EQ(length, 5);
  // A relative directory path is taken from the current one, once.
  EXPECT_EQ(IOBase::SetDirectory("inner/"), 0);
  EXPECT_EQ(std::string(IOBase::DefaultDir), Path("sub/inner/"));
  EXPECT_TRUE(IOBase::Lookup("g.txt", length));
  EXPECT_EQ(IOBase::SetDirectory("../.."), 0);
  EXPECT_EQ(std::string(IOBase::DefaultDir), Dir());
  EXPECT_EQ(Cwd(), Dir());
}

// The classic form of a directory: the root is the volume, with an empty
// name, so that the separator conversion takes the text back to the path.
TEST_F(IOBaseFiles, MacOS9DirectoryNameHasTheRootAsItsNamelessVolume) {
  ASSERT_EQ(mkdir(Path("sub").c_str(), 0755), 0);
  PutFile("f.txt", "x");
  std::string colon = Dir();
  std::replace(colon.begin(), colon.end(), '/', ':');
  // Directories whose path with its '/' has 254 and 255 characters.
  const std::string outer(100, 'o');
  const std::string inner(254 - Dir().size() - 101, 'i');
  ASSERT_EQ(mkdir(Path(outer).c_str(), 0755), 0);
  ASSERT_EQ(mkdir(Path(outer + "/" + inner).c_str(), 0755), 0);
  ASSERT_EQ(mkdir(Path(outer + "/" + inner.substr(1)).c_str(), 0755), 0);
  struct Case {
    std::string path;
    bool found;
    std::string name;
    std::int16_t code;
  };
  const std::vector<Case> cases = {
      {"sub", true, colon + "sub:", 0},
      {"sub/", true, colon + "sub:", 0},
      {colon + "sub:", true, colon + "sub:", 0},  // its own form names it again
      {"sub/../sub", true, colon + "sub:", 0},
      {"", true, colon, 0},
      {"/", true, ":", 0},
      {"missing", false, "", -43},
      {"f.txt", false, "", -120},
      {outer + "/" + inner.substr(1), true, colon + outer + ":" + inner.substr(1) + ":", 0},
      {outer + "/" + inner, false, "", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    char name[256] = "stale";
    EXPECT_EQ(IOBase::GetMacOS9DirectoryName(Text(c.path), name), c.found);
    EXPECT_EQ(std::string(name), c.name);
    EXPECT_EQ(IOBase::Result, c.code);
    if (!c.found || c.name == ":") continue;
    bool changed = false;
    IOBase::ReplaceColonBySlash(name, changed);
    char full[256];
    ASSERT_TRUE(IOBase::ExtendFileName(Text(c.path), full));
    char canonical[PATH_MAX];
    ASSERT_NE(realpath(full, canonical), nullptr);
    EXPECT_EQ(std::string(name), std::string(canonical) + "/");
  }
  // The colon form cannot hold a ':' inside a name, nor a text too long for
  // its destination.
  ASSERT_EQ(mkdir(Path("a:b").c_str(), 0755), 0);
  WithDefaultDir colonDir(Path("a:b/").c_str());
  char name[256];
  EXPECT_FALSE(IOBase::GetMacOS9DirectoryName("", name));
  EXPECT_EQ(IOBase::Result, -37);
  char small[4];
  EXPECT_FALSE(IOBase::GetMacOS9DirectoryName("/tmp", small));
  EXPECT_EQ(IOBase::Result, -1);
}

TEST_F(IOBaseFiles, StartDirectoryIsTheProgramsFolderForBothResolutions) {
  char exe[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  ASSERT_GT(n, 0);
  exe[n] = 0;
  const std::string folder = std::string(exe).substr(0, std::string(exe).rfind('/') + 1);
  EXPECT_EQ(IOBase::SetDirectory(""), 0);
  EXPECT_EQ(std::string(IOBase::DefaultDir), folder);
  EXPECT_EQ(Cwd(), folder);
  EXPECT_EQ(IOBase::SetDirectory(Text(Dir())), 0);
  EXPECT_EQ(IOBase::Initialize(), 0);
  EXPECT_EQ(std::string(IOBase::DefaultDir), folder);
  EXPECT_EQ(Cwd(), folder);
  EXPECT_EQ(IOBase::DirCharacter, '/');
  EXPECT_STREQ(IOBase::Separator, "/");
  EXPECT_EQ(IOBase::LineEndMode, 2);
}

TEST_F(IOBaseFiles, Lookup) {
  PutFile("empty.txt", "");
  PutFile("three.txt", "abc");
  ASSERT_EQ(mkdir(Path("dir").c_str(), 0755), 0);
  struct Case {
    const char* name;
    bool found;
    std::int32_t length;
    std::int16_t code;
  };
  const std::vector<Case> cases = {
      {"empty.txt", true, 0, 0}, {"three.txt", true, 3, 0},       {"missing.txt", false, 0, -43},
      {"dir", false, 0, -43},    {"three.txt/x", false, 0, -120},
  };
  for (const Case& c : cases) {
    std::int32_t length = -1;
    EXPECT_EQ(IOBase::Lookup(std::span<const char>(c.name, strlen(c.name) + 1), length), c.found)
        << c.name;
    EXPECT_EQ(length, c.length) << c.name;
    EXPECT_EQ(IOBase::Result, c.code) << c.name;
  }
  std::int32_t length = 0;
  EXPECT_FALSE(IOBase::Lookup(Text(std::string(300, 'n')), length));
  EXPECT_EQ(IOBase::Result, -37);
}

TEST_F(IOBaseFiles, DeleteAndRename) {
  PutFile("a.txt", "A");
  PutFile("b.txt", "B");
  EXPECT_FALSE(IOBase::DoRename("a.txt", "b.txt"));
  EXPECT_EQ(IOBase::Result, -48);
  EXPECT_EQ(FileContent("a.txt"), "A");
  EXPECT_EQ(FileContent("b.txt"), "B");
  // The directory part of the new name is ignored.
  EXPECT_TRUE(IOBase::DoRename("a.txt", "elsewhere:c.txt"));
  EXPECT_EQ(Listing(), "b.txt c.txt");
  EXPECT_FALSE(IOBase::DoRename("missing", "d.txt"));
  EXPECT_EQ(IOBase::Result, -43);
  EXPECT_TRUE(IOBase::DoDelete("c.txt"));
  EXPECT_FALSE(IOBase::DoDelete("c.txt"));
  EXPECT_EQ(IOBase::Result, -43);
  EXPECT_EQ(Listing(), "b.txt");
}

TEST_F(IOBaseFiles, ForAllDoListsVisibleItemsInNameOrder) {
  PutFile("b.txt", "");
  PutFile("a.txt", "");
  PutFile(".hidden", "");
  ASSERT_EQ(mkdir(Path("c").c_str(), 0755), 0);
  std::string seen;
  IOBase::ForAllDo([&seen](std::span<const char> name, bool isDirectory) {
    seen += std::string(name.data()) + (isDirectory ? "/ " : " ");
  });
  EXPECT_EQ(seen, "a.txt b.txt c/ ");
}

}  // namespace
