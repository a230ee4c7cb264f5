// Tests against our stand-in for the closed board library: the library is
// loaded by the program's own loader (through MERETH_ZRV_LIBRARY), its
// boards are fresh, and the platform clock is virtual, so that the boards
// sample only as far as the test moves time on (Platform::Advance).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "sim/ZRVLibrary/ZRVSim.h"

class ZRVStandIn : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  static ZRVSimBoardState Board(std::int32_t family);
  static ZRVSimSettings Settings(std::int32_t family);
  static void Configure(std::int32_t family, const ZRVSimSettings& settings);
};

// The bytes of a record, for comparing with a layout built by hand.
template <typename Record>
std::vector<std::uint8_t> BytesOf(const Record& record) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
  return {bytes, bytes + sizeof record};
}

// A little-endian record of n bytes, zero but for the fields put in it.
class Layout {
 public:
  explicit Layout(std::size_t size) : _bytes(size, 0) {}
  Layout& Int16(std::size_t offset, std::int16_t value);
  Layout& Int32(std::size_t offset, std::int64_t value);
  Layout& Double(std::size_t offset, double value);
  Layout& Pointer(std::size_t offset, const void* value);
  const std::vector<std::uint8_t>& bytes() const { return _bytes; }

 private:
  Layout& Put(std::size_t offset, std::uint64_t value, std::size_t width);
  std::vector<std::uint8_t> _bytes;
};
