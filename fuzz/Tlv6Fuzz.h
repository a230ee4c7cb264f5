// Fuzz entry points of the TLV 6 service tool: firmware file images through
// the loader's checks, and 64-byte replies of the amplifier through the
// reply readers in every phase of the operations. The libFuzzer targets
// (fuzz/Tlv6*_fuzz.cpp) and the test that replays their corpora call the
// same functions.
//
// Beyond not crashing and staying inside memory, each checks what must hold
// for every input and aborts when it does not. FirmwareImage needs the
// buffer heap.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "foundation/GLP.h"
#include "usb_amplifier/Tlv6CommandProtocol.h"
#include "usb_amplifier/Tlv6FirmwareFile.h"

namespace Tlv6Fuzz {

inline void Require(bool condition) {
  if (!condition) std::abort();
}

// The bytes as a firmware file held for an upload; TRUE when accepted.
inline bool FirmwareImage(std::span<const std::uint8_t> data) {
  GLP::Check = false;
  GLP::Enforce = true;
  GLP::CalibExpiry = 30.0;
  Require(Tlv6FirmwareFile::CreateFirmwareBuffer(data.size()));
  Tlv6FirmwareFile::FirmwareBlocks& blocks = *Tlv6FirmwareFile::FirmwareBufferPtr;
  std::copy(data.begin(), data.end(), blocks.image);
  const char* error = Tlv6FirmwareFile::HeldFileError();
  Require(!GLP::Check && GLP::Enforce && GLP::CalibExpiry == 30.0);
  if (error != nullptr) return false;
  // A sound file is exactly header and data, and its blocks cover the data
  // and no more, the bytes past the data zero.
  Require(data.size() > 282);
  const std::size_t dataSize = data.size() - 282;
  Require(blocks.blockCount == (dataSize + 31) / 32);
  const std::size_t padded = std::size_t{blocks.blockCount} * 32;
  Require(std::all_of(blocks.data + dataSize, blocks.data + padded, [](std::uint8_t b) { return b == 0; }));
  return true;
}

// The first byte chooses the phase (what is awaited, and whether
// "firmware_reset" may stand in), the next 64 are the reply.
inline void Reply(std::span<const std::uint8_t> data) {
  namespace P = Tlv6CommandProtocol;
  static constexpr std::array<std::string_view, 6> kAwaited = {
      "get_serialno", "firmware_reset", "firmware_write", "set_remote", "set_serialno", ""};
  if (data.empty()) return;
  const std::string_view awaited = kAwaited[data[0] % kAwaited.size()];
  const std::string_view alternative = (data[0] / kAwaited.size()) % 2 != 0 ? "firmware_reset" : "";
  P::Block reply{};
  const std::span<const std::uint8_t> bytes = data.subspan(1, std::min<std::size_t>(data.size() - 1, 64));
  std::transform(bytes.begin(), bytes.end(), reply.begin(), [](std::uint8_t b) { return static_cast<char>(b); });
  const std::string_view text = P::Text(reply);

  if (P::Acknowledges(reply, awaited, alternative)) {
    const std::string_view word = text.substr(0, std::min(text.find(' '), text.size()));
    Require(word.size() == awaited.size() && !word.empty());
  }
  std::uint16_t crc = 0;
  if (P::ReadWriteCrc(reply, crc)) {
    Require(text.size() > 14);
    const std::size_t digits = text.find_first_of("0123456789", 14);
    Require(digits != std::string_view::npos);
    const std::size_t end = std::min(text.find_first_not_of("0123456789", digits), text.size());
    Require(end - digits <= 5);
  }
  const P::SerialReply serial = P::ReadSerial(reply);
  const std::string_view number(serial.serial);
  Require(number.size() <= 6 && (text.size() <= 13 || text.substr(13).starts_with(number)));
  Require(serial.letter == 0 || (text.size() > 19 && serial.letter == text[19]));
  if (P::SerialIsValid(number, serial.letter)) {
    Require(number.size() == 6 && number.starts_with("80") && serial.letter >= 'C' && serial.letter <= 'Z');
  }
  char trace[80] = "";
  P::TraceText(reply, trace);
  Require(std::string_view(trace).find(P::kServicePassword) == std::string_view::npos ||
          !text.starts_with(P::kSetPasswordWord));
}

}  // namespace Tlv6Fuzz
