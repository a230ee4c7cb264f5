#include "calibration/ProtocolNotebook.h"

#include <string>
#include <vector>

#include "dialogs/Alert.h"
#include "foundation/BufferText.h"
#include "foundation/IOBytes.h"
#include "foundation/IOFiles.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "shell/Shell.h"

namespace ProtocolNotebook {

namespace {

constexpr int kNameSize = 256;

// The file read this run and the text it held then.
char readName[kNameSize] = {};
std::string earlier;

bool ReadEarlier(std::span<const char> name) {
  std::int32_t length = 0;
  std::string text;
  if (IOFiles::Lookup(name, length) && length > 0) {
    text.resize(static_cast<std::size_t>(length));
    std::int32_t count = length;
    if (!IOBytes::LoadFile(name, nullptr, count, text.data()) || count != length) {
      char message[kNameSize + 32] = "Cannot read the protocol file ";
      Strings::Concat(message, name);
      Alert::IOError(message);
      return false;
    }
  }
  earlier = std::move(text);
  Strings::Assign(readName, name);
  return true;
}

std::string NotebookText() {
  TermIO::Flush();
  std::string text;
  const std::int32_t count = BufferText::RecordCount(Shell::List);
  std::vector<char> line;
  for (std::int32_t n = 1; n <= count; ++n) {
    line.assign(static_cast<std::size_t>(BufferText::RecordLength(Shell::List, n)) + 1, 0);
    BufferText::Get(Shell::List, n, line);
    text += line.data();
    text += '\n';
  }
  return text;
}

}  // namespace

void InitModule() {
  Strings::Clear(readName);
  earlier.clear();
}

bool Save(std::span<const char> name) {
  if (!Strings::Equal(readName, name) && !ReadEarlier(name)) return false;
  const std::string text = earlier + NotebookText();
  if (IOBytes::SaveFile(name, nullptr, static_cast<std::int32_t>(text.size()), text.data())) return true;
  char message[kNameSize + 32] = "Error saving the protocol file ";
  Strings::Concat(message, name);
  Alert::IOError(message);
  return false;
}

}  // namespace ProtocolNotebook
