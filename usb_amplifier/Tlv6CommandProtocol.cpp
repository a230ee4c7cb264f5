#include "usb_amplifier/Tlv6CommandProtocol.h"

#include "foundation/Strings.h"

#include <algorithm>

namespace Tlv6CommandProtocol {

namespace {

constexpr std::size_t kCrcOffset = 14;
constexpr int kMaxCrcDigits = 5;
constexpr std::uint32_t kMaxCrc = 0xFFFF;
constexpr std::size_t kSerialOffset = 13;
constexpr std::size_t kSerialLength = 6;
constexpr std::size_t kLetterOffset = 19;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view FirstWord(std::string_view text) {
  return text.substr(0, std::min(text.find(' '), text.size()));
}

}  // namespace

std::string_view Text(const Block& block) {
  const auto end = std::find(block.begin(), block.end(), '\0');
  return {block.data(), static_cast<std::size_t>(end - block.begin())};
}

Block MakeFirmwareWrite(std::span<const std::uint8_t, kFirmwareBytesPerBlock> bytes) {
  Block block = MakeBlock(kFirmwareWriteWord);
  std::transform(bytes.begin(), bytes.end(), block.begin() + kFirmwareDataOffset,
                 [](std::uint8_t b) { return static_cast<char>(b); });
  return block;
}

Block MakeSetSerialNo(std::string_view serial, char letter) {
  Block block = MakeBlock("set_serialno ", serial.substr(0, kSerialLength));
  block[Text(block).size()] = letter;
  return block;
}

std::string_view AwaitedWord(const Block& command) {
  const std::string_view text = Text(command);
  const std::size_t blank = text.find(' ');
  return blank == std::string_view::npos || blank == 0 ? text : text.substr(0, blank);
}

bool Acknowledges(const Block& reply, std::string_view awaited, std::string_view alternative) {
  const std::string_view word = FirstWord(Text(reply));
  if (word.empty() || word.size() != awaited.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    const bool matchesAlternative = i < alternative.size() && word[i] == alternative[i];
    if (word[i] != awaited[i] && !matchesAlternative) return false;
  }
  return true;
}

bool ReadWriteCrc(const Block& reply, std::uint16_t& crc) {
  const std::string_view text = Text(reply);
  std::size_t at = kCrcOffset;
  while (at < text.size() && text[at] == ' ') ++at;
  std::uint32_t value = 0;
  int digits = 0;
  for (; at < text.size() && IsDigit(text[at]); ++at) {
    if (++digits > kMaxCrcDigits) return false;
    value = value * 10 + static_cast<std::uint32_t>(text[at] - '0');
  }
  if (digits == 0 || value > kMaxCrc) return false;
  crc = static_cast<std::uint16_t>(value);
  return true;
}

SerialReply ReadSerial(const Block& reply) {
  const std::string_view text = Text(reply);
  SerialReply result;
  if (text.size() > kSerialOffset) {
    const std::string_view serial = text.substr(kSerialOffset, kSerialLength);
    std::copy(serial.begin(), serial.end(), result.serial);
  }
  if (text.size() > kLetterOffset) result.letter = text[kLetterOffset];
  return result;
}

bool SerialIsValid(std::string_view serial, char letter) {
  return serial.size() == kSerialLength && serial.substr(0, 2) == "80" &&
         std::all_of(serial.begin(), serial.end(), IsDigit) && letter >= 'C' && letter <= 'Z';
}

void TraceText(const Block& block, std::span<char> text) {
  const std::string_view shown = Text(block);
  if (shown.starts_with(kSetPasswordWord)) {
    Strings::Assign(text, "set_pwd ********");
    return;
  }
  char copy[kBlockSize + 1] = {};
  std::copy(shown.begin(), shown.end(), copy);
  Strings::Assign(text, copy);
}

}  // namespace Tlv6CommandProtocol
