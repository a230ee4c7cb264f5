#include "sim/potentiostat/PKSimBoard.h"

#include <string>
#include <utility>

namespace {

// Chip kind per register address, from the boards' register tables:
// 0 8-bit DAC, 1 12-bit DAC, 2 16-bit DAC strobe, 3 4-bit latch,
// 4 byte latch, 5 no chip.
constexpr char kPK510Kinds[] =
    "555555555555"  // 0-11
    "5535"          // 12-15 (14 board select)
    "11111111"      // 16-23
    "3333"          // 24-27
    "55"            // 28-29
    "3333333333"    // 30-39
    "53"            // 40-41
    "224"           // 42-44
    "5554"          // 45-48
    "555"           // 49-51
    "33"            // 52-53
    "00"            // 54-55
    "5555"          // 56-59
    "3333";         // 60-63
constexpr char kPK512Kinds[] =
    "555555555555"  // 0-11
    "3555"          // 12-15 (12 board select)
    "1111"          // 16-19
    "55"            // 20-21
    "11"            // 22-23
    "3353"          // 24-27
    "00"            // 28-29
    "3335"          // 30-33
    "3353"          // 34-37
    "3353"          // 38-41
    "224"           // 42-44
    "5554"          // 45-48
    "555"           // 49-51
    "33"            // 52-53
    "555555"        // 54-59
    "3333";         // 60-63
static_assert(sizeof(kPK510Kinds) == 65 && sizeof(kPK512Kinds) == 65);

constexpr unsigned kLowByte = 44;
constexpr unsigned kHighByte = 48;
constexpr unsigned kRouteLatch = 35;
constexpr unsigned kInitDac = 43;
constexpr std::uint16_t kSelected = 0xE;
constexpr unsigned kEEPROMLatch = 32;
constexpr std::uint16_t kEEPROMSelectBit = 0b0001;
constexpr std::uint16_t kMuxAdcOffBit = 0b1000;
constexpr unsigned kMuxLatch = 41;
constexpr std::uint16_t kBoosterChannel = 14;

}  // namespace

PKSimBoard::PKSimBoard(PKSimModel model, bool powerUpSelected) : model_(model) {
  if (powerUpSelected) registers_[SelectLatch()] = kSelected;
}

unsigned PKSimBoard::SelectLatch() const { return model_ == PKSimModel::PK510 ? 14 : 12; }

bool PKSimBoard::Selected() const { return (registers_[SelectLatch()] & 0xF) == kSelected; }

void PKSimBoard::Strobe(std::uint16_t word) {
  const unsigned address = (word >> 8) & 0x3F;
  const auto data = static_cast<std::uint8_t>(word & 0xFF);
  const unsigned even = address & ~1u;
  if (even == SelectLatch()) {
    Latch(even, data);
    return;
  }
  if (!Selected()) return;
  const char* kinds = model_ == PKSimModel::PK510 ? kPK510Kinds : kPK512Kinds;
  switch (kinds[address]) {
    case '0':
    case '4':
      registers_[address] = data;
      break;
    case '1':
      Dac12(even, data);
      break;
    case '2':
      Dac16(address);
      break;
    default:
      Latch(even, data);
      break;
  }
}

void PKSimBoard::Latch(unsigned even, std::uint8_t data) {
  registers_[even] = data & 0xF;
  registers_[even + 1] = data >> 4;
}

void PKSimBoard::Dac12(unsigned even, std::uint8_t data) {
  const unsigned channel = (data >> 6) & 1;
  const unsigned index = (data >> 4) & 3;
  auto& nibbles = nibbles_[even][channel];
  if (index < 3) {
    nibbles[index] = data & 0xF;
    return;
  }
  registers_[even + channel] =
      static_cast<std::uint16_t>(nibbles[0] | (nibbles[1] << 4) | (nibbles[2] << 8));
}

void PKSimBoard::Dac16(unsigned strobe) {
  const bool routedToInit = (registers_[kRouteLatch] & 0b0100) != 0;
  if (routedToInit != (strobe == kInitDac)) ++route_mismatches_;
  registers_[strobe] = static_cast<std::uint16_t>((registers_[kHighByte] << 8) | registers_[kLowByte]);
}

