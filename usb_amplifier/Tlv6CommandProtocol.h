// The TLV 6's command protocol: what the program sends and how it reads the
// replies. Every command is one 64-byte HID output report holding a text of
// at most 63 characters, zero-padded; every reply is one 64-byte input
// report whose first word repeats the command's first word, data (if any)
// after one blank. An empty reply (byte 0 NUL) carries nothing.
//
// The one binary command is "firmware_write": the text in bytes 0..13,
// zeros up to byte 31, 32 firmware bytes in bytes 32..63. Its reply is
// "firmware_write", a blank and the decimal CRC-16/ARC the device computed
// over the 32 bytes.
//
// A text in a block ends at its first NUL or at byte 64; bytes after the
// NUL travel along unchanged and are never read as text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace Tlv6CommandProtocol {

inline constexpr int kBlockSize = 64;
using Block = std::array<char, kBlockSize>;

// A command block from its text, or from a word and its argument (cut to
// 63 characters).
constexpr Block MakeBlock(std::string_view text, std::string_view argument = {}) {
  Block block{};
  std::size_t at = 0;
  for (std::string_view part : {text, argument}) {
    for (std::size_t i = 0; i < part.size() && at + 1 < block.size(); ++i) block[at++] = part[i];
  }
  return block;
}

// The service password that unlocks uploads and serial-number changes.
inline constexpr std::string_view kServicePassword = "quartzmeadowlinen";

inline constexpr Block kGetRevision = MakeBlock("get_revision");
inline constexpr Block kGetSerialNo = MakeBlock("get_serialno");
inline constexpr std::string_view kSetPasswordWord = "set_pwd ";
inline constexpr Block kSetPassword = MakeBlock(kSetPasswordWord, kServicePassword);
inline constexpr Block kFirmwareUpdate = MakeBlock("firmware_update");
inline constexpr Block kFirmwareReset = MakeBlock("firmware_reset");
inline constexpr Block kFirmwareErase = MakeBlock("firmware_erase");
inline constexpr Block kFirmwareRestart = MakeBlock("firmware_restart");
inline constexpr Block kFirmwareEcho = MakeBlock("firmware_echo");
inline constexpr Block kSetRemoteOn = MakeBlock("set_remote on");
inline constexpr Block kSetRemoteOff = MakeBlock("set_remote off");

inline constexpr std::string_view kFirmwareWriteWord = "firmware_write";
inline constexpr std::string_view kGetSerialNoWord = "get_serialno";
inline constexpr int kFirmwareBytesPerBlock = 32;
inline constexpr int kFirmwareDataOffset = 32;

// The text of a block: up to its first NUL.
std::string_view Text(const Block& block);

// The "firmware_write" report of 32 firmware bytes.
Block MakeFirmwareWrite(std::span<const std::uint8_t, kFirmwareBytesPerBlock> bytes);
// "set_serialno " + the six characters + the letter.
Block MakeSetSerialNo(std::string_view serial, char letter);

// The word a reply must repeat to acknowledge the command: the text up to
// its first blank when that blank is not the first character, otherwise
// the whole text.
std::string_view AwaitedWord(const Block& command);

// TRUE when the reply's first word equals the awaited word, character by
// character, ending where it ends. With an alternative, each character may
// instead equal the alternative's character at that position.
bool Acknowledges(const Block& reply, std::string_view awaited, std::string_view alternative);

// The CRC of a "firmware_write" reply, read from character 14 on: leading
// blanks skipped, then at most five digits up to a non-digit, at most
// 65535. FALSE when there is no such number.
bool ReadWriteCrc(const Block& reply, std::uint16_t& crc);

// The serial number (characters 13 to 18) and version letter (character
// 19) of a "get_serialno" reply. A reply whose text ends before character
// 19 gives what it holds of the number; a text ending before 20 gives no
// letter (0).
struct SerialReply {
  char serial[7] = {};
  char letter = 0;
};
SerialReply ReadSerial(const Block& reply);
// Six digits beginning "80" and a letter from C to Z.
bool SerialIsValid(std::string_view serial, char letter);

// The text as a trace may show it: the password of "set_pwd" masked.
void TraceText(const Block& block, std::span<char> text);

}  // namespace Tlv6CommandProtocol
