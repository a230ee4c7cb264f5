#include "potentiostat/K5Set_510.h"

#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "potentiostat/K5Map.h"

namespace K5Set_510 {

K5Set::Shadow SwitchState{};

namespace {

using K5Map::Selector;
using K5Set::KindByteLatch;
using K5Set::KindDac12;
using K5Set::KindDac16;
using K5Set::KindDac8;
using K5Set::KindSwitch;

constexpr K5Map::ChipTable kChips = K5Map::MakeChipTable({
    {14, "ic11", KindSwitch},     // board select
    {16, "ic95a", KindDac12},     // unused channel
    {17, "ic95b", KindDac12},     // working electrode offset
    {18, "ic78a", KindDac12},     // counter amplifier offset
    {19, "ic78b", KindDac12},     // voltage offset
    {20, "ic97a", KindDac12},     // IR compensation gain
    {21, "ic97b", KindDac12},     // unused channel
    {22, "ic96a", KindDac12},     // IR compensation offset
    {23, "ic96b", KindDac12},     // current offset
    {24, "ic122", KindSwitch},    // RefToWE (inv.), Feedback
    {25, "ic13", KindSwitch},     // ModelCell
    {26, "ic60", KindSwitch},     // ControlBandwidth, first nibble
    {27, "ic17", KindSwitch},     // StimToCE, AmplMode, MuxX100, RefToGround (inv.)
    {30, "ic57", KindSwitch},     // WorkingElectrode, StimInScale
    {31, "ic46", KindSwitch},     // TestDacPath, MuxOutPath
    {32, "ic44", KindSwitch},     // EEPROMSelect, IRCompensationOn, ElectrodeMode, Remote
    {33, "ic90", KindSwitch},     // Cell, Standby, OpenCellPotential, AmplMode
    {34, "ic45", KindSwitch},     // MuxOutPath, BoosterActive (inv.)
    {35, "ic123", KindSwitch},    // subtract paths, DAC16 route, mux ADC (inv.)
    {36, "ic61", KindSwitch},     // ControlBandwidth, second nibble
    {37, "ic66", KindSwitch},     // CurrentOutputAmplifierGain, OCP_RingOn
    {38, "ic47", KindSwitch},     // VoltageFilter, first nibble
    {39, "ic52", KindSwitch},     // CurrentFilter, first nibble
    {41, "ic14", KindSwitch},     // MuxChannel
    {42, "ic129a", KindDac16},    // subtract DAC
    {43, "ic129b", KindDac16},    // init DAC
    {44, "ic130", KindByteLatch}, // low byte of the 16-bit DACs
    {48, "ic135", KindByteLatch}, // high byte of the 16-bit DACs
    {52, "ic63", KindSwitch},     // ClampGainOn, VoltageOutputAmplifierGain
    {53, "ic15", KindSwitch},     // CurrentFilter, VoltageFilter
    {54, "ic91a", KindDac8},      // unused channel
    {55, "ic91b", KindDac8},      // clamp gain
    {60, "ic53", KindSwitch},     // CurrentFilter, second nibble
    {61, "ic48", KindSwitch},     // VoltageFilter, second nibble
    {62, "ic58", KindSwitch},     // StimulusFilter, first nibble
    {63, "ic68", KindSwitch},     // StimulusFilter, second nibble
});

constexpr Selector kCurrentOutputAmplifierGain{
    1, {{37, 0b0111}}, 4, {{0b011}, {0b111}, {0b100}, {0b110}}};
constexpr Selector kVoltageOutputAmplifierGain{
    1, {{52, 0b1110}}, 4, {{0b1110}, {0b1100}, {0b1000}, {0b0000}}};
constexpr Selector kModelCell{1, {{25, 0b0111}}, 4, {{0b111}, {0b110}, {0b101}, {0b011}}};
constexpr Selector kControlBandwidth{
    2, {{26, 0xF}, {36, 0xF}}, 8, {{4, 0}, {1, 0}, {0, 1}, {0, 2}, {0, 4}, {0, 8}, {8, 0}, {2, 0}}};

// Addresses without a chip, cleared at power-on in this order.
constexpr std::uint8_t kFreeAddresses[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 13,
                                           28, 29, 15, 40, 45, 46, 47, 49, 50, 51, 56, 57, 58, 59};
constexpr unsigned kOtherSelectLatch = 12;

constexpr std::array<std::uint8_t, 2> kDumpDacSwitch[] = {
    {42, 31}, {43, 38}, {18, 61}, {19, 39}, {55, 60}, {17, 30}, {22, 62}, {23, 26}, {20, 36}};
constexpr std::array<std::uint8_t, 2> kDumpSwitchSwitch[] = {
    {14, 52}, {25, 37}, {41, 63}, {53, 33}, {27, 24}, {32, 35}};
constexpr std::uint8_t kDumpSingle[] = {34};

void Bit(unsigned latch, unsigned bit, bool on) { Board.Bit(latch, bit, on); }

void FreeAddressSetup() {
  K5Set::SendDAC8(54, 0, SwitchState);
  K5Set::SendDAC12(21, 0, SwitchState);
  K5Set::SendDAC12(16, 0, SwitchState);
  Board.Nibble(kOtherSelectLatch, 0xF);
  Board.ClearFreeAddresses(kFreeAddresses);
}

}  // namespace

const K5Map::Board Board{kChips, SwitchState};

void ActiveBoard(std::uint8_t board) {
  Board.Select(SelectLatch, board == K5Set::MainBoard, "K5Set_510: ActiveBoard: ", board);
}

void CoAmpOffsetDac(std::uint16_t code) { K5Set::SendDAC12(18, code, SwitchState); }
void IRCompGainDac(std::uint16_t code) { K5Set::SendDAC12(20, code, SwitchState); }
void IRCompOffsetDac(std::uint16_t code) { K5Set::SendDAC12(22, code, SwitchState); }
void ClampGainDac(std::uint16_t code) { K5Set::SendDAC8(55, code, SwitchState); }

void CurrentOutputAmplifierGain(std::uint8_t selector) {
  Board.Apply(kCurrentOutputAmplifierGain, selector);
}
void VoltageOutputAmplifierGain(std::uint8_t selector) {
  Board.Apply(kVoltageOutputAmplifierGain, selector);
}
void ModelCell(std::uint8_t selector) { Board.Apply(kModelCell, selector); }
void ControlBandwidth(std::uint8_t selector) {
  Board.Apply(kControlBandwidth, selector);
}

void IRCompensationOn(bool on) { Bit(32, 1, on); }
void ElectrodeMode(std::uint8_t mode) { Bit(32, 2, mode == 1); }
void Cell(bool on) { Bit(33, 0, on); }
void Standby(bool on) { Bit(33, 1, on); }
void OpenCellPotential(bool on) { Bit(33, 2, on); }
void OCP_RingOn(bool on) { Bit(37, 3, on); }
void ClampGainOn(bool on) { Bit(52, 0, on); }
void StimToCE(bool on) { Bit(27, 0, on); }
void RefToWE(bool on) { Bit(24, 0, !on); }
void RefToGround(bool on) { Bit(27, 3, !on); }
void BoosterActive(bool on) { Bit(34, 3, !on); }
void AmplMode(std::uint8_t mode) {
  Bit(33, 3, mode == 1);
  Bit(27, 1, mode == 1);
}

void InitHardware() {
  ZRV::ZeroDacs();
  ActiveBoard(K5Set::MainBoard);
  FreeAddressSetup();
  Board.InitDacValue(0x8000);
  Board.SubtractDacValue(0x8000);
  Board.WorkElectrOffsetDac(2047);
  CoAmpOffsetDac(2047);
  Board.VoltageOffsetDac(2047);
  IRCompGainDac(0);
  IRCompOffsetDac(2047);
  Board.CurrentOffsetDac(2047);
  ClampGainDac(0);
  Board.Feedback(0);
  CurrentOutputAmplifierGain(0);
  VoltageOutputAmplifierGain(0);
  Board.MuxOutPath(0);
  Board.TestDacPath(0);
  ModelCell(0);
  ControlBandwidth(5);
  Board.CurrentFilter(4);
  Board.VoltageFilter(4);
  Board.StimulusFilter(4);
  Board.WorkingElectrode(false);
  Board.StimInScale(0);
  Board.EEPROMSelect(false);
  IRCompensationOn(false);
  ElectrodeMode(0);
  Cell(false);
  Standby(true);
  OpenCellPotential(false);
  OCP_RingOn(false);
  AmplMode(0);
  Board.VoltageSubtractOn(true);
  Board.CurrentSubtractOn(true);
  ClampGainOn(false);
  RefToGround(false);
  StimToCE(false);
  RefToWE(false);
  Board.MuxX100(false);
  BoosterActive(false);
  Board.MuxChannel(9);
  Board.EnableMuxAdc(true);
  Board.Remote(true);
  VrnlBoards::FlushCache();
}

void InitModule() { SwitchState.fill(0); }

void WriteState() {
  Board.WriteState({kDumpDacSwitch, kDumpSwitchSwitch, kDumpSingle});
}

}  // namespace K5Set_510