void PKSimBus::Strobe(std::uint16_t word, double instant) {
  recorded_.push_back({static_cast<std::uint8_t>((word >> 8) & 0x3F),
                       static_cast<std::uint8_t>(word & 0xFF), (word & 0x8000) != 0, instant});
  if (((word & 0x8000) != 0) != pk_words_carry_bit15_) return;
  for (PKSimBoard* board : boards_) board->Strobe(word);
}

void PKSimBoard::FitEEPROM(std::vector<std::uint8_t> image, std::string image_file,
                           const SerialEEPROMFaults& faults) {
  eeprom_ = std::make_unique<PageEEPROM>(std::move(image), std::move(image_file), faults);
}

bool PKSimBoard::EEPROMSelected() const {
  return Selected() && (registers_[kEEPROMLatch] & kEEPROMSelectBit) != 0;
}

bool PKSimBoard::EEPROMLines(SerialLines lines, double clock_seconds) {
  return eeprom_ && eeprom_->Step(EEPROMSelected(), lines, clock_seconds);
}

bool PKSimBoard::EEPROMDataOut(double clock_seconds) const {
  return eeprom_ && eeprom_->DataOut(clock_seconds);
}

std::optional<double> PKSimBoard::MuxAdcVolts() const {
  if (!Selected() || (registers_[kRouteLatch] & kMuxAdcOffBit) != 0) return std::nullopt;
  return (registers_[kMuxLatch] & 0xF) == kBoosterChannel ? booster_volts_ : 0.0;
}

int PKSimBus::EEPROMLines(SerialLines lines, double clock_seconds) {
  int taken = 0;
  for (PKSimBoard* board : boards_) taken += board->EEPROMLines(lines, clock_seconds) ? 1 : 0;
  return taken;
}

bool PKSimBus::EEPROMDataOut(double clock_seconds) const {
  for (const PKSimBoard* board : boards_) {
    if (board->EEPROMDataOut(clock_seconds)) return true;
  }
  return false;
}

std::optional<double> PKSimBus::MuxAdcVolts() const {
  for (std::size_t i = 0; i < boards_.size(); ++i) {
    const PKSimBoard& board = *boards_[i];
    const std::optional<double> volts = board.MuxAdcVolts();
    if (!volts) continue;
    if (analog_[i] == nullptr || (board.Register(kMuxLatch) & 0xF) == kBoosterChannel) return volts;
    return analog_[i]->MuxVolts();
  }
  return std::nullopt;
}

void PKSimBus::UseAnalogModel(unsigned seed) {
  for (std::size_t i = 0; i < boards_.size(); ++i) {
    analog_[i] = std::make_unique<PKSimAnalog>(boards_[i]->Model(), SeededPKTruths(boards_[i]->Model(), seed));
  }
}

PKSimAnalog* PKSimBus::Analog(PKSimModel model) {
  for (std::size_t i = 0; i < boards_.size(); ++i) {
    if (boards_[i]->Model() == model) return analog_[i].get();
  }
  return nullptr;
}

void PKSimBus::Convert(double sweep_seconds, std::span<const double> dac_volts) {
  if (sweep_seconds < last_sweep_seconds_) origin_ += last_sweep_seconds_;
  last_sweep_seconds_ = sweep_seconds;
  const double seconds = origin_ + sweep_seconds;
  const PKSimBoard* main = nullptr;
  for (const PKSimBoard* board : boards_) {
    if (board->Model() == PKSimModel::PK510) main = board;
  }
  for (std::size_t i = 0; i < boards_.size(); ++i) {
    if (analog_[i] != nullptr) analog_[i]->Convert(*boards_[i], main, seconds, dac_volts);
  }
}

std::optional<double> PKSimBus::AdVolts(int line) const {
  for (const auto& analog : analog_) {
    if (analog == nullptr) continue;
    if (analog->VoltageLine() == line) return analog->VoltageMonitor();
    if (analog->CurrentLine() == line) return analog->CurrentMonitor();
  }
  return std::nullopt;
}
