#include "dialogs/FileSelect.h"

#include <cstdio>
#include <deque>
#include <string>

#include "foundation/IOBase.h"
#include "foundation/Strings.h"

namespace FileSelect {

namespace {

std::deque<std::string>& Choices() {
  static std::deque<std::string> choices;
  return choices;
}

}  // namespace

void Initialize() {}
void Shutdown() {}

bool Select(std::span<char> name, std::span<const char> filter, int mode,
            std::span<const char> prompt) {
  std::fprintf(stderr, "%.*s (%.*s) -> ", Strings::Length(prompt), prompt.data(),
               Strings::Length(filter), filter.data());
  std::deque<std::string>& choices = Choices();
  if (choices.empty()) {
    std::fputs("cancelled\n", stderr);
    return false;
  }
  const std::string chosen = choices.front();
  choices.pop_front();
  std::fprintf(stderr, "%s\n", chosen.c_str());
  Strings::Assign(name, std::span<const char>(chosen.c_str(), chosen.size() + 1));
  if ((mode & ModeSetDirectory) != 0) {
    char directory[256] = "";
    IOBase::ExtractPath(name, directory);
    IOBase::SetDirectory(directory);
  }
  return true;
}

void PushChoice(std::span<const char> path) {
  Choices().emplace_back(path.data(), static_cast<std::size_t>(Strings::Length(path)));
}

void ClearChoices() { Choices().clear(); }

}  // namespace FileSelect
