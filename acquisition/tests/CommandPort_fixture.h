// What the amplifier's lines of a simulated board carry, as an amplifier
// would see it. The recorder wires the board like its loopback (digital
// inputs read the outputs of the same name; analog inputs 0 V on the
// ZRV boards, the unit's own loopback on the QRN 5+5) and keeps the
// samples of rack 1's TLV lines (output 9) and user lines (output 8), each
// run of one value as one sample.
//
// A word latches where a sample with the strobe (bit 14) low and the port
// select (bit 15) high follows one with the strobe high: Words decodes
// them from the TLV lines, bits 0-13 (address and data) of each.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "acquisition/tests/Measurement_fixture.h"
#include "sim/QRN55SimLoopback.h"
#include "sim/QRN55SimWiring.h"
#include "sim/ZRVLibrary/ZRVSimWiring.h"

class CommandPortRecorder final : public ZRVSimWiring, public QRN55SimWiring {
 public:
  void Sample(const ZRVSimOutputs& outputs, ZRVSimInputs& inputs) override;
  void Frame(const QRN55SimOutputs& outputs, QRN55SimInputs& inputs) override;

  std::vector<std::uint16_t> TlvSamples() const;
  std::vector<std::uint16_t> UserSamples() const;
  // The positions in TlvSamples of the samples that latched a word.
  std::vector<std::size_t> LatchPositions() const;
  std::vector<std::uint16_t> Words() const;
  // Forgets what was seen; the lines keep their present value as the start.
  void Clear();

 private:
  void Record(std::uint16_t tlv, std::uint16_t user);

  mutable std::mutex mutex_;
  std::vector<std::uint16_t> tlv_;
  std::vector<std::uint16_t> user_;
  QRN55SimLoopback qrn55Loopback_;
};

// The board of the parameter open, its amplifier lines recorded.
class CommandPortTest : public SimulatedBoardTest {
 protected:
  void UseWiring() override { SetWiring(&recorder_, &recorder_); }

  CommandPortRecorder recorder_;
};

// The samples VrnlBoards holds queued, and the word its port rests at.
std::vector<std::uint16_t> QueuedSamples();
std::uint16_t CacheRestWord();

// (address, data) as the word's bits 0-13.
constexpr std::uint16_t Word(std::int32_t address, std::int32_t data) {
  return static_cast<std::uint16_t>((address << 8) | data);
}
