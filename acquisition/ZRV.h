// The one door to the AD/DA board. Everything that drives or samples the
// hardware (the amplifier control and its command cache, the self-tests, the
// calibration, the measurement routines) calls ZRV and never a backend. ZRV
// hides four board types behind one set of operations: the ZRV-24 and
// ZRV-28 (QRN24_*/QRN28_* wrappers) and the QRN 2400 rack (QRN2400_*), all
// three over the weakly bound closed board library, and the QRN 5+5 USB
// interface (QRN55Interface). Board type 4 stands for "no AD board": every
// board operation fails or does nothing.
//
// Results. An operation that can fail gives FALSE (or a neutral 0) and leaves
// the backend's status in GetLastError: 0 no error, -1 an error that ZRV
// itself found and has already reported, -3 the board library was not
// found, other values the backend's own codes. An error is reported once,
// where it is found: ZRVBase::ErrorText becomes the board name (with
// "[PCI-n]" or "[USB-n]" for the ZRV-24/28, and for a QRN 2400 above board
// number 0), " error: " and the message, and it is written to the console as
// an alert line while ZRVBase::WriteToTermIO is set.
//
// The amplifier command cache. Every operation that touches the board first
// plays the commands queued in VrnlBoards (VrnlBoards::FlushCache), so that
// the amplifier has every setting before the access; InhibitFlush skips
// exactly the next of those flushes (the cache uses it when it plays itself
// through Stim).
//
// Channel numbers (the same numbers serve DAC and ADC lists):
//   outputs 0-7 analog DACs (4-7 rack 2 on the QRN 2400), 8 the digital
//     output word, 9 the amplifier (TLV) port of rack 1, 11 and 12 the user
//     and TLV port of rack 2, 10 and 13 further output words of the two
//     QRN 5+5 units; with SetSecondTlvPort 9 means 12;
//   inputs 0-15 analog ADCs (8-15 the second rack or unit), 16 the digital
//     input word, 17 the TLV port of rack 1, 19 and 20 the user and TLV port
//     of rack 2; with SetSecondTlvPort 17 means 20.
// Analog channels pass through the DAC and ADC maps (SetRemap).
//
// Threads. Everything runs on the main thread, except that the acquisition
// timer task (ADTimerTask) calls GetReadAvailable, ReadFromAdcFIFO,
// WriteToDacFIFO, FillDacCache, CompressData and Status from its own thread
// while it pumps a long ZRV-24/28 acquisition. The state those share (the
// state, the last result, the overflow, FIFO-reset and pipeline values, the
// error text) is atomic or locked; the main thread keeps off the board while
// the task runs and every start and halt stops the task first.
#pragma once

#include <cstdint>
#include <span>

#include "acquisition/ZRVBase.h"

