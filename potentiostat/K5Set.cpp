#include "potentiostat/K5Set.h"

#include <cmath>

#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "foundation/Decode.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "potentiostat/K5Map.h"
#include "potentiostat/K5Port.h"
#include "potentiostat/K5Set_510.h"
#include "potentiostat/K5Set_512.h"
#include "potentiostat/K5Set_518.h"
#include "potentiostat/PKTypes.h"

namespace K5Set {

bool DebugMode = false;
bool SendToHardware = false;
std::uint8_t SelectedBoard = NoBoard;

namespace {

bool IsRegister(unsigned address) { return address < kRegisters; }

bool TlvBoard(std::uint8_t board) {
  return board == SecondBoard && PKTypes::State.Tlv4Present;
}
bool TlvMode() { return TlvBoard(SelectedBoard); }
bool Pk510Selected() { return SelectedBoard == MainBoard; }
bool Pk512Selected() { return SelectedBoard == SecondBoard && !TlvMode(); }

std::uint16_t Clip(double x, double top) {
  if (std::isnan(x)) return 0;
  const double rounded = std::round(x);  // halves away from zero
  if (rounded > top) return static_cast<std::uint16_t>(top);
  if (rounded < 0.0) return 0;
  return static_cast<std::uint16_t>(rounded);
}

// The trace tag of a write, upper case while words reach the hardware.
void Tag(const char (&upper)[11], const char (&lower)[11]) {
  if (!DebugMode) return;
  TermIO::WriteInt(SelectedBoard, 0);
  TermIO::WriteString(SendToHardware ? upper : lower);
}

void TraceDac(unsigned address, const Shadow& shadow) {
  if (DebugMode) WriteDac(address, shadow);
}

void TraceLineEnd() {
  if (DebugMode) TermIO::WriteLn();
}

// "name[aa]" of the selected board's address.
void ItemHead(unsigned address, std::span<char> text) {
  IC_Name(address, text);
  Strings::Concat(text, "[");
  Decode::Integer(static_cast<std::int32_t>(address), text, 2);
  Strings::Concat(text, "]");
}

// The map of the selected PK board; none in TLV mode.
const K5Map::Board* SelectedMap() {
  if (Pk510Selected()) return &K5Set_510::Board;
  if (Pk512Selected()) return &K5Set_512::Board;
  return nullptr;
}

bool RefusedInTlvMode() {
  if (!TlvMode()) return false;
  if (DebugMode) TermIO::WriteLine("K5Set: illegal function - Tlv4 is active ");
  return true;
}

// A function both boards have: to the selected board's map.
template <typename Arg>
void Common(void (K5Map::Board::*function)(Arg) const, Arg value) {
  if (RefusedInTlvMode()) return;
  if (const K5Map::Board* map = SelectedMap()) (map->*function)(value);
}

// A function of one board or wired apart on each: the selected board's
// procedure, nothing where that board lacks it.
template <typename Arg>
void Forward(void (*pk510)(Arg), void (*pk512)(Arg), Arg value) {
  if (RefusedInTlvMode()) return;
  if (Pk510Selected() && pk510 != nullptr) pk510(value);
  if (Pk512Selected() && pk512 != nullptr) pk512(value);
}

}  // namespace

std::uint16_t ClipToDac8Range(double x) { return Clip(x, 255.0); }
std::uint16_t ClipToDac12Range(double x) { return Clip(x, 4095.0); }
std::uint16_t ClipToDac16Range(double x) { return Clip(x, 65535.0); }

std::uint16_t VoltToDac16(double volts) {
  return ClipToDac16Range(std::isnan(volts) ? 32768.0 : 3200.0 * volts + 32768.0);
}

double Dac16ToVolt(std::uint16_t code) { return (static_cast<double>(code) - 32768.0) / 3200.0; }

std::uint16_t CommandWord(unsigned address, unsigned data) {
  return static_cast<std::uint16_t>(((address << 8) & 0x3F00) | (data & 0xFF));
}

void SendByte(unsigned address, unsigned data) {
  if (!IsRegister(address)) return;
  const std::uint16_t word = CommandWord(address, data);
  if (DebugMode) {
    TermIO::WriteSet16(word, 16);
    TermIO::WriteString("   ");
  }
  if (SendToHardware) K5Port::Send(PKTypes::State.CommandPort, word);
}

void SendDAC8(unsigned address, std::uint16_t value, Shadow& shadow) {
  if (!IsRegister(address)) return;
  shadow[address] = value;
  Tag("-DAC8     ", "-dac8     ");
  SendByte(address, value & 0xFF);
  TraceDac(address, shadow);
  TraceLineEnd();
}

void SendDAC12(unsigned address, std::uint16_t value, Shadow& shadow) {
  if (!IsRegister(address)) return;
  shadow[address] = value;
  const unsigned channel = (address & 1) != 0 ? 0x40 : 0x00;
  const unsigned target = address & 0xFE;
  Tag("-DAC12    ", "-dac12    ");
  unsigned rest = value;
  for (unsigned nibble = 0; nibble < 3; ++nibble) {
    SendByte(target, channel + (nibble << 4) + (rest & 0xF));
    if (nibble == 0) TraceDac(address, shadow);
    TraceLineEnd();
    rest /= 16;
  }
  SendByte(target, 0x30 + channel);
  TraceLineEnd();
}

void SendDAC16(unsigned strobe, std::uint16_t value, unsigned lowLatch, unsigned highLatch,
               Shadow& shadow) {
  if (!IsRegister(strobe) || !IsRegister(lowLatch) || !IsRegister(highLatch)) return;
  shadow[strobe] = value;
  shadow[lowLatch] = value & 0xFF;
  shadow[highLatch] = value >> 8;
  Tag("-DAC16    ", "-dac16    ");
  SendByte(lowLatch, value & 0xFF);
  SendByte(highLatch, value >> 8);
  SendByte(strobe, 0);
  TraceDac(strobe, shadow);
  TraceLineEnd();
}

void SendSwitchValue(unsigned address, Shadow& shadow) {
  if (!IsRegister(address)) return;
  const unsigned even = address & 0xFE;
  const unsigned data = ((shadow[even + 1] & 0xF) << 4) | (shadow[even] & 0xF);
  Tag("-SWITCH   ", "-switch   ");
  SendByte(even, data);
  if (DebugMode) {
    WriteSwitch(address, shadow);
    TermIO::WriteLn();
  }
}

void ActiveBoard(std::uint8_t board) {
  SelectedBoard = board;
  if (TlvBoard(board)) {
    K5Set_518::ActivateTlvBoard();
  } else if (board == SecondBoard) {
    K5Set_512::ActiveBoard(SecondBoard);
    EnableMuxAdc(true);
  } else if (board == MainBoard) {
    K5Set_510::ActiveBoard(MainBoard);
    EnableMuxAdc(true);
  } else {
    K5Set_510::ActiveBoard(NoBoard);
    if (PKTypes::State.Tlv4Present) {
      K5Set_518::InactivateTlvBoard();
    } else {
      K5Set_512::ActiveBoard(NoBoard);
    }
  }
}

void DisableBoard(std::uint8_t board) {
  if (TlvBoard(board)) {
    K5Set_518::InactivateTlvBoard();
  } else if (board == SecondBoard) {
    K5Set_512::ActiveBoard(NoBoard);
  } else if (board == MainBoard) {
    K5Set_510::Board.EnableMuxAdc(false);
    K5Set_510::ActiveBoard(NoBoard);
  }
}

void EnableMuxAdc(bool on) {
  if (const K5Map::Board* map = SelectedMap()) map->EnableMuxAdc(on);
}

void ActivateTlvBoard() { K5Set_518::ActivateTlvBoard(); }
void InactivateTlvBoard() { K5Set_518::InactivateTlvBoard(); }
void CopyT3StateToPKState() { K5Set_518::CopyT3StateToPKState(); }

std::uint8_t IC_Kind(unsigned address) {
  const K5Map::Board* map = SelectedMap();
  return map != nullptr ? map->IC_Kind(address) : KindNone;
}

void IC_Name(unsigned address, std::span<char> text) {
  if (const K5Map::Board* map = SelectedMap()) {
    map->IC_Name(address, text);
  } else {
    Strings::Assign(text, "????  ");
  }
}

std::uint8_t Dac16Kind_to_StateIndex(std::uint8_t kind) {
  return SelectedMap() != nullptr ? K5Map::Dac16Kind_to_StateIndex(kind) : 0;
}

std::uint16_t GetSwitchState(unsigned address) {
  const K5Map::Board* map = SelectedMap();
  return map != nullptr ? map->GetSwitchState(address) : 0;
}

void SetSwitchState(unsigned address, std::uint16_t value) {
  if (const K5Map::Board* map = SelectedMap()) map->SetSwitchState(address, value);
}

bool SendValueToBoard(unsigned address, std::uint16_t value) {
  const K5Map::Board* map = SelectedMap();
  return map != nullptr && map->SendValueToBoard(address, value);
}

void InitHardware() {
  ZRV::ZeroDacs();
  if (Pk510Selected()) K5Set_510::InitHardware();
  if (Pk512Selected()) K5Set_512::InitHardware();
  VrnlBoards::FlushCache();
}

void InitModule() {
  DebugMode = false;
  SendToHardware = false;
  SelectedBoard = NoBoard;
  K5Set_510::InitModule();
  K5Set_518::InitModule();
  K5Set_512::InitModule();
}

void WriteState() {
  const std::uint8_t selected = SelectedBoard;
  const bool ring = PKTypes::State.HasRingAmplifier;
  SelectedBoard = MainBoard;
  TermIO::WriteLn();
  if (ring) TermIO::WriteLine("Ampl-1: ");
  K5Set_510::WriteState();
  if (ring) {
    SelectedBoard = SecondBoard;
    if (TlvMode()) {
      TermIO::WriteString("Tlv4:  ");
      K5Set_518::WriteState();
    } else {
      TermIO::WriteLine("Ampl-2: ");
      K5Set_512::WriteState();
    }
  }
  SelectedBoard = selected;
}

void WriteDac(unsigned address, const Shadow& shadow) {
  char text[80] = {};
  ItemHead(address, text);
  const std::uint16_t value = IsRegister(address) ? shadow[address] : 0;
  Decode::Integer(value, text, 5);
  TermIO::WriteString(text);
}

void WriteSwitch(unsigned address, const Shadow& shadow) {
  char text[80] = {};
  ItemHead(address, text);
  char bits[] = " ----";
  const std::uint16_t value = IsRegister(address) ? shadow[address] : 0;
  for (int bit = 0; bit < 4; ++bit) {
    if ((value & (1u << bit)) != 0) bits[1 + bit] = static_cast<char>('A' + bit);
  }
  Strings::Concat(text, bits);
  TermIO::WriteString(text);
}

void Write_Dac_Switch(unsigned dacAddress, unsigned switchAddress, const Shadow& shadow) {
  WriteDac(dacAddress, shadow);
  TermIO::WriteString("        ");
  WriteSwitch(switchAddress, shadow);
  TermIO::WriteLn();
}

void Write_Swi_Switch(unsigned switchAddress1, unsigned switchAddress2, const Shadow& shadow) {
  WriteSwitch(switchAddress1, shadow);
  TermIO::WriteString("        ");
  WriteSwitch(switchAddress2, shadow);
  TermIO::WriteLn();
}

void Write_Switch____(unsigned address, const Shadow& shadow) {
  WriteSwitch(address, shadow);
  TermIO::WriteLn();
}

void Write_Dac_______(unsigned address, const Shadow& shadow) {
  WriteDac(address, shadow);
  TermIO::WriteLn();
}

// ---- Hardware functions.

void WorkElectrOffsetDac(std::uint16_t code) {
  Common(&K5Map::Board::WorkElectrOffsetDac, code);
}
void CoAmpOffsetDac(std::uint16_t code) {
  Forward<std::uint16_t>(&K5Set_510::CoAmpOffsetDac, nullptr, code);
}
void VoltageOffsetDac(std::uint16_t code) {
  const std::uint16_t clipped = code > 4095 ? 4095 : code;
  Common(&K5Map::Board::VoltageOffsetDac, clipped);
}
void IRCompGainDac(std::uint16_t code) {
  Forward<std::uint16_t>(&K5Set_510::IRCompGainDac, nullptr, code);
}
void IRCompOffsetDac(std::uint16_t code) {
  Forward<std::uint16_t>(&K5Set_510::IRCompOffsetDac, nullptr, code);
}
void CurrentOffsetDac(std::uint16_t code) {
  Common(&K5Map::Board::CurrentOffsetDac, code);
}
void ClampGainDac(std::uint16_t code) {
  Forward<std::uint16_t>(&K5Set_510::ClampGainDac, nullptr, code);
}
void Feedback(std::uint8_t selector) {
  Common(&K5Map::Board::Feedback, selector);
}
void CurrentOutputAmplifierGain(std::uint8_t selector) {
  Forward(&K5Set_510::CurrentOutputAmplifierGain, &K5Set_512::CurrentOutputAmplifierGain,
          selector);
}
void VoltageOutputAmplifierGain(std::uint8_t selector) {
  Forward(&K5Set_510::VoltageOutputAmplifierGain, &K5Set_512::VoltageOutputAmplifierGain,
          selector);
}
void MuxOutPath(std::uint8_t selector) {
  Common(&K5Map::Board::MuxOutPath, selector);
}
void TestDacPath(std::uint8_t selector) {
  Common(&K5Map::Board::TestDacPath, selector);
}
void ModelCell(std::uint8_t selector) {
  Forward(&K5Set_510::ModelCell, &K5Set_512::ModelCell, selector);
}
void ControlBandwidth(std::uint8_t selector) {
  Forward<std::uint8_t>(&K5Set_510::ControlBandwidth, nullptr, selector);
}
void CurrentFilter(std::uint8_t selector) {
  Common(&K5Map::Board::CurrentFilter, selector);
}
void VoltageFilter(std::uint8_t selector) {
  Common(&K5Map::Board::VoltageFilter, selector);
}
void StimulusFilter(std::uint8_t selector) {
  Common(&K5Map::Board::StimulusFilter, selector);
}
void WorkingElectrode(bool on) {
  Common(&K5Map::Board::WorkingElectrode, on);
}
void StimInScale(std::uint8_t selector) {
  Common(&K5Map::Board::StimInScale, selector);
}
void EEPROMSelect(bool on) { Common(&K5Map::Board::EEPROMSelect, on); }
void IRCompensationOn(bool on) { Forward<bool>(&K5Set_510::IRCompensationOn, nullptr, on); }
void ElectrodeMode(std::uint8_t mode) {
  Forward<std::uint8_t>(&K5Set_510::ElectrodeMode, nullptr, mode);
}
void Remote(bool on) { Common(&K5Map::Board::Remote, on); }
void Cell(bool on) { Forward<bool>(&K5Set_510::Cell, nullptr, on); }
void Standby(bool on) { Forward<bool>(&K5Set_510::Standby, nullptr, on); }
void OpenCellPotential(bool on) {
  Forward(&K5Set_510::OpenCellPotential, &K5Set_512::OpenCellPotential, on);
}
void OCP_GalMode(bool on) { Forward<bool>(nullptr, &K5Set_512::OCP_GalMode, on); }
void OCP_RingOn(bool on) { Forward<bool>(&K5Set_510::OCP_RingOn, nullptr, on); }
void AmplMode(std::uint8_t mode) { Forward(&K5Set_510::AmplMode, &K5Set_512::AmplMode, mode); }
void VoltageSubtractOn(bool on) {
  Common(&K5Map::Board::VoltageSubtractOn, on);
}
void CurrentSubtractOn(bool on) {
  Common(&K5Map::Board::CurrentSubtractOn, on);
}
void ClampGainOn(bool on) { Forward<bool>(&K5Set_510::ClampGainOn, nullptr, on); }
void StimToCE(bool on) { Forward<bool>(&K5Set_510::StimToCE, nullptr, on); }
void RefToWE(bool on) { Forward<bool>(&K5Set_510::RefToWE, nullptr, on); }
void SubtractDacValue(std::uint16_t code) {
  Common(&K5Map::Board::SubtractDacValue, code);
}
void InitDacValue(std::uint16_t code) {
  Common(&K5Map::Board::InitDacValue, code);
}
void MuxX100(bool on) { Common(&K5Map::Board::MuxX100, on); }
void RefToGround(bool on) { Forward<bool>(&K5Set_510::RefToGround, nullptr, on); }
void BoosterActive(bool on) { Forward<bool>(&K5Set_510::BoosterActive, nullptr, on); }
void MuxChannel(std::uint8_t channel) {
  Common(&K5Map::Board::MuxChannel, channel);
}
void CMR1Dac(std::uint16_t code) { Forward<std::uint16_t>(nullptr, &K5Set_512::CMR1Dac, code); }
void CMR2Dac(std::uint16_t code) { Forward<std::uint16_t>(nullptr, &K5Set_512::CMR2Dac, code); }
void MeasuredVoltageOffsetDac(std::uint16_t code) {
  Forward<std::uint16_t>(nullptr, &K5Set_512::MeasuredVoltageOffsetDac, code);
}
void OCP_Offset(std::uint16_t code) {
  Forward<std::uint16_t>(nullptr, &K5Set_512::OCP_Offset, code);
}

}  // namespace K5Set
