#include "dialogs/FileSelect.h"

#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>
#include <string_view>

#include "dialogs/Alert.h"
#include "dialogs/ModalAnswer.h"
#include "foundation/Decode.h"
#include "foundation/IOBase.h"
#include "foundation/IOFiles.h"
#include "foundation/Strings.h"
#include "platform/FileChooser.h"
#include "shell/MacEnv.h"
#include "shell/Mouse.h"

namespace FileSelect {

namespace {

constexpr int kTextSize = 256;
// The longest path a choice may come back as (a folder's without its
// trailing separator).
constexpr int kMaxPath = 254;
// The file layer's "bad name".
constexpr std::int16_t kBadName = -37;

enum Kind { kOpen, kSave, kFolder, kKinds };

// One per kind of dialog; overwritten at the next choice of that kind.
struct ChoiceRecord {
  char name[kTextSize];
  char directory[kTextSize];  // ends with the separator once chosen
  char filter[kTextSize];
  char prompt[kTextSize];
  std::int16_t error;  // of the last failing step of the conversion; 0 none
  bool success;
};

ChoiceRecord records[kKinds];
// The filter lets every file through.
bool DisplayAllSearch = true;

std::deque<std::string>& Choices() {
  static std::deque<std::string> choices;
  return choices;
}

Kind KindOf(int mode) {
  if ((mode & ModeOpen) != 0) return kOpen;
  if ((mode & ModeSave) != 0) return kSave;
  return kFolder;
}

char Capital(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The folder the chooser opens in: the record's directory, else the
// directory part of its name; empty lets the chooser take the current one.
std::string DefaultLocation(const ChoiceRecord& record) {
  if (Strings::Length(record.directory) > 0) return record.directory;
  char directory[kTextSize] = "";
  IOBase::ExtractPath(record.name, directory);
  return directory;
}

bool ShowsFile(std::string_view name, void* user) {
  const auto* record = static_cast<const ChoiceRecord*>(user);
  return DisplayAllSearch || FindMatch(std::span<const char>(name.data(), name.size()), record->filter);
}

std::string FreeSpaceMessage(const std::string& folder) {
  double bytes = 0.0;
  if (!IOFiles::FreeSpace(bytes, std::span<const char>(folder.c_str(), folder.size() + 1))) return {};
  char text[64] = "";
  DecodeFreeSpace(bytes, text);
  return text;
}

FileChooser::Request RequestOf(Kind kind, ChoiceRecord& record) {
  FileChooser::Request r;
  r.folder = DefaultLocation(record);
  r.prompt = record.prompt;
  switch (kind) {
    case kOpen:
      r.kind = FileChooser::Kind::kOpen;
      r.filter = ShowsFile;
      r.user = &record;
      break;
    case kSave:
      r.kind = FileChooser::Kind::kSave;
      r.name = record.name;
      r.message = FreeSpaceMessage(r.folder);
      break;
    case kFolder:
    case kKinds:
      r.kind = FileChooser::Kind::kFolder;
      r.message = FreeSpaceMessage(r.folder);
      break;
  }
  return r;
}

// The chooser's answer: the queued one first, else the chooser's own
// where it can be seen.
bool Answer(Kind kind, ChoiceRecord& record, std::string& path) {
  std::deque<std::string>& choices = Choices();
  if (!choices.empty()) {
    path = choices.front();
    choices.pop_front();
    return true;
  }
  return ModalAnswer::OnScreen() && FileChooser::Choose(RequestOf(kind, record), path);
}

// The record's name and directory from the chosen path: a folder's own
// path with an empty name, else the parent folder and the file's name.
// A relative path (a queued one) is taken from the current directory.
void ExtractStrings(Kind kind, const std::string& chosen, ChoiceRecord& record) {
  char full[kTextSize] = "";
  if (!IOBase::ExtendFileName(std::span<const char>(chosen.c_str(), chosen.size() + 1), full)) {
    record.error = kBadName;
    return;
  }
  std::string path = full;
  if (kind == kFolder) {
    while (path.size() > 1 && path.back() == IOBase::DirCharacter) path.pop_back();
    path.push_back(IOBase::DirCharacter);
  }
  if (path.size() > static_cast<std::size_t>(kMaxPath) + (kind == kFolder ? 1 : 0)) {
    record.error = kBadName;
    return;
  }
  IOBase::ExtractPathAndName(std::span<const char>(path.c_str(), path.size() + 1), record.directory, record.name);
  record.success = true;
}

void Report(std::span<const char> prompt, std::span<const char> filter, const ChoiceRecord& record) {
  std::fprintf(stderr, "%.*s (%.*s) -> ", Strings::Length(prompt), prompt.data(), Strings::Length(filter),
               filter.data());
  if (record.success) {
    std::fprintf(stderr, "%s%s\n", record.directory, record.name);
  } else {
    std::fputs(record.error != 0 ? "refused\n" : "cancelled\n", stderr);
  }
  std::fflush(stderr);
}

}  // namespace

void Initialize() {
  for (ChoiceRecord& record : records) record = ChoiceRecord{};
  DisplayAllSearch = true;
}

void Shutdown() {}

bool Select(std::span<char> name, std::span<const char> filter, int mode,
            std::span<const char> prompt) {
  const int cursor = Mouse::GetCursorShape();
  MacEnv::HideLogo();
  Mouse::SetCursorShape(Mouse::kArrow);
  char defaultDir[kTextSize];
  Strings::Assign(defaultDir, IOBase::DefaultDir);

  DisplayAllSearch = Strings::Equal(filter, "*") || Strings::Equal(filter, "*.*");
  const Kind kind = KindOf(mode);
  ChoiceRecord& record = records[kind];
  IOBase::ExtractPathAndName(name, record.directory, record.name);
  Strings::Assign(record.filter, filter);
  Strings::Assign(record.prompt, prompt);
  record.error = 0;
  record.success = false;

  std::string chosen;
  if (Answer(kind, record, chosen)) ExtractStrings(kind, chosen, record);
  if (record.success) {
    char path[2 * kTextSize];
    Strings::Assign(path, record.directory);
    Strings::Concat(path, record.name);
    if (Strings::Length(path) < static_cast<int>(name.size())) {
      Strings::Assign(name, path);
    } else {
      record.success = false;
      record.error = kBadName;
    }
  }
  if (ModalAnswer::Unseen()) Report(prompt, filter, record);

  const bool chosenDirectory = record.success && (mode & ModeSetDirectory) != 0;
  IOBase::Result = IOBase::SetDirectory(chosenDirectory ? std::span<const char>(record.directory)
                                                        : std::span<const char>(defaultDir));
  if (!record.success && record.error != 0) {
    char message[64] = "FileSelector error: ";
    Decode::Integer(record.error, message, 0);
    Alert::OK(message);
  }
  Mouse::SetCursorShape(cursor);
  return record.success;
}

bool FindMatch(std::span<const char> name, std::span<const char> pattern) {
  const int n = Strings::Length(name);
  const int m = Strings::Length(pattern);
  if (n == 0 || m == 0) return false;
  int i = 0;
  int j = 0;
  for (;;) {
    const char p = Capital(pattern[j]);
    if (p == '*') {
      if (j == m - 1) return true;
      ++j;
      while (pattern[j] == '?') {
        ++i;
        ++j;
        if (j == m) return i == n;
        if (i == n) return j == m - 1 && pattern[j] == '*';
      }
      const char next = Capital(pattern[j]);
      while (i < n && Capital(name[i]) != next && name[i] != '.') ++i;
      if (i == n) return false;
    } else if (p != '?' && p != Capital(name[i])) {
      return false;
    }
    ++i;
    ++j;
    if (j == m) return i == n;
    if (i == n) return pattern[j] == '*' || pattern[j] == '?';
  }
}

void DecodeFreeSpace(double bytes, std::span<char> text) {
  Strings::Assign(text, "");
  if (bytes >= 1000.0) {
    char number[32] = "";
    Decode::Engineering(bytes, number, 6);
    constexpr int kPrefix = 5;
    if (Strings::Length(number) > kPrefix) {
      const char prefix = number[kPrefix];
      number[kPrefix] = ' ';
      number[kPrefix + 1] = prefix;
      number[kPrefix + 2] = 'B';
      number[kPrefix + 3] = '\0';
    } else {
      Strings::Concat(number, " B");
    }
    Strings::Concat(text, number);
  } else {
    Decode::Integer(static_cast<std::int32_t>(bytes), text, 0);
    Strings::Concat(text, " B");
  }
  Strings::Concat(text, " free");
}

void PushChoice(std::span<const char> path) {
  Choices().emplace_back(path.data(), static_cast<std::size_t>(Strings::Length(path)));
}

void ClearChoices() { Choices().clear(); }

}  // namespace FileSelect