namespace ZRV {

// ==== Interface =============================================================

using ZRVBase::BoardType;

// Status values.
inline constexpr std::int32_t StateClosed = 0;
inline constexpr std::int32_t StateOpen = 1;     // idle
inline constexpr std::int32_t StateRunning = 2;  // an acquisition was started
inline constexpr std::int32_t StateError = 3;    // a running acquisition failed

// Channel numbers that have a meaning of their own.
inline constexpr std::int32_t DigitalOut = 8;
inline constexpr std::int32_t TlvOut = 9;
inline constexpr std::int32_t UserOut2 = 11;
inline constexpr std::int32_t TlvOut2 = 12;
inline constexpr std::int32_t DigitalIn = 16;
inline constexpr std::int32_t TlvIn = 17;
inline constexpr std::int32_t UserIn2 = 19;
inline constexpr std::int32_t TlvIn2 = 20;

inline constexpr std::int32_t DacChannels = ZRVBase::DacOutputCount;  // 0..13
inline constexpr std::int32_t AdcChannels = ZRVBase::AdcInputCount;   // 0..21

// Start flags of an acquisition.
inline constexpr std::uint16_t FlagStimulate = 0x1;  // DAC output on
// Start options of the ZRV-24/28, handed to the board inverted.
inline constexpr std::uint16_t FlagOption4 = 0x2;
inline constexpr std::uint16_t FlagOption3 = 0x4;
inline constexpr std::uint16_t FlagTrigger = 0x8;  // wait for the external trigger

// The procedure that every acquisition start calls first (SetGuard).
using GuardProc = void (*)();

// DAC buffers are read, ADC buffers written; one pointer per listed channel
// (nil where a channel's data are not wanted).
using DacBuffers = std::span<const std::int16_t* const>;
using AdcBuffers = std::span<std::int16_t* const>;
using ChannelList = std::span<const std::int32_t>;

// ---- Board, state and errors -----------------------------------------------

// Module start: board type 3, closed, no errors, identity maps, defaults of
// every switch; starts ZRVDebug, ADTimerTask and QRN55Interface.
void InitModule();

// (Re)opens and initialises a board of the type: shuts a previous board
// down, drops the amplifier command cache, reads the feature switches
// ("ZRVImmediateRead.Off", "ZRVAllowTimerTask.Off", "ZRVSync.On",
// "ZRVPCI_No.On", "ZRVAqAvMax.On", "ZRVWriteReadCounter.On",
// "ZRVVersion.On"), opens the debug log, opens the board, checks the
// driver or FPGA version, initialises, proves that the FIFO counter runs
// and puts every output to its rest value. TRUE when open afterwards; on
// failure the layer is closed with the board released and the reason
// reported.
bool InitInterface(BoardType type);
// Loads the board library (types 0-2) and opens the board; report: report
// a failure of the open itself (a missing library is always reported).
bool Open(bool report);
// Closes the backend and releases the board; state closed.
void Close();
// Full shutdown: drops the command cache, halts and zeroes the outputs of
// an open board, closes it, frees the FIFO cache, shuts the QRN 5+5
// interface, the timer task and the debug log down.
void Shutdown();

std::int32_t Status();
// While closed: selects the type (any value outside 0..4 selects 0) with its
// constants in ZRVBase and gives 0. Otherwise changes nothing and gives the
// state.
std::int32_t SetBoardType(BoardType type);
BoardType GetBoardType();
// For the next open: 0-2 the PCI boards, 3-5 the USB boards.
void SetBoardNumber(std::int32_t number);
// 1, or 2 with two racks or two joined units.
std::int32_t GetActiveUnits();
std::int32_t GetLastError();
// Appends ZRVBase::ErrorText.
void ConcatErrorText(std::span<char> text);
// ZRVBase::ErrorText as a console alert line, when it is not empty and
// ZRVBase::WriteToTermIO is set.
void WriteError();
std::uint16_t GetDigitalOutState();

// Stops a running acquisition (and the timer task) whatever the state, as
// long as a board is open; the state becomes open.
void ForceHalt();
// ForceHalt, only while running or in error.
void Halt();

// ---- Settings ---------------------------------------------------------------

// The FIFO length to ask for at the next open (0: the board's default).
void SetFIFOLength(std::int32_t length);
// ZRV-28 logic configuration 0, 1 or 2 for the next initialisation: TRUE;
// another mode selects 0 and gives FALSE. FALSE on the other boards.
bool SetBoardMode(std::int32_t mode);
// ZRV-28 in mode 2 only: the DAC shift settings. The result stays in
// GetLastError, unreported.
void SetDacShift(std::span<const std::int32_t, 4> shifts);
// QRN 2400: bit 0 sync mode 1 (master), else bit 1 sync mode 2 (slave);
// bit 2 the external trigger mode.
void Set_QRN2400_Options(std::uint8_t options);
// Amplifier commands go to the second rack's TLV port (9 means 12, 17
// means 20); a change first plays the command cache.
void SetSecondTlvPort(bool second);
// QRN 2400: text := "" and FALSE when that rack (FALSE rack 1, TRUE rack 2)
// is a QRN 2400; else its board's serial number modulo 1,000,000, right
// aligned in 6 characters, and TRUE.
bool GetZRV2400SerialNumber(bool rack2, std::span<char> text);
// QRN 5+5: the operator's guided joining of two units into one device, and
// its splitting; other boards: a console line that they cannot.
void JoinUnits();
void SplitUnits();
// QRN 5+5, open: halts, plays the command cache and resets the USB device;
// a failure is reported and shuts the layer down.
void ResetUSB();
// set TRUE: the guard is called at every acquisition start; FALSE: none.
void SetGuard(GuardProc guard, bool set);
// The next flush of the command cache is skipped.
void InhibitFlush();
// Interleaves the ADC halves of a rack (remap non-zero; rack 1, rack 2):
// ZRV-28 and QRN 2400 racks only, ADC 0..7 then read 0, 4, 1, 5, 2, 6, 3, 7.
void SetRemap(std::int32_t remap1, std::int32_t remap2);

// ---- Single values and scaling ----------------------------------------------

// Units for the volts (clipped to the output range, rounded half away from
// zero, limited to -32768..32767); volts := what the units give. A channel
// outside 0..13 gives 0 units and 0 V.
std::int32_t VoltsToDacUnits(std::int32_t channel, double& volts);
// Units / ZRVBase::AdcUnitsPerVolt of the channel (0 outside 0..21).
double AdcUnitsToVolts(std::int32_t channel, std::int32_t units);
double AdcRealUnitsToVolts(std::int32_t channel, double units);

// One value on DAC 0..13; nothing while closed.
void SetDac(std::int32_t channel, std::int32_t units);
// 0 when done; a channel outside 0..13 is given back and nothing is done.
std::int32_t SetDacReal(std::int32_t channel, double volts);
// One word on an output; channel 8 is also kept as the digital output state
// (while closed too).
void SetDigital(std::int32_t channel, std::uint16_t word);
void SetDigValue(std::uint16_t word);
// The mean of 16 samples (after one discarded) at 10 us, truncated; 0 while
// closed or after a failure.
std::int32_t ReadAdc(std::int32_t channel);
double ReadAdcReal(std::int32_t channel);
// One raw sample of an input; 0 while closed or after a failure.
std::uint16_t ReadDigital(std::int32_t channel);
// The digital input word; while closed the digital output state.
std::uint16_t ReadDigitalIO();
// Inputs clipped since the last call: bit 0 any input (ZRV-24/28), bits 0-3
// rack 1 and 4-7 rack 2 (QRN 2400), the interface's mask (QRN 5+5).
std::uint8_t ReadClippingAndClear();
// volts[0 .. r] every analog input (r = the last index of volts, at most
// the board's last input) and words[0] the digital input word, words[1]
// also the TLV input on the QRN 2400 and QRN 5+5. FALSE while running or on
// failure; while closed words[0] := the digital output state.
bool ReadAll(std::span<double> volts, std::span<std::uint16_t> words, double interval);
// Every output to its rest value in one single-sample acquisition.
bool ZeroDacs();
// ZRV-28 input range of an ADC row (0 x1, 1 x2, 2 x5, 3 x10; any other
// counts as 0): sets that input's units per volt; gives the stored range
// (0 on other boards and for rows outside the board's inputs).
std::int32_t SetInputRange(std::int32_t row, std::int32_t range);
// QRN 5+5: the interface applies its calibrated scale factors itself.
void EnableScaling(bool on);
bool ScalingIsEnabled();

// ---- Stimulate and sample ---------------------------------------------------
// Counts of channels are given beside their lists (at most 14 DAC and 22
// ADC entries, and no more than a list holds); samples are per channel;
// interval is the time between two samples of one channel, in seconds, as
// asked and (out) as run.

// Starts an acquisition. immediate in: the caller takes the whole sweep in
// one backend call when the board can; out: the data are already in the
// ADC buffers. oneShot: the DAC buffers hold the whole stimulus; append:
// DAC data will be appended while the timer task runs. TRUE when running
// (or done at once).
bool StartStimAndSample(std::int32_t dacCount, std::int32_t adcCount, std::int32_t dacSamples,
                        std::int32_t adcSamples, std::uint16_t flags, ChannelList dacList,
                        ChannelList adcList, double& interval, DacBuffers dacBuffers,
                        AdcBuffers adcBuffers, bool& immediate, bool oneShot, bool append);
// Frames (samples per channel) ready, whether still running, and stalled:
// no data for more than 5 s while not waiting for the trigger. TRUE while
// no backend error stands; a timer-task run whose appended stimulus did not
// keep up fails with "AD-timer task: stimulus underrun.".
bool AvailableStimAndSample(std::int32_t& frames, bool& running, bool& stalled);
// The poll succeeded and at least `wanted` frames are ready.
bool DoneStimAndSample(std::int32_t wanted, bool& running, bool& stalled);
// Reads frames of the started ADC channels (adcCount 0: as started; another
// count than the started one fails); halt: halt the acquisition first.
// FALSE when the read failed, also when fewer frames than asked for were
// there to read.
bool ReadStimAndSample(std::int32_t adcCount, std::int32_t frames, bool halt,
                       AdcBuffers adcBuffers);
// Appends frames of stimulus (dacCount 0: as started); last: they end it.
bool AppendToFIFO(std::int32_t dacCount, std::int32_t frames, bool last, DacBuffers dacBuffers);
// One-shot: starts, waits for every sample and reads them; FALSE with
// "Acquisition Failed." or "Acquisition Timeout." when the run ends early
// or stalls.
bool PolyStimAndSample(std::int32_t dacCount, std::int32_t adcCount, std::int32_t dacSamples,
                       std::int32_t adcSamples, std::uint16_t flags, ChannelList dacList,
                       ChannelList adcList, double& interval, DacBuffers dacBuffers,
                       AdcBuffers adcBuffers);
// One DAC and one ADC channel, samples points each (no more than the
// buffers hold); the destination may be the stimulus itself. While closed
// the destination gets a copy of the stimulus (StimAndSample) or zeros
// (Sample), and the result is TRUE.
bool StimAndSample(std::int32_t dacChannel, std::int32_t adcChannel, double& interval,
                   std::span<const std::int16_t> stimulus, std::span<std::int16_t> destination,
                   std::int32_t samples);
bool Sample(std::int32_t adcChannel, double& interval, std::span<std::int16_t> destination,
            std::int32_t samples);
bool Stim(std::int32_t dacChannel, double& interval, std::span<const std::int16_t> stimulus,
          std::int32_t samples);

// ---- Sampling interval, slots and offsets -----------------------------------

// The interval the board runs: clamped to ZRVBase::MinSamplingTime ..
// MaxSamplingTime and rounded to whole ticks.
double CheckSampleInterval(double interval);
// Slots of a ZRV-24/28 frame for that many DAC and ADC channels.
std::int32_t PhysicalChannels(std::int32_t dacCount, std::int32_t adcCount);
// slots 0: as the channels need. interval in/out; sampleInterval: one slot
// (ZRV-24/28) or the shortest frame (QRN boards); compression: board frames
// per interval (intervals above 0.05 s). FALSE when the channels cannot be
// placed.
bool GetIntervalAndCompression(std::int32_t slots, std::int32_t dacCount, std::int32_t adcCount,
                               ChannelList dacList, ChannelList adcList, double& interval,
                               double& sampleInterval, std::int32_t& compression);
// The time offset of every listed channel within a frame (seconds, at most
// as many as the spans hold). TRUE when the interval is above 0.
bool GetOffsets(std::int32_t slots, std::int32_t dacCount, std::int32_t adcCount,
                ChannelList dacList, ChannelList adcList, double& interval,
                std::span<double> dacOffsets, std::span<double> adcOffsets);

// ---- FIFO access (also from the timer task's thread) -------------------------

// Input values ready in the board FIFO: all channels together on the
// ZRV-24/28 (negative by up to the pipeline length + 1 right after a start),
// per channel on the QRN boards. A failure, a second overflow (ZRV-24/28,
// QRN 2400) or a QRN 5+5 overflow put the state to error; a failure and a
// closed layer read as ZRVBase::FIFOLength, so that a waiting caller stops.
std::int32_t GetReadAvailable();
// ZRV-24/28: reads count values (at most the FIFO length), after dropping
// the pipeline's values once after each new sequence.
void ReadFromAdcFIFO(std::int16_t* buffer, std::int32_t count);
// ZRV-24/28: writes count values (at most the FIFO length). With last the
// ZRV-24 takes one value more, which the board keeps back (it sends a value
// only while another follows): the buffer holds count + 1 values then. The
// third argument is not used.
void WriteToDacFIFO(const std::int16_t* buffer, std::int32_t count, bool unused, bool last);
// Interleaves samples values of each of the first channels buffers (from
// offset on) into frames at destination, every value repeated compression
// times in consecutive frames.
void FillDacCache(std::int32_t channels, std::int32_t samples, std::int32_t compression,
                  DacBuffers buffers, std::int32_t offset, std::int16_t* destination);
// count outputs, each from a group of compression values stride apart (the
// next group compression x stride further on): the group's first value, or
// with min(averaging, compression) >= 2 the mean of its first that many,
// truncated toward zero. Nothing for a nil destination.
void CompressData(const std::int16_t* source, std::int16_t* destination, std::int32_t count,
                  std::int32_t compression, std::int32_t averaging, std::int32_t stride);

}  // namespace ZRV
