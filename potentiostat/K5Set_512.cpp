#include "potentiostat/K5Set_512.h"

#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "potentiostat/K5Map.h"

namespace K5Set_512 {

K5Set::Shadow SwitchState{};

namespace {

using K5Map::Selector;
using K5Set::KindByteLatch;
using K5Set::KindDac12;
using K5Set::KindDac16;
using K5Set::KindDac8;
using K5Set::KindSwitch;

constexpr K5Map::ChipTable kChips = K5Map::MakeChipTable({
    {12, "ic51", KindSwitch},     // board select
    {16, "ic94a", KindDac12},     // CMR 1
    {17, "ic94b", KindDac12},     // working electrode offset
    {18, "ic77a", KindDac12},     // measured voltage offset
    {19, "ic77b", KindDac12},     // voltage offset
    {22, "ic95a", KindDac12},     // CMR 2
    {23, "ic95b", KindDac12},     // current offset
    {24, "ic123", KindSwitch},    // VoltageOutputAmplifierGain, Feedback
    {25, "ic46", KindSwitch},     // ModelCell, AmplMode
    {27, "ic50", KindSwitch},     // AmplMode, MuxX100, open-cell potential
    {28, "ic93a", KindDac8},      // open-cell potential offset
    {29, "ic93b", KindDac8},      // unused channel
    {30, "ic55", KindSwitch},     // WorkingElectrode, StimInScale
    {31, "ic21", KindSwitch},     // TestDacPath, MuxOutPath
    {32, "ic56", KindSwitch},     // EEPROMSelect, Remote
    {34, "ic23", KindSwitch},     // AmplMode, MuxOutPath
    {35, "ic124", KindSwitch},    // subtract paths, DAC16 route, mux ADC (inv.)
    {37, "ic66", KindSwitch},     // CurrentOutputAmplifierGain
    {38, "ic24", KindSwitch},     // VoltageFilter, first nibble
    {39, "ic29", KindSwitch},     // CurrentFilter, first nibble
    {41, "ic47", KindSwitch},     // MuxChannel
    {42, "ic133a", KindDac16},    // subtract DAC
    {43, "ic133b", KindDac16},    // init DAC
    {44, "ic134", KindByteLatch}, // low byte of the 16-bit DACs
    {48, "ic138", KindByteLatch}, // high byte of the 16-bit DACs
    {52, "ic63", KindSwitch},     // VoltageOutputAmplifierGain
    {53, "ic48", KindSwitch},     // CurrentFilter, VoltageFilter
    {60, "ic30", KindSwitch},     // CurrentFilter, second nibble
    {61, "ic25", KindSwitch},     // VoltageFilter, second nibble
    {62, "ic57", KindSwitch},     // StimulusFilter, first nibble
    {63, "ic68", KindSwitch},     // StimulusFilter, second nibble
});

constexpr Selector kCurrentOutputAmplifierGain{
    1, {{37, 0b0111}}, 4, {{0b001}, {0b101}, {0b110}, {0b100}}};
constexpr Selector kVoltageOutputAmplifierGain{
    2, {{52, 0b0010}, {24, 0b0011}}, 4, {{0b10, 0b01}, {0b00, 0b01}, {0b00, 0b10}, {0b00, 0b00}}};
constexpr Selector kModelCell{
    1, {{25, 0b0111}}, 5, {{0b000}, {0b111}, {0b100}, {0b110}, {0b101}}};

// Latch 27 bit 3 switches the open-cell potential measurement; both the
// open-cell setter and the galvanostatic open-cell setter drive it, so the
// last of the two written decides.
constexpr unsigned kOpenCellLatch = 27;
constexpr unsigned kOpenCellBit = 3;

constexpr std::uint8_t kFreeAddresses[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 13, 20,
                                           21, 26, 28, 29, 15, 33, 36, 40, 45, 46, 47, 49, 50, 51,
                                           54, 55, 56, 57, 58, 59};
constexpr unsigned kOtherSelectLatch = 14;

constexpr std::array<std::uint8_t, 2> kDumpDacSwitch[] = {
    {42, 60}, {43, 25}, {18, 41}, {19, 53}, {28, 27}, {16, 12}, {17, 30}, {22, 32}, {23, 62}};
constexpr std::array<std::uint8_t, 2> kDumpSwitchSwitch[] = {
    {31, 52}, {34, 37}, {38, 63}, {61, 24}, {39, 35}};

void Bit(unsigned latch, unsigned bit, bool on) { Board.Bit(latch, bit, on); }

void FreeAddressSetup() {
  K5Set::SendDAC8(29, 0, SwitchState);
  Board.Nibble(kOtherSelectLatch, 0xF);
  Board.ClearFreeAddresses(kFreeAddresses);
}

}  // namespace

const K5Map::Board Board{kChips, SwitchState};

void ActiveBoard(std::uint8_t board) {
  Board.Select(SelectLatch, board == K5Set::SecondBoard, "K5Set_512: ActiveBoard: ", board);
}

void CMR1Dac(std::uint16_t code) { K5Set::SendDAC12(16, code, SwitchState); }
void MeasuredVoltageOffsetDac(std::uint16_t code) { K5Set::SendDAC12(18, code, SwitchState); }
void CMR2Dac(std::uint16_t code) { K5Set::SendDAC12(22, code, SwitchState); }
void OCP_Offset(std::uint16_t code) { K5Set::SendDAC8(28, code, SwitchState); }

void CurrentOutputAmplifierGain(std::uint8_t selector) {
  Board.Apply(kCurrentOutputAmplifierGain, selector);
}
void VoltageOutputAmplifierGain(std::uint8_t selector) {
  Board.Apply(kVoltageOutputAmplifierGain, selector);
}
void ModelCell(std::uint8_t selector) { Board.Apply(kModelCell, selector); }

void OpenCellPotential(bool on) { Bit(kOpenCellLatch, kOpenCellBit, on); }
void OCP_GalMode(bool on) { Bit(kOpenCellLatch, kOpenCellBit, on); }
void AmplMode(std::uint8_t mode) {
  Bit(34, 0, mode == 1);
  Bit(25, 3, mode == 1);
  Bit(27, 1, mode == 1);
}

void InitHardware() {
  ZRV::ZeroDacs();
  ActiveBoard(K5Set::SecondBoard);
  FreeAddressSetup();
  Board.InitDacValue(0x8000);
  Board.SubtractDacValue(0x8000);
  Board.WorkElectrOffsetDac(2047);
  Board.VoltageOffsetDac(2047);
  Board.CurrentOffsetDac(2047);
  Board.Feedback(0);
  CurrentOutputAmplifierGain(0);
  VoltageOutputAmplifierGain(0);
  Board.MuxOutPath(0);
  Board.TestDacPath(0);
  ModelCell(0);
  Board.CurrentFilter(4);
  Board.VoltageFilter(4);
  Board.StimulusFilter(4);
  Board.WorkingElectrode(false);
  Board.StimInScale(0);
  Board.EEPROMSelect(false);
  OpenCellPotential(false);
  OCP_GalMode(false);
  AmplMode(0);
  Board.VoltageSubtractOn(true);
  Board.CurrentSubtractOn(true);
  Board.MuxX100(false);
  Board.MuxChannel(9);
  Board.EnableMuxAdc(true);
  MeasuredVoltageOffsetDac(2047);
  OCP_Offset(127);
  CMR1Dac(2047);
  CMR2Dac(2047);
  Board.Remote(true);
  VrnlBoards::FlushCache();
}

void InitModule() { SwitchState.fill(0); }

void WriteState() {
  Board.WriteState({kDumpDacSwitch, kDumpSwitchSwitch, {}});
}

}  // namespace K5Set_512
