#include "shell/ScrapUtil.h"

#include "platform/Scrap.h"

#include <string>
#include <vector>

namespace ScrapUtil {

namespace {

constexpr char kPasteBuffer[] = "Edit.Paste";
constexpr char kLineEnd = '\r';

}  // namespace

BufferText::TextBuffer GetPasteBuffer() {
  std::int32_t size = 0;
  if (Scrap::GetScrapFlavorSize(Scrap::kText, size) != Scrap::kNoErr) return Buffer::Lookup(kPasteBuffer);
  std::vector<char> text(static_cast<std::size_t>(size));
  if (Scrap::GetScrapFlavorData(Scrap::kText, text, size) != Scrap::kNoErr) return Buffer::Lookup(kPasteBuffer);
  BufferText::TextBuffer paste = Buffer::Create(kPasteBuffer, Buffer::kText);
  std::string line;
  for (std::int32_t i = 0; i <= size; ++i) {
    if (i < size && text[static_cast<std::size_t>(i)] != kLineEnd) {
      line.push_back(text[static_cast<std::size_t>(i)]);
      continue;
    }
    // A last line without its line end still counts; a trailing line end adds none.
    if (i < size || !line.empty()) BufferText::Append(paste, std::span<const char>(line.c_str(), line.size() + 1));
    line.clear();
  }
  return paste;
}

void PutPasteBuffer() {
  BufferText::TextBuffer paste = Buffer::Lookup(kPasteBuffer);
  if (paste == nullptr) return;
  std::string text;
  const std::int32_t count = BufferText::RecordCount(paste);
  for (std::int32_t n = 1; n <= count; ++n) {
    std::vector<char> line(static_cast<std::size_t>(BufferText::RecordLength(paste, n)) + 1);
    BufferText::Get(paste, n, line);
    if (n > 1) text.push_back(kLineEnd);
    text.append(line.data());
  }
  if (Scrap::ClearCurrentScrap() != Scrap::kNoErr) return;
  Scrap::PutScrapFlavor(Scrap::kText, text);
}

}  // namespace ScrapUtil
