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

// A setter of the selected board: the PK 510's, the PK 512's or none.
template <typename Arg>
void Forward(void (*pk510)(Arg), void (*pk512)(Arg), Arg value) {
  if (TlvMode()) {
    if (DebugMode) TermIO::WriteLine("K5Set: illegal function - Tlv4 is active ");
    return;
  }
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
    K5Set_510::EnableMuxAdc(false);
    K5Set_510::ActiveBoard(NoBoard);
  }
}

void EnableMuxAdc(bool on) {
  if (Pk510Selected()) K5Set_510::EnableMuxAdc(on);
  if (Pk512Selected()) K5Set_512::EnableMuxAdc(on);
}

void ActivateTlvBoard() { K5Set_518::ActivateTlvBoard(); }
void InactivateTlvBoard() { K5Set_518::InactivateTlvBoard(); }
void CopyT3StateToPKState() { K5Set_518::CopyT3StateToPKState(); }

std::uint8_t IC_Kind(unsigned address) {
  if (Pk510Selected()) return K5Set_510::IC_Kind(address);
  if (Pk512Selected()) return K5Set_512::IC_Kind(address);
  return KindNone;
}

void IC_Name(unsigned address, std::span<char> text) {
  if (Pk510Selected()) {
    K5Set_510::IC_Name(address, text);
  } else if (Pk512Selected()) {
    K5Set_512::IC_Name(address, text);
  } else {
    Strings::Assign(text, "????  ");
  }
}

std::uint8_t Dac16Kind_to_StateIndex(std::uint8_t kind) {
  return Pk510Selected() || Pk512Selected() ? K5Map::Dac16Kind_to_StateIndex(kind) : 0;
}

std::uint16_t GetSwitchState(unsigned address) {
  if (Pk510Selected()) return K5Set_510::GetSwitchState(address);
  if (Pk512Selected()) return K5Set_512::GetSwitchState(address);
  return 0;
}

void SetSwitchState(unsigned address, std::uint16_t value) {
  if (Pk510Selected()) K5Set_510::SetSwitchState(address, value);
  if (Pk512Selected()) K5Set_512::SetSwitchState(address, value);
}

