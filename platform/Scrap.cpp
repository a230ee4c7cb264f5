#include "platform/Scrap.h"

#include "platform/Backend.h"
#include "platform/MacRoman.h"

#include <algorithm>
#include <map>
#include <string>

namespace Scrap {

namespace {

std::map<FlavorType, std::string> held;
int injected = kNoErr;
int callsBeforeInjected = 0;

// The injected failure of this call, if any.
int Injected() {
  if (injected == kNoErr) return kNoErr;
  if (callsBeforeInjected > 0) {
    --callsBeforeInjected;
    return kNoErr;
  }
  const int code = injected;
  injected = kNoErr;
  return code;
}

const Backend::Ops* SystemClipboard() {
  const Backend::Ops* b = Backend::Current();
  return b != nullptr && b->getClipboardText != nullptr && b->setClipboardText != nullptr ? b : nullptr;
}

std::string ToSystem(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '\0') continue;
    out.push_back(c == '\r' ? '\n' : c);
  }
  return MacRoman::ToUtf8(out);
}

std::string FromSystem(const std::string& utf8) {
  std::string chars;
  // With a stand-in for what the set lacks the conversion cannot fail.
  MacRoman::FromUtf8(utf8, chars, '?');
  std::string out;
  for (std::size_t i = 0; i < chars.size(); ++i) {
    if (chars[i] == '\r' && i + 1 < chars.size() && chars[i + 1] == '\n') continue;
    out.push_back(chars[i] == '\n' ? '\r' : chars[i]);
  }
  return out;
}

// The flavour's bytes; false when the clipboard has none of it.
bool Read(FlavorType type, std::string& data) {
  if (type == kText) {
    if (const Backend::Ops* b = SystemClipboard()) {
      std::string utf8;
      if (!b->getClipboardText(utf8) || utf8.empty()) return false;
      data = FromSystem(utf8);
      return true;
    }
  }
  const auto it = held.find(type);
  if (it == held.end()) return false;
  data = it->second;
  return true;
}

}  // namespace

int ClearCurrentScrap() {
  if (const int e = Injected(); e != kNoErr) return e;
  if (const Backend::Ops* b = SystemClipboard(); b != nullptr && !b->setClipboardText(std::string())) {
    return kSystemScrapErr;
  }
  held.clear();
  return kNoErr;
}

int GetCurrentScrap() { return Injected(); }

int PutScrapFlavor(FlavorType type, std::span<const char> data) {
  if (const int e = Injected(); e != kNoErr) return e;
  const std::string bytes(data.data(), data.size());
  if (const Backend::Ops* b = SystemClipboard(); b != nullptr && type == kText) {
    return b->setClipboardText(ToSystem(bytes)) ? kNoErr : kSystemScrapErr;
  }
  held[type] = bytes;
  return kNoErr;
}

int GetScrapFlavorSize(FlavorType type, std::int32_t& size) {
  size = 0;
  if (const int e = Injected(); e != kNoErr) return e;
  std::string data;
  if (!Read(type, data)) return kNoTypeErr;
  size = static_cast<std::int32_t>(data.size());
  return kNoErr;
}

int GetScrapFlavorData(FlavorType type, std::span<char> data, std::int32_t& size) {
  if (const int e = Injected(); e != kNoErr) {
    size = 0;
    return e;
  }
  std::string bytes;
  if (!Read(type, bytes)) {
    size = 0;
    return kNoTypeErr;
  }
  const std::size_t n = std::min({bytes.size(), data.size(), static_cast<std::size_t>(std::max(0, size))});
  std::copy_n(bytes.begin(), n, data.begin());
  size = static_cast<std::int32_t>(n);
  return kNoErr;
}

void FailNextCall(int code, int callsBefore) {
  injected = code;
  callsBeforeInjected = callsBefore;
}

void InitModule() {
  held.clear();
  injected = kNoErr;
}

}  // namespace Scrap
