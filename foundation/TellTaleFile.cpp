#include "foundation/TellTaleFile.h"

#include <cstdint>

#include "foundation/Encode.h"
#include "foundation/IOBytes.h"
#include "foundation/IOFiles.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"

namespace TellTaleFile {

namespace {

constexpr int kNumberLineSize = 128;

}  // namespace

bool Exists(std::span<const char> name) {
  std::int32_t length = 0;
  if (!IOFiles::Lookup(name, length)) return false;
  char text[256] = "TellTaleFile: \"";
  Strings::Concat(text, name);
  Strings::Concat(text, "\"");
  TermIO::WriteAlertLine(text);
  return true;
}

bool FirstLine(std::span<const char> name, std::span<char> line) {
  Strings::Clear(line);
  IOBytes::FileHandle handle;
  if (line.empty() || !IOBytes::Open(name, nullptr, IOBytes::ModeRead, handle)) return false;
  std::int32_t count = static_cast<std::int32_t>(line.size()) - 1;
  IOBytes::ReadLine(handle, count, line);
  IOBytes::Close(handle);
  line[count] = 0;
  char text[256] = "TellTaleFile: \"";
  Strings::Concat(text, name);
  Strings::Concat(text, "\", \"");
  Strings::Concat(text, line);
  Strings::Concat(text, "\"");
  TermIO::WriteAlertLine(text);
  return true;
}

double Number(std::span<const char> name) {
  double value = 0;
  char line[kNumberLineSize];
  if (FirstLine(name, line)) Encode::Real(line, value);
  return value;
}

}  // namespace TellTaleFile
