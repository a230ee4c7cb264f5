// libFuzzer target: any bytes as a PK scale image (its first 1,024 bytes)
// and as one or two "K5STATE" records, in both byte orders. An accepted
// scale holds only finite reals; every state read has its index fields in
// range; whatever is read is written and read back to the same bytes. The
// input is copied to a buffer of its exact size, so a read past it fails.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "potentiostat/K5EEPROM.h"
#include "potentiostat/K5Scale.h"
#include "potentiostat/PKTypes.h"

namespace {

using K5Scale::PKScaleRecord;
using ScaleImage = std::array<std::uint8_t, K5EEPROM::ScaleImageSize>;

void Require(bool condition) {
  if (!condition) std::abort();
}

// The record's reals, in the runs they lie in.
bool AllFinite(const PKScaleRecord& r) {
  const std::span<const double> runs[] = {
      {&r.MuxGain, &r.CoAmpOffsetPerUnit + 1},
      {&r.CurrentOutFactor[0], &r.CurrentOutOffset[11] + 1},
      {&r.VoltageOutFactor[0], &r.VoltageOutOffset[3] + 1},
      {&r.SubtrDacFactor[0][0], &r.SubtrDacOffset + 1},
  };
  for (const auto run : runs) {
    for (const double x : run) {
      if (!std::isfinite(x)) return false;
    }
  }
  return true;
}

void Scale(std::span<const std::uint8_t> input) {
  if (input.size() < K5EEPROM::ScaleImageSize) return;
  ScaleImage image;
  std::memcpy(image.data(), input.data(), image.size());
  PKScaleRecord record{};
  std::string message;
  if (!K5EEPROM::UnpackScale(image, record, message)) return;
  Require(AllFinite(record));
  ScaleImage written{};
  K5EEPROM::PackScale(record, written);
  PKScaleRecord again{};
  Require(K5EEPROM::UnpackScale(written, again, message));
  ScaleImage rewritten{};
  K5EEPROM::PackScale(again, rewritten);
  Require(rewritten == written);
}

// What a reader makes of a blank record: a record the input does not reach
// keeps this, so the round trip starts from a state a reader can give back.
PKTypes::PKState BlankRecordAsRead() {
  const std::vector<std::uint8_t> blank(K5EEPROM::StateRecordSize);
  PKTypes::PKState read[2] = {};
  K5EEPROM::FileToState(blank, read, false, false);
  return read[0];
}

void States(std::span<const std::uint8_t> input, bool swap) {
  static const PKTypes::PKState blank = BlankRecordAsRead();
  PKTypes::PKState states[2] = {blank, blank};
  K5EEPROM::FileToState(input, states, swap, true);
  for (const PKTypes::PKState& s : states) {
    Require(s.ActiveAmplifier <= 1 && s.AmplMode <= 1 && s.Feedback <= 2 && s.ScaleRange <= 11 &&
            s.VoltageOutputAmplifierGain <= 3 && s.StimInScale <= 3);
  }
  std::vector<std::uint8_t> written(2 * K5EEPROM::StateRecordSize);
  K5EEPROM::StateToFile(states, written, true);
  PKTypes::PKState again[2] = {};
  K5EEPROM::FileToState(written, again, false, true);
  std::vector<std::uint8_t> rewritten(written.size());
  K5EEPROM::StateToFile(again, rewritten, true);
  Require(rewritten == written);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> input(data, data + size);
  Scale(input);
  States(input, false);
  States(input, true);
  return 0;
}
