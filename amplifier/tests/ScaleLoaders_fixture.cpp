#include "amplifier/tests/ScaleLoaders_fixture.h"

#include <fstream>
#include <iterator>

#include "amplifier/T3ScaleFiles.h"

TestLoader scaleLoader;
TestLoader cFastLoader;

std::int32_t TestLoader::Load(std::span<char> name, std::byte*& address, std::int32_t& length, bool ask) {
  calls.emplace_back(name.data(), ask);
  if (mode == kClaimsWithoutData) return 0;
  std::ifstream in(name.data(), std::ios::binary);
  if (!in) return 1;
  const std::vector<char> content((std::istreambuf_iterator<char>(in)), {});
  bytes.resize(content.size());
  for (std::size_t i = 0; i < content.size(); ++i) bytes[i] = static_cast<std::byte>(content[i]);
  address = bytes.data();
  length = static_cast<std::int32_t>(bytes.size());
  return 0;
}

std::vector<std::string> TestLoader::Names() const {
  std::vector<std::string> names;
  for (const auto& call : calls) names.push_back(call.first + (call.second ? " (ask)" : ""));
  return names;
}

std::int32_t LoadScale(std::span<char> name, std::byte*& address, std::int32_t& length, bool ask) {
  return scaleLoader.Load(name, address, length, ask);
}

std::int32_t LoadCFast(std::span<char> name, std::byte*& address, std::int32_t& length, bool ask) {
  return cFastLoader.Load(name, address, length, ask);
}

namespace {

bool Save(const std::string& name, std::span<const std::byte> file) {
  std::ofstream out(name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  return static_cast<bool>(out);
}

}  // namespace

bool SaveScaleFile(const std::string& name, T3Scale::ScaleRecord record) {
  std::span<std::byte> file;
  return T3ScaleFiles::ScaleToFile(record, file) && Save(name, file);
}

bool SaveCFastFile(const std::string& name, T3Scale::CFastTable table) {
  std::span<std::byte> file;
  return T3ScaleFiles::CFastToFile(table, file) && Save(name, file);
}
