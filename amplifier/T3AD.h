// The amplifier core's door to the AD/DA layer: the amplifier kind with the
// AD/DA board, board letter and channel remapping that go with it, the
// opening of the interface, and the AD/DA calls wrapped so that the
// amplifier's test-DAC output and multiplexer routing are as the caller
// asks before each access (T3Panel::SetQTestDac, SetQMuxAdc); the wrappers
// give what the AD/DA layer gives, its errors reported there.
//
// The kinds (T3Types::AmplifierKind) and what SetTlvType makes of them:
//   kind  AD/DA board        letter  remap rack 1, 2  chip select masked
//   0, 1  as given           none    off, off         no
//   2     0 ZRV-24           'D'     off, off         yes
//   3     2 QRN 2400         'S'     on, on           no
//   4     1 ZRV-28           'Q'     on, off          no
//   5     3 QRN 5+5          'R'     off, off         no   (mux on AD 7)
//   6     3 QRN 5+5          'I'     off, off         no
//   other as given, kind 0   none    off, off         no
// Kinds 3 to 6 reach the small amplifier EEPROM through the chip-select
// procedure (T3Base::UseSelectProc).
//
// Digital lines left to the user (SetInitParameters): ZRV-24 in 14, out
// 13; ZRV-28 14, 15; the others 15, 15; with probe selectors at most in
// 13, out 5; with the trigger board at most 13, 13.
#pragma once

#include <cstdint>
#include <span>

#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "amplifier/T3Types.h"

namespace T3AD {

// ==== Interface =============================================================

// Hands the word to the amplifier port of the selected board
// (T3Types::State.CommandPortChannel), the chip-select bit masked as
// T3Base::MaskChipSelectBit says.
void SendByte(std::uint16_t word);

// ---- Wrappers ----------------------------------------------------------------

// SetQMuxAdc(muxToAdc), ZRV::Sample.
bool Sample(std::int32_t channel, double& interval, std::span<std::int16_t> buffer,
            std::int32_t count, bool muxToAdc);
// SetQTestDac(testDacOff), SetQMuxAdc(muxToAdc), ZRV::StimAndSample.
bool StimAndSample(std::int32_t dac, std::int32_t adc, double& interval,
                   std::span<const std::int16_t> stimulus, std::span<std::int16_t> data,
                   std::int32_t count, bool testDacOff, bool muxToAdc);
// SetQTestDac(testDacOff), ZRV::SetDacReal.
std::int32_t SetDacReal(std::int32_t channel, double volts, bool testDacOff);
// SetQTestDac(testDacOff), ZRV::SetDac (which plays the queued command
// words first; nothing while the interface is closed).
void SetDac(std::int32_t channel, std::int32_t units, bool testDacOff);
// SetQMuxAdc(muxToAdc), ZRV::ReadAdcReal / ZRV::ReadAdc.
double ReadAdcReal(std::int32_t channel, bool muxToAdc);
std::int32_t ReadAdc(std::int32_t channel, bool muxToAdc);
// ZRV::PolyStimAndSample with as many outputs as inputs and as many
// samples out as in.
bool PolyStimAndSample(std::int32_t channels, std::int32_t samples, std::uint16_t flags,
                       ZRV::ChannelList outChannels, ZRV::ChannelList inChannels,
                       double& interval, ZRV::DacBuffers outBuffers, ZRV::AdcBuffers inBuffers);
// ZRV::Shutdown.
void Shutdown();

// ---- Board and kind ----------------------------------------------------------

// ZRV::GetBoardType, any value outside 1 to 4 as 0.
ZRVBase::BoardType GetBoardType();
// ZRV::Shutdown, then ZRV::SetBoardType(board) (outside 1 to 4: 0).
void SetBoardType(ZRVBase::BoardType board);
// ADMeasure::GetCorrections for the board type (1 to 4; any other 0).
void GetCorrections(ZRVBase::BoardType board, double& delay, double& inputTau, double& outputTau,
                    double& sampleCorrection);
// T3Base::ADBoard := GetBoardType; the digital limits (above); Title from
// the kind; ModelKind, ADBoard and MaxDigBitOut into the live state.
void SetInitParameters();
// Shuts the layer down and sets the kind's facts (table above) in T3Base:
// AmplKind, ADBoard, BoardVersion, UseSelectProc, the remaps,
// MaskChipSelectBit and MuxAdcMappedToAD7; the board's timing corrections
// into ADMeasure only when the kind or the board changed; then the board
// type, SetInitParameters and ZRV::SetRemap.
void SetTlvType(T3Types::AmplifierKind kind, ZRVBase::BoardType adBoard);
// SetTlvType; the ZRV-28's DAC-shift mode when T3Base::DacShiftEnabled
// (an error line "LCA mode not set" when it cannot be had; the interface
// is still opened), else DacShiftEnabled := FALSE; opens the interface;
// with probeTriggerBoard T3Base::KESP7Active := the trigger board is
// present (and, the interface open, initialised); plays the cache;
// SetInitParameters. TRUE when the interface is open.
bool InitInterface(T3Types::AmplifierKind kind, ZRVBase::BoardType adBoard,
                   bool probeTriggerBoard);

}  // namespace T3AD
