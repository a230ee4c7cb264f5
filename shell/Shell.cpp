#include "shell/Shell.h"

#include "foundation/Buffer.h"
#include "foundation/Strings.h"

namespace Shell {

BufferText::TextBuffer List = nullptr;
char ListTitle[32] = "";
Graphics::GraphicsWindow RootWindow = nullptr;

namespace {

constexpr std::int32_t kListLines = 20000;

}  // namespace

void Initialize() {
  const Buffer::NamedBuffer shell = Buffer::Create("/Shell", Buffer::kDirectory);
  const Buffer::NamedBuffer previous = Buffer::GetDefaultDirectory();
  Buffer::SetDefaultDirectory(shell);
  List = shell == nullptr ? nullptr : Buffer::Create("List", Buffer::kText);
  Strings::Assign(ListTitle, "List");
  BufferText::SetMaxRecords(List, kListLines);
  Buffer::SetDefaultDirectory(previous);
  Buffer::SetDefaultDirectory(Buffer::Create("/User", Buffer::kDirectory));
}

}  // namespace Shell