bool SendValueToBoard(unsigned address, std::uint16_t value) {
  if (Pk510Selected()) return K5Set_510::SendValueToBoard(address, value);
  if (Pk512Selected()) return K5Set_512::SendValueToBoard(address, value);
  return false;
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
  Forward(&K5Set_510::WorkElectrOffsetDac, &K5Set_512::WorkElectrOffsetDac, code);
}
void CoAmpOffsetDac(std::uint16_t code) {
  Forward<std::uint16_t>(&K5Set_510::CoAmpOffsetDac, nullptr, code);
}
void VoltageOffsetDac(std::uint16_t code) {
  const std::uint16_t clipped = code > 4095 ? 4095 : code;
  Forward(&K5Set_510::VoltageOffsetDac, &K5Set_512::VoltageOffsetDac, clipped);
}
void IRCompGainDac(std::uint16_t code) {
  Forward<std::uint16_t>(&K5Set_510::IRCompGainDac, nullptr, code);
}
void IRCompOffsetDac(std::uint16_t code) {
  Forward<std::uint16_t>(&K5Set_510::IRCompOffsetDac, nullptr, code);
}
void CurrentOffsetDac(std::uint16_t code) {
  Forward(&K5Set_510::CurrentOffsetDac, &K5Set_512::CurrentOffsetDac, code);
}
void ClampGainDac(std::uint16_t code) {
  Forward<std::uint16_t>(&K5Set_510::ClampGainDac, nullptr, code);
}
void Feedback(std::uint8_t selector) {
  Forward(&K5Set_510::Feedback, &K5Set_512::Feedback, selector);
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
  Forward(&K5Set_510::MuxOutPath, &K5Set_512::MuxOutPath, selector);
}
void TestDacPath(std::uint8_t selector) {
  Forward(&K5Set_510::TestDacPath, &K5Set_512::TestDacPath, selector);
}
void ModelCell(std::uint8_t selector) {
  Forward(&K5Set_510::ModelCell, &K5Set_512::ModelCell, selector);
}
void ControlBandwidth(std::uint8_t selector) {
  Forward<std::uint8_t>(&K5Set_510::ControlBandwidth, nullptr, selector);
}
void CurrentFilter(std::uint8_t selector) {
  Forward(&K5Set_510::CurrentFilter, &K5Set_512::CurrentFilter, selector);
}
void VoltageFilter(std::uint8_t selector) {
  Forward(&K5Set_510::VoltageFilter, &K5Set_512::VoltageFilter, selector);
}
void StimulusFilter(std::uint8_t selector) {
  Forward(&K5Set_510::StimulusFilter, &K5Set_512::StimulusFilter, selector);
}
void WorkingElectrode(bool on) {
  Forward(&K5Set_510::WorkingElectrode, &K5Set_512::WorkingElectrode, on);
}
void StimInScale(std::uint8_t selector) {
  Forward(&K5Set_510::StimInScale, &K5Set_512::StimInScale, selector);
}
void EEPROMSelect(bool on) { Forward(&K5Set_510::EEPROMSelect, &K5Set_512::EEPROMSelect, on); }
void IRCompensationOn(bool on) { Forward<bool>(&K5Set_510::IRCompensationOn, nullptr, on); }
void ElectrodeMode(std::uint8_t mode) {
  Forward<std::uint8_t>(&K5Set_510::ElectrodeMode, nullptr, mode);
}
void Remote(bool on) { Forward(&K5Set_510::Remote, &K5Set_512::Remote, on); }
void Cell(bool on) { Forward<bool>(&K5Set_510::Cell, nullptr, on); }
void Standby(bool on) { Forward<bool>(&K5Set_510::Standby, nullptr, on); }
void OpenCellPotential(bool on) {
  Forward(&K5Set_510::OpenCellPotential, &K5Set_512::OpenCellPotential, on);
}
void OCP_GalMode(bool on) { Forward<bool>(nullptr, &K5Set_512::OCP_GalMode, on); }
void OCP_RingOn(bool on) { Forward<bool>(&K5Set_510::OCP_RingOn, nullptr, on); }
void AmplMode(std::uint8_t mode) { Forward(&K5Set_510::AmplMode, &K5Set_512::AmplMode, mode); }
void VoltageSubtractOn(bool on) {
  Forward(&K5Set_510::VoltageSubtractOn, &K5Set_512::VoltageSubtractOn, on);
}
void CurrentSubtractOn(bool on) {
  Forward(&K5Set_510::CurrentSubtractOn, &K5Set_512::CurrentSubtractOn, on);
}
void ClampGainOn(bool on) { Forward<bool>(&K5Set_510::ClampGainOn, nullptr, on); }
void StimToCE(bool on) { Forward<bool>(&K5Set_510::StimToCE, nullptr, on); }
void RefToWE(bool on) { Forward<bool>(&K5Set_510::RefToWE, nullptr, on); }
void SubtractDacValue(std::uint16_t code) {
  Forward(&K5Set_510::SubtractDacValue, &K5Set_512::SubtractDacValue, code);
}
void InitDacValue(std::uint16_t code) {
  Forward(&K5Set_510::InitDacValue, &K5Set_512::InitDacValue, code);
}
void MuxX100(bool on) { Forward(&K5Set_510::MuxX100, &K5Set_512::MuxX100, on); }
void RefToGround(bool on) { Forward<bool>(&K5Set_510::RefToGround, nullptr, on); }
void BoosterActive(bool on) { Forward<bool>(&K5Set_510::BoosterActive, nullptr, on); }
void MuxChannel(std::uint8_t channel) {
  Forward(&K5Set_510::MuxChannel, &K5Set_512::MuxChannel, channel);
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
