#include "sim/SimRackFile.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <string_view>

#include "sim/amplifier/AmplifierRackKeys.h"

namespace SimRackFile {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool SetNumber(std::string_view text, int lowest, int highest, int& number) {
  int parsed = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return false;
  if (parsed < lowest || parsed > highest) return false;
  number = parsed;
  return true;
}

bool SetKey(Config& config, std::string_view key, std::string_view value) {
  if (key.starts_with("tlv6.")) return Tlv6Sim::SetKey(config.tlv6, key, value);
  if (key == "qrn55.units") return SetNumber(value, 0, AmplifierRackConfig::kMaxRacks, config.qrn55.units);
  if (key == "qrn55.firmware") return SetNumber(value, 1, 255, config.qrn55.firmware);
  return SetRackKey(config.rack, key, value);
}

}  // namespace

bool Load(const std::string& path, Config& config, std::string& error) {
  std::ifstream file(path);
  if (!file) {
    error = "cannot read " + path;
    return false;
  }
  Config changed = config;
  std::string line;
  for (int number = 1; std::getline(file, line); ++number) {
    const std::string_view text = Trim(line);
    if (text.empty() || text.front() == '#') continue;
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos ||
        !SetKey(changed, Trim(text.substr(0, equals)), Trim(text.substr(equals + 1)))) {
      error = "line " + std::to_string(number) + ": " + std::string(text);
      return false;
    }
  }
  if (file.bad()) {
    error = "cannot read " + path;
    return false;
  }
  config = std::move(changed);
  return true;
}

}  // namespace SimRackFile
