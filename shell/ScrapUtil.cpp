#include "shell/ScrapUtil.h"

#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "platform/Scrap.h"
#include "shell/Graphics.h"

#include <memory>
#include <new>
#include <string>
#include <vector>

namespace ScrapUtil {

char gErrorText[80] = "";

namespace {

constexpr char kPasteBuffer[] = "Edit.Paste";
constexpr char kLineEnd = '\r';
constexpr char kLineFeed = '\n';
// The platform's answer when memory runs out.
constexpr int kMemFullErr = -108;

void Report(std::span<const char> message, int error) {
  Strings::Assign(gErrorText, message);
  TermIO::WriteString(gErrorText);
  TermIO::WriteInt(error, 12);
  TermIO::WriteLn();
}

void AppendLine(BufferText::TextBuffer paste, std::string& line) {
  BufferText::Append(paste, std::span<const char>(line.c_str(), line.size() + 1));
  line.clear();
}

// The records of the clipboard text (see the header for the rule).
void SplitInto(BufferText::TextBuffer paste, std::span<const char> text) {
  std::string line;
  bool closedAtLimit = false;  // the last line was closed at the limit
  for (const char c : text) {
    if (c == kLineFeed) continue;
    if (c == kLineEnd) {
      if (!closedAtLimit) AppendLine(paste, line);
      closedAtLimit = false;
      continue;
    }
    closedAtLimit = false;
    line.push_back(c);
    if (line.size() == static_cast<std::size_t>(kLineLimit)) {
      AppendLine(paste, line);
      closedAtLimit = true;
    }
  }
  if (!closedAtLimit) AppendLine(paste, line);
}

std::string TextOf(BufferText::TextBuffer paste) {
  const std::int32_t count = paste == nullptr ? 0 : BufferText::RecordCount(paste);
  if (count == 0) return std::string(1, '\0');
  std::string text;
  for (std::int32_t n = 1; n <= count; ++n) {
    std::vector<char> line(static_cast<std::size_t>(BufferText::RecordLength(paste, n)) + 1);
    BufferText::Get(paste, n, line);
    text.append(line.data());
    if (n < count) text.push_back(kLineEnd);
  }
  return text;
}

}  // namespace

void ClearScrap() { Scrap::ClearCurrentScrap(); }

BufferText::TextBuffer GetPasteBuffer() {
  BufferText::TextBuffer paste = Buffer::Create(kPasteBuffer, Buffer::kText);
  if (paste == nullptr) return nullptr;
  if (const int error = Scrap::GetCurrentScrap(); error != Scrap::kNoErr) {
    Report("ERROR in GetPasteBuffer: GetCurrentScrap failed!", error);
    return paste;
  }
  std::int32_t size = 0;
  if (const int error = Scrap::GetScrapFlavorSize(Scrap::kText, size); error != Scrap::kNoErr) {
    if (error != Scrap::kNoTypeErr) Report("ERROR in GetPasteBuffer: GetScrapFlavorSize failed!", error);
    return paste;
  }
  if (size <= 0) return paste;
  const std::unique_ptr<char[]> block(new (std::nothrow) char[static_cast<std::size_t>(size)]);
  if (block == nullptr) {
    Report("ERROR in GetPasteBuffer: NewHandle failed!", kMemFullErr);
    return paste;
  }
  const std::span<char> text(block.get(), static_cast<std::size_t>(size));
  if (const int error = Scrap::GetScrapFlavorData(Scrap::kText, text, size); error != Scrap::kNoErr) {
    Report("ERROR in GetPasteBuffer: GetScrapFlavorData failed!", error);
    return paste;
  }
  SplitInto(paste, text.first(static_cast<std::size_t>(size)));
  return paste;
}

void PutPasteBuffer() {
  const std::string text = TextOf(Buffer::Lookup(kPasteBuffer));
  if (Scrap::ClearCurrentScrap() != Scrap::kNoErr || Scrap::GetCurrentScrap() != Scrap::kNoErr) return;
  if (const int error = Scrap::PutScrapFlavor(Scrap::kText, text); error != Scrap::kNoErr) {
    Report("ERROR in AddScrapText: PutScrapFlavor failed!", error);
  }
}

void PutPicture() {
  ClearScrap();
  if (Graphics::PictureHandle.empty()) return;
  if (const int error = Scrap::GetCurrentScrap(); error != Scrap::kNoErr) {
    Report("ERROR in AddPicture: GetCurrentScrap failed!", error);
    return;
  }
  const std::span<const char> picture(reinterpret_cast<const char*>(Graphics::PictureHandle.data()),
                                      Graphics::PictureHandle.size());
  if (const int error = Scrap::PutScrapFlavor(Scrap::kPict, picture); error != Scrap::kNoErr) {
    Report("ERROR in AddPicture: PutScrapFlavor failed!", error);
  }
}

}  // namespace ScrapUtil
