#pragma once

// Stored PK records made by hand: the default scale record's EEPROM image
// from its offset listing (independent of the module's field walk), its
// byte-reversed form, and a state record with a value of its own in every
// stored field.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <span>

#include "foundation/tests/Console_fixture.h"
#include "potentiostat/K5EEPROM.h"
#include "potentiostat/K5Scale.h"
#include "potentiostat/PKTypes.h"

using ScaleImage = std::array<std::uint8_t, K5EEPROM::ScaleImageSize>;

template <typename T>
T LoadHost(std::span<const std::uint8_t> bytes, std::size_t at) {
  T value;
  std::memcpy(&value, bytes.data() + at, sizeof value);
  return value;
}

template <typename T>
void StoreHost(std::span<std::uint8_t> bytes, std::size_t at, T value) {
  std::memcpy(bytes.data() + at, &value, sizeof value);
}

// K5Scale::InitModule's record (no serial number, version 0) in this
// machine's byte order, with its check value.
ScaleImage GoldenDefaultScaleImage();
// The image as a machine of the other byte order writes it.
ScaleImage OtherOrder(const ScaleImage& image);
// K5EEPROM::PackScale of a copy.
ScaleImage Packed(K5Scale::PKScaleRecord record);

// Amplifier n's record with every stored field set, index fields in range.
PKTypes::PKState DistinctState(int n);
// Every stored field read back as written (the bandwidths stored as single
// precision), the name rebuilt from the version and the fields that are not
// stored 0.
void ExpectStoredFieldsEqual(const PKTypes::PKState& read, const PKTypes::PKState& written);
