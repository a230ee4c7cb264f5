#include "foundation/platform/RealText.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace Platform {

namespace {

// Formats straight into the destination; only a text longer than the
// destination needs a second, full-size pass, since snprintf would put its
// NUL where the last kept character belongs.
void FormatReal(const char* format, int precision, double x, std::span<char> text) {
  if (text.empty()) return;
  const int length = std::snprintf(text.data(), text.size(), format, precision, x);
  std::size_t kept = 0;
  if (length > 0 && static_cast<std::size_t>(length) < text.size()) {
    kept = static_cast<std::size_t>(length);
  } else if (length > 0) {
    std::string full(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(full.data(), full.size(), format, precision, x);
    kept = text.size();
    std::memcpy(text.data(), full.data(), kept);
  }
  std::memset(text.data() + kept, 0, text.size() - kept);
}

}  // namespace

void StrToReal(const char* text, double& value, int& code) {
  errno = 0;
  if (text == nullptr || text[0] == '\0') {
    code = 3;
    return;
  }
  char* end = nullptr;
  value = std::strtod(text, &end);
  if (*end != '\0') {
    code = 2;
  } else if (errno == ERANGE) {
    code = 1;
  } else {
    code = 0;
  }
}

void RealToFloat(double x, int digits, std::span<char> text) {
  FormatReal("%.*E", std::max(digits, 0) - 1, x, text);
}

void RealToFixed(double x, int decimals, std::span<char> text) {
  FormatReal("%.*f", decimals, x, text);
}

}  // namespace Platform
