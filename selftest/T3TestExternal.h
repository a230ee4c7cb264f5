// The connection tests with cables between the AD/DA interface and one
// amplifier board: the interface's DACs to the board's test and stimulus
// inputs, the board's monitors to the interface's ADCs, the external
// current-clamp stimulus input, and on the TLV 4 and TLV 4 Plus the test
// DAC's sample-and-hold. The operator plugs the cables the "External Test"
// dialog lists before External, and DAC-0 to ADC-0 (Dac-4 to Adc-8 in a
// second rack) before TestDacSH.
//
// Every value goes into the board's external-connection results and, with
// its label, to the report, where Protocol judges it against its limits
// and counts a failure in Protocol::TestErrors: the caller compares that
// count before and after. A group a layout does not measure gets nominal
// values (gain 1, offset 0, noise 0; the external CC stimulus gain 0.1).
// The procedures return FALSE when the operator aborts at a step point
// (the groups not yet measured keep what they held) or when the board's
// layout cannot be tested. They leave multiplexer 5, stimulus scale 0 and
// test range 0; after the CC step the power-on state.
//
// The digital-I/O tests write to the test terminal only and have no caller
// in the board test. Main thread only.
#pragma once

#include <cstdint>
#include <optional>

#include "selftest/ProtocolTypes.h"
#include "selftest/TestResultsBlock.h"

namespace T3TestExternal {

using Protocol::SpanValues;
using TestResultsBlock::ExternalResults;
using TestResultsBlock::SelfTestResults;

// ---- The layout of the cables ---------------------------------------------------

// The channels one board's connection tests use; ccDac -1 gives the
// external CC stimulus its nominal group.
struct Layout {
  std::int32_t testDac;
  std::int32_t stimDac;
  std::int32_t vmonAdc;
  std::int32_t imon1Adc;
  std::int32_t imon2Adc;
  std::int32_t ccDac;
};
// The layout of the selected board, by the amplifier kind, whether it is a
// multi-board amplifier, its number within its rack and the rack's board
// count; in a second rack DACs below 4 are raised by 4 and ADCs below 8 by
// 8. Nothing for a combination the cables cannot serve.
std::optional<Layout> BoardLayout();

// A DAC or ADC number of the first rack moved to the selected board's rack.
std::int32_t RackDac(std::int32_t dac);
std::int32_t RackAdc(std::int32_t adc);

// ---- The tests ----------------------------------------------------------------------

// The multiplexer check, then the DAC test, the ADC test (only after a good
// DAC test) and the external CC step. FALSE when the check fails, the
// layout cannot be tested (nothing measured) or the operator aborted.
bool External(SelfTestResults& results);
// The sample-and-hold: its 5 V and 0 V steps on the ADC, its feed-through
// there and on the multiplexer. Other kinds than the TLV 4 and TLV 4 Plus
// get the nominal values and TRUE. FALSE when aborted.
bool TestDacSH(SelfTestResults& results);

// Test DAC to the test input (the test integrator's rate x 0.01, offset 0)
// and stimulus DAC to the stimulus input (scale 0.1, multiplexer 11).
bool ExternalDacTest(std::int32_t testDac, std::int32_t stimDac, ExternalResults& results);
// The voltage monitor, current monitors 1 and 2 on their ADCs, then the
// VMon ADC (0x40), VMon x100 (0x200) and the IMon ADC (0x40).
bool ExternalAdcTest(std::int32_t vmonAdc, std::int32_t imon1Adc, std::int32_t imon2Adc, ExternalResults& results);
// The external CC stimulus from the DAC through current monitor 1; nominal
// (gain 0.1, no line) on a TLV 3 or with more than two boards. Ends in the
// power-on state.
bool GetExtCCTransferGain(ExternalResults& results, std::int32_t dac);
// The test DAC's +-32000 pulses on the adc (raised into the second rack
// when below 8): the samples at the pulses' starts, then the mean and the
// noise; written.
void SHfeedthrough(std::int32_t adc, SpanValues& span, bool muxToAdc);

// ---- Digital I/O, on the test terminal ------------------------------------------------

// The digital output through a resistor ladder to an ADC (6 on a
// multi-board amplifier, else 0): the bit seen for bit b alone is
// round(18 - 20 v / x), x the voltage without a bit (at least 7 V); -1
// when not finite or outside 0 .. 15. The check performed, passed without
// a fault.
void DigitalIOAnalog(SelfTestResults& results);
// The bit seen from a ladder's reading; -1 when not finite or outside 0 ..
// 15.
int LadderBit(double volts, double noBitVolts);
// A port's bits 0 .. lastBit out and back in (user or amplifier port).
bool DigitalBits(int lastBit, bool fromAmplifierPort, bool toAmplifierPort);
// The trigger-interface board and its latching of bits 0 to 13.
bool TestKESP7();
// Bits 0 .. lastBit follow the output while bit 15 is clear and hold
// while it is set.
bool DigitalBitLatching(int lastBit);
// The user port's bits, then the trigger board's or the multi-board TLV
// 3's latching. The check performed, passed as the last test went.
bool DigitalIO(SelfTestResults& results);

}  // namespace T3TestExternal
