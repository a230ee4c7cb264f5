#include "foundation/Load.h"

#include <algorithm>
#include <string>

#include "foundation/IOBase.h"
#include "foundation/IOBytes.h"

namespace Load {

namespace {

constexpr int kUnsuitable = -1;
constexpr char kTemporary[] = "Load.tmp";

int CloseKeeping(IOBytes::FileHandle& handle, int code) {
  IOBytes::Close(handle);
  return code;
}

// The file into the buffer's block: its length, or a code below 0.
std::int32_t DoBlock(std::span<const char> name, BlowFish::KeyRecord* key,
                     Buffer::NamedBuffer buffer) {
  int organisation = 0;
  void* header = nullptr;
  std::int32_t size = 0;
  Buffer::GetHeader(buffer, organisation, header, size);
  if (organisation != Buffer::kSingleBlock || header != nullptr) return kUnsuitable;
  IOBytes::FileHandle handle;
  if (!IOBytes::Open(name, key, IOBytes::ModeRead, handle)) return IOBase::Result;
  std::int32_t length = 0;
  if (!IOBytes::GetLength(handle, length)) return CloseKeeping(handle, IOBase::Result);
  if (length > 0) {
    void* block = nullptr;
    Buffer::AllocateBlock(buffer, length, block);
    if (block == nullptr) return CloseKeeping(handle, kUnsuitable);
    // The block is rounded up; its users need the file's own length.
    Buffer::SetHeader(buffer, block, length);
    std::int32_t count = length;
    if (!IOBytes::Read(handle, count, block)) return CloseKeeping(handle, IOBase::Result);
  }
  if (!IOBytes::Close(handle)) return IOBase::Result;
  return length;
}

bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

}  // namespace

int Block(std::span<const char> name, BlowFish::KeyRecord* key, Buffer::NamedBuffer buffer) {
  return std::min(DoBlock(name, key, buffer), 0);
}

int Text(std::span<const char> name, BlowFish::KeyRecord* key, BufferText::TextBuffer buffer,
         std::int32_t maxLength, bool wrap) {
  if (Buffer::GetOrganization(buffer) != Buffer::kText || BufferText::RecordCount(buffer) != 0) {
    return kUnsuitable;
  }
  Buffer::NamedBuffer temporary = Buffer::Create(kTemporary, Buffer::kSingleBlock);
  if (temporary == nullptr) return kUnsuitable;
  const std::int32_t result = DoBlock(name, key, temporary);
  if (result > 0) {
    int organisation = 0;
    void* block = nullptr;
    std::int32_t size = 0;
    Buffer::GetHeader(temporary, organisation, block, size);
    BlockToText({static_cast<const char*>(block), static_cast<std::size_t>(size)}, buffer,
                maxLength, wrap);
    Buffer::Delete(temporary);
    BufferText::SetModified(buffer, false);
    return 0;
  }
  Buffer::Delete(temporary);
  return result;
}

bool BlockToText(std::span<const char> characters, BufferText::TextBuffer buffer,
                 std::int32_t maxLength, bool wrap) {
  if (characters.data() == nullptr || Buffer::GetOrganization(buffer) != Buffer::kText) {
    return false;
  }
  // At least one character per record, whatever the caller asks, so that
  // every break makes progress.
  const std::size_t limit =
      static_cast<std::size_t>(std::max(1, wrap ? maxLength / 2 - 1 : maxLength - 1));
  std::string line;
  auto emit = [&](std::size_t count) {
    BufferText::AppendChars(buffer, {line.data(), count});
    line.erase(0, count);
  };
  for (std::size_t i = 0; i < characters.size(); ++i) {
    const char c = characters[i];
    if (IsLineEnd(c)) {
      emit(line.size());
      if (c == '\r' && i + 1 < characters.size() && characters[i + 1] == '\n') ++i;
      continue;
    }
    if (c == 0) continue;
    // A line is broken only when a character beyond the limit arrives, so a
    // line of exactly the limit keeps its own line end.
    if (line.size() == limit) {
      std::size_t cut = limit;
      if (wrap) {
        const std::size_t last = line.find_last_of(" \\");
        if (last != std::string::npos && last >= 2) cut = last + 1;
      }
      emit(cut);
    }
    line.push_back(c);
  }
  if (!line.empty()) emit(line.size());
  return true;
}

}  // namespace Load
