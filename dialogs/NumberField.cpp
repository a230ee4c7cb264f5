#include "dialogs/NumberField.h"

#include "foundation/Encode.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string_view>

namespace NumberField {

namespace {

std::string_view Trimmed(std::span<const char> text) {
  std::string_view s(text.data(), static_cast<std::size_t>(std::find(text.begin(), text.end(), '\0') - text.begin()));
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

}  // namespace

bool ReadInteger(std::span<const char> text, std::int32_t& value) {
  std::string_view digits = Trimmed(text);
  if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) digits.remove_prefix(1);
  if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; })) {
    return false;
  }
  std::int32_t read = 0;
  if (Encode::Integer(text, read) >= 0) return false;
  value = read;
  return true;
}

bool ReadReal(std::span<const char> text, double& value) {
  double read = 0.0;
  if (Encode::Engineering(text, read) >= 0 || !std::isfinite(read)) return false;
  value = read;
  return true;
}

}  // namespace NumberField
