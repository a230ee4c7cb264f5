// Our stand-in for the closed AD/DA board library: a shared library
// ("libZRV.so") with the library's ZRV24_*, ZRV28_* and ZRV_* functions
// (acquisition/ZRVLibraryCalls.h) over one simulated board of each family,
// and the ZRVSim_* functions below through which tests and simulations set
// the boards up and look into them. All functions are safe on any thread:
// one lock serialises the library.
//
// The boards' sampling clock is the platform clock once the program's loader
// has handed it over (ZRVSim_UseClock); until then a monotonic clock of our
// own. Boards work lazily: each call first runs every conversion that has
// fallen due since the last one.
//
// ZRV-24 and ZRV-28 (board numbers 0-2 and 0x10000-0x10002 answer):
//   - every start needs an InitializeAcquisition before it (which clears
//     both FIFOs; the sequence memory stays); a sweep runs until Stop, and
//     its input stays readable after it;
//   - one sequence step per sampling interval (ticks x 1 us, resp. 1.25 us):
//     the step updates its output from the output FIFO (when the sweep
//     stimulates), asks the wiring what the inputs see and converts its
//     input into the input FIFO;
//   - sequence words: ZRV-24 bits 0-2 = 7 - ADC, bits 3-4 = 3 - DAC, 0x20
//     digital input, 0x40 digital output; ZRV-28 bits 7-10 ADC (8 = digital
//     input), bits 11-13 output (0-3 DAC, 4 TLV port, 5 digital word, 6 and
//     7 none), 0x4000 on the last word and on it only;
//   - conversions reach the input FIFO through a pipeline: the first values
//     of a sweep are kPipelineFill, one per pipeline stage (ZRV-24: 5;
//     ZRV-28: 2L + 3 for a sequence of L > 1 steps, else 5), and the counter
//     does not count them, so that it starts at minus the pipeline length;
//   - the ZRV-24 sends a value only while another one follows it in the
//     output FIFO; the ZRV-28 starts to send once 3 values are queued;
//   - a full input FIFO drops conversions and latches the overflow flag; an
//     input beyond the range latches the clipping flag until it is asked for;
//   - ZRV-28 ranges 0-3 multiply an input by 1, 2, 5, 10 before conversion.
//
// QRN 2400 (board numbers 0-5 answer; one or two racks):
//   - channels are set up by records; channel c converts at t0 + delay +
//     k x clock interval x divider, outputs before inputs at the same
//     instant; the input FIFO (FIFO bytes / 2 samples) is shared evenly by
//     the inputs of a sweep, output data queue without bound in the host;
//   - overflow word: 0x10000 an input queue overflowed, 0x100000 an output
//     ran dry before its last data, 0x1 all output has been sent;
//   - clipping word: bit 16 x rack + (input mod 8) div 2, cleared when read;
//   - single scans run to their end inside the call; a single read
//     (ZRV_AsyncIO) charges 10 us per input to the clock's advance hook;
//   - ZRV_InitDevice fails with the optical-link status the first
//     `optical_link_failures` times after the setting.
//
// Codes are 3200 units per volt on every board (+-10.24 V).
#pragma once

#include <cstdint>

#include "acquisition/ZRVLibraryCalls.h"
#include "sim/ZRVLibrary/ZRVSimWiring.h"

// Board families, numbered like the AD/DA layer's board types.
constexpr std::int32_t kZRVSimZRV24 = 0;
constexpr std::int32_t kZRVSimZRV28 = 1;
constexpr std::int32_t kZRVSimQRN2400 = 2;

constexpr std::int16_t kPipelineFill = 0x5A5A;
constexpr int kZRVSimMaxSequence = 64;
constexpr int kZRVSimMaxRecords = 64;

