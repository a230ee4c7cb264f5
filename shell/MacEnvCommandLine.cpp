#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "shell/Shell.h"
#include "shell/MacEnv.h"

#include <cstdio>
#include <cstring>

namespace MacEnv {

char CommandLine[kCommandLineSize] = "";
int LeftOutArguments = 0;
int RefusedDocuments = 0;

namespace {

constexpr int kUsable = kCommandLineSize - 1;
constexpr int kMaxPath = 255;
constexpr int kMaxResult = 255;

// Appends separator, '"', text, '"' when the whole fits.
bool AppendQuoted(std::span<const char> separator, std::span<const char> text) {
  const int length = Strings::Length(CommandLine);
  const int needed = Strings::Length(separator) + Strings::Length(text) + 2;
  if (length + needed > kUsable) return false;
  Strings::Concat(CommandLine, separator);
  Strings::Concat(CommandLine, "\"");
  Strings::Concat(CommandLine, text);
  Strings::Concat(CommandLine, "\"");
  return true;
}

}  // namespace

void BuildCommandLine(int argc, char** argv) {
  Strings::Clear(CommandLine);
  LeftOutArguments = 0;
  RefusedDocuments = 0;
  for (int i = 1; i < argc; ++i) {
    const std::span<const char> argument(argv[i], std::strlen(argv[i]) + 1);
    // Once one argument is left out the later ones are too, so that no
    // argument is taken for the one that follows a key.
    if (LeftOutArguments > 0 || !AppendQuoted(i == 1 ? std::span<const char>("") : ", ", argument)) ++LeftOutArguments;
  }
}

void AppendDocument(std::span<const char> path) {
  if (Strings::Length(path) > kMaxPath) {
    ++RefusedDocuments;
  } else if (!AppendQuoted(Strings::Length(CommandLine) == 0 ? std::span<const char>("") : ",", path)) {
    ++LeftOutArguments;
  }
  // Documents given at launch arrive before the console exists; start-up
  // reports them once it does.
  if (Shell::List != nullptr) ReportCommandLine();
}

void ReportCommandLine() {
  char line[120];
  if (RefusedDocuments > 0) {
    std::snprintf(line, sizeof line, "%d document%s not opened: a path is longer than 255 bytes.", RefusedDocuments,
                  RefusedDocuments == 1 ? "" : "s");
    TermIO::WriteLine(line);
  }
  if (LeftOutArguments > 0) {
    std::snprintf(line, sizeof line, "The command line is full: %d argument%s left out.", LeftOutArguments,
                  LeftOutArguments == 1 ? "" : "s");
    TermIO::WriteLine(line);
  }
  RefusedDocuments = 0;
  LeftOutArguments = 0;
}

bool GetFromCommandLine(std::span<char> result, std::span<const char> key) {
  const int keyStart = Strings::SearchCap(CommandLine, key, 0);
  if (keyStart < 0) return false;
  const int keyEnd = keyStart + Strings::Length(key);
  const int length = Strings::Length(CommandLine);
  char collected[kMaxResult + 1] = {};
  int count = 0;
  bool quoted = false;
  const auto give = [&](int characters) {
    collected[characters] = '\0';
    Strings::Assign(result, collected);
    return true;
  };
  for (int i = 0; i < length; ++i) {
    if (i >= kUsable || count >= kMaxResult) return false;
    const char c = CommandLine[i];
    collected[count++] = c;
    if (c == '"') {
      quoted = !quoted;
      if (!quoted && i == keyEnd) return give(count - 1);
      count = 0;
    } else if (!quoted && (c == ',' || c == ' ')) {
      if (i >= keyEnd) return give(count - 1);
      count = 0;
    }
  }
  return !quoted && length == keyEnd && give(count);
}

}  // namespace MacEnv
