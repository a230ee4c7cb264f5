#include "foundation/Store.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "foundation/IOBase.h"
#include "foundation/IOBytes.h"

namespace Store {

namespace {

constexpr int kUnsuitable = -1;
constexpr char kTemporary[] = "Store.tmp";

}  // namespace

int Block(Buffer::NamedBuffer buffer, std::span<const char> name, BlowFish::KeyRecord* key) {
  int organisation = 0;
  void* block = nullptr;
  std::int32_t size = 0;
  Buffer::GetHeader(buffer, organisation, block, size);
  if (organisation != Buffer::kSingleBlock) return kUnsuitable;
  if (block == nullptr) size = 0;
  return IOBytes::SaveFile(name, key, std::max(size, 0), block) ? 0 : IOBase::Result;
}

bool TextToBlock(BufferText::TextBuffer buffer, std::int32_t first, Buffer::NamedBuffer& temporary,
                 char*& block, std::int32_t& count) {
  temporary = nullptr;
  block = nullptr;
  count = 0;
  if (Buffer::GetOrganization(buffer) != Buffer::kText) return false;
  char lineEnd[3];
  int lineEndLength = 0;
  IOBase::LineEndMode_To_LineEndChars(lineEnd, lineEndLength);
  const std::int32_t records = BufferText::RecordCount(buffer);
  first = std::max(first, 1);
  std::int64_t size = 0;
  for (std::int32_t n = first; n <= records; ++n) {
    size += BufferText::RecordLength(buffer, n) + lineEndLength;
  }
  if (size > std::numeric_limits<std::int32_t>::max()) return false;
  temporary = Buffer::Create(kTemporary, Buffer::kSingleBlock);
  if (temporary == nullptr) return false;
  if (size == 0) return true;
  void* memory = nullptr;
  Buffer::AllocateBlock(temporary, static_cast<std::int32_t>(size), memory);
  if (memory == nullptr) {
    Buffer::Delete(temporary);
    return false;
  }
  char* out = static_cast<char*>(memory);
  std::int32_t at = 0;
  for (std::int32_t n = first; n <= records; ++n) {
    const std::int32_t length = BufferText::RecordLength(buffer, n);
    if (length > 0) BufferText::Get(buffer, n, {out + at, static_cast<std::size_t>(length)});
    at += length;
    std::memcpy(out + at, lineEnd, static_cast<std::size_t>(lineEndLength));
    at += lineEndLength;
  }
  block = out;
  count = at;
  return true;
}

int Text(BufferText::TextBuffer buffer, std::span<const char> name, BlowFish::KeyRecord* key) {
  Buffer::NamedBuffer temporary = nullptr;
  char* block = nullptr;
  std::int32_t count = 0;
  if (!TextToBlock(buffer, 1, temporary, block, count)) return kUnsuitable;
  const bool saved = IOBytes::SaveFile(name, key, count, block);
  const std::int16_t code = IOBase::Result;
  Buffer::Delete(temporary);
  if (!saved) return code;
  BufferText::SetModified(buffer, false);
  return 0;
}

}  // namespace Store