// What the board is; changes take effect at once except where noted.
struct ZRVSimSettings {
  // FIFO depth in samples, taken at the open. Defaults: ZRV-24 0x4000,
  // ZRV-28 0x40000 (what ZRV28_GetFIFOSize reports), QRN 2400 0x100000
  // (reported as twice that in bytes, unless ZRV_GlobalConfig set a size).
  std::int32_t fifo_samples;
  // QRN 2400: 1 or 2 racks, taken at the open; their serial numbers
  // (defaults 840 x 0x10000 + 1234, and 0xFFFFFFFF for no second rack).
  std::int32_t racks;
  std::uint32_t master_serial;
  std::uint32_t slave_serial;
  // QRN 2400: initialisations that fail with the optical-link status, from
  // now on.
  std::int32_t optical_link_failures;
  // Bit 0 the board (rack 1), bit 1 rack 2: its sampling clock stands
  // still, so its sweeps convert nothing (single values and single scans
  // still work).
  std::uint32_t stalled_units;
  // Non-zero: the FIFO counter reads 0x7FFFFFFF.
  std::int32_t garbage_counter;
};

// A look into one board, for tests.
struct ZRVSimBoardState {
  std::int32_t open;
  std::int32_t board_number;    // as the open gave it
  std::int32_t initialised;
  std::int32_t initialisations; // calls of the initialisation, failed ones too
  std::int32_t mode;            // ZRV-28 logic configuration; QRN 2400 clock mode
  std::int32_t running;
  std::int32_t waiting_for_trigger;
  ZRVSimOutputs outputs;        // what the board drives now
  // ZRV-24 and ZRV-28.
  std::int32_t ticks;
  std::int32_t start_arguments[4];  // trigger, output enable, option 3, option 4
  std::int32_t sequence_length;
  std::uint16_t sequence[kZRVSimMaxSequence];
  std::int32_t sequence_loads;
  std::int32_t ranges[ZRVLibraryCalls::kRangeCount];
  std::int32_t dac_shifts[ZRVLibraryCalls::kDacShiftCount];
  std::int32_t external_trigger_mode[2];
  std::int32_t output_fifo;     // values queued for output
  // QRN 2400: the records of the last call of each kind, as received.
  ZRVLibraryCalls::GlobalConfigRecord config;
  ZRVLibraryCalls::InitRecord init;
  ZRVLibraryCalls::StartRecord start;
  ZRVLibraryCalls::StateRecord state_request;
  ZRVLibraryCalls::DataRecord available_request;
  std::int32_t channel_count;
  ZRVLibraryCalls::ChannelRecord channels[kZRVSimMaxRecords];
  std::int32_t fifo_count;
  ZRVLibraryCalls::DataRecord fifo[kZRVSimMaxRecords];
  std::int32_t io_count;
  ZRVLibraryCalls::DataRecord io[kZRVSimMaxRecords];
  std::int32_t scan_count;
  ZRVLibraryCalls::SingleScanRecord scan[kZRVSimMaxRecords];
};

extern "C" {
// Every board closed, default settings and driver version, the loopback
// wiring. The clock stays.
void ZRVSim_Reset(void);
// The clock in seconds that the boards sample by; nil: our own.
void ZRVSim_UseClock(double (*elapsedSeconds)(void));
// What moves that clock on when it stands until moved (a virtual clock):
// a single read of the QRN 2400 (ZRV_AsyncIO) charges its conversion
// through it, so that a loop polling an input sees time pass. Nil: none.
void ZRVSim_UseClockAdvance(void (*advanceSeconds)(double));
// What the boards' lines are wired to; nil: the loopback. The wiring must
// outlive its use.
void ZRVSim_SetWiring(ZRVSimWiring* wiring);
void ZRVSim_GetSettings(std::int32_t family, ZRVSimSettings* settings);
void ZRVSim_SetSettings(std::int32_t family, const ZRVSimSettings* settings);
// What ZRV_GetVersions reports (default 19, 1).
void ZRVSim_SetDriverVersion(std::int32_t first, std::int32_t second);
// The external trigger that a started sweep may wait for.
void ZRVSim_Trigger(std::int32_t family);
// The next overflow query reports one overflow that lost nothing.
void ZRVSim_InjectOverflow(std::int32_t family);
// The input (hardware number) counts as clipped.
void ZRVSim_InjectClipping(std::int32_t family, std::int32_t input);
void ZRVSim_GetBoardState(std::int32_t family, ZRVSimBoardState* state);
}
