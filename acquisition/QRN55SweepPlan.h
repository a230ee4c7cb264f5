// How a QRN 5+5 sweep is laid out on the units, worked out without touching
// the hardware: where each AD/DA channel code lives (unit and channel within
// the unit), which sampling slot and row each channel takes, which channels
// the hardware needs besides the caller's, whether the sweep can run as one
// pulse per unit, and the conversion of samples by a unit's calibration.
//
// Channel codes are those of the AD/DA layer: DAC 0-3 and 4-7 the DACs of
// unit 0 and unit 1, 8/9/10 the user port, amplifier port and further output
// word of unit 0, 11/12/13 those of unit 1; ADC 0-7 and 8-15 the ADCs of
// unit 0 and unit 1, 16/17/18 the user port, amplifier port and multiplexed
// input of unit 0, 19/20/21 those of unit 1. Within a unit, outputs 1-4 are
// the DACs, 5 the further output word, 6 the user port and 7 the amplifier
// port; inputs 1-8 are the ADCs, 9 the multiplexed input, 10 the user port
// and 11 the amplifier port.
//
// A frame of a unit has up to 8 slots; each slot drives two outputs and
// samples two inputs (rows 1 and 2). The ADCs come in pairs: an odd input
// channel (ADC 0, 2, 4, 6) is converted in row 1, an even one (ADC 1, 3, 5,
// 7) and the multiplexed input in row 2; the port inputs may take either
// row.
#pragma once

#include <cstdint>
#include <span>

namespace QRN55SweepPlan {

inline constexpr int kUnits = 2;  // a master and at most one slave
inline constexpr int kSlots = 8;  // sequence steps of one frame
// Channels the AD/DA layer hands over per direction.
inline constexpr int kMaxChannels = 18;
// The ADC list of a sweep also holds up to two channels the hardware needs.
inline constexpr int kMaxActiveAdc = kMaxChannels + 2;

// Volts per code of an uncalibrated unit (3200 codes per volt).
inline constexpr double kNominalScale = 0.0003125;

// ---- Channel codes ---------------------------------------------------------

// channel 0 means "none"; a code that names no channel of the two units gives
// unit -1.
struct UnitChannel {
  int unit;
  int channel;
};

UnitChannel DacChannel(std::int32_t code);
// An ADC code equal to one of the two mapped multiplexer codes (-1 = none)
// stands for the multiplexed input of its unit.
struct MuxMap {
  std::int32_t rack1 = -1;
  std::int32_t rack2 = -1;
};
UnitChannel AdcChannel(std::int32_t code, const MuxMap& mux);

// The digital ports pass unscaled: outputs 8, 9, 11, 12 and inputs 16, 17,
// 19, 20.
bool IsPortOutput(std::int32_t code);
bool IsPortInput(std::int32_t code);

// ---- Slots -----------------------------------------------------------------

// One unit's frame: per slot the channel (0 = none) in rows 1 and 2 of each
// direction, as the driver takes them, and the position in the sweep's
// channel list that each row serves (-1 = none).
struct UnitSlots {
  int input_slot_1[kSlots];
  int input_slot_2[kSlots];
  int output_slot_1[kSlots];
  int output_slot_2[kSlots];
  int input_index_1[kSlots];
  int input_index_2[kSlots];
  int output_index_1[kSlots];
  int output_index_2[kSlots];
};

// A list position and its unit.
struct OrderEntry {
  int unit;
  int position;
};

// The order tables hold every position of their list once: unit by unit, in
// the order in which the unit moves the samples of a frame.
struct SlotPlan {
  UnitSlots units[kUnits];
  OrderEntry dacOrder[kMaxChannels];
  OrderEntry adcOrder[kMaxActiveAdc];
  int slotCount;  // slots every unit runs per frame, 1..8
};

// Places the channels, each list in its order, in the slots of their units:
// outputs fill row 1, then row 2 of a unit's current slot before it moves on;
// an ADC waits for the next slot when its row is taken; a port input of the
// master takes row 1, else row 2 (never the same port twice in one slot).
// FALSE when a code names no channel of units 0 .. units - 1, a unit needs
// more than 8 slots, or a list is longer than the plan holds.
bool ComputeSlots(std::span<const std::int32_t> dacCodes, std::span<const std::int32_t> adcCodes,
                  const MuxMap& mux, int units, SlotPlan& plan);

// The slot (1..8) of each position of the lists the plan was made from; 0
// for a position the plan does not hold.
void ChannelSlots(const SlotPlan& plan, std::span<std::int32_t> dacSlots,
                  std::span<std::int32_t> adcSlots);

// ---- Channels the hardware needs, pulsed or continuous ----------------------

struct SweepRequest {
  std::span<const std::int32_t> dacCodes;  // empty without stimulation
  std::span<const std::int32_t> adcCodes;
  bool onlyAdcVectorMissing = false;  // one ADC channel, and no vector for it
  bool pulsed = false;                // the caller asks for a pulsed sweep
  bool trigger = false;               // the sweep waits for the external trigger
  std::int32_t dacSamples = 0;
  std::int32_t adcSamples = 0;
  std::int32_t total = 0;  // the larger sample count
  double interval = 0.0;   // seconds per frame
  std::int32_t maxPulseDacSamples = 0;
  std::int32_t maxPulseAdcSamples = 0;
  bool allowPulsedSlave = true;
  MuxMap mux;
};

struct ChannelPlan {
  // The sweep's ADC list: the caller's codes, then what the hardware needs,
  // each with the index of the caller's vector (-1: the samples are not
  // wanted).
  std::int32_t adcCodes[kMaxActiveAdc];
  std::int32_t adcIndex[kMaxActiveAdc];
  int adcCount;
  // The unit's input counts in the available samples of the sweep.
  bool read[kUnits];
  bool pulsed;
};

// A pulse is one shot per unit on the internal trigger: it is dropped for a
// triggered sweep, one longer than 0.2 s, one whose samples exceed the unit
// FIFOs, and one that uses the slave unit while pulsed slaves are not
// allowed. A continuous sweep samples an input on
// every unit that takes part (a unit that only drives outputs gets its
// input 1), and the master always runs: without a counted master unit its
// input 1 is sampled as the clock of the sweep. Codes that name no channel
// are left to ComputeSlots to refuse.
void CompleteChannels(const SweepRequest& request, ChannelPlan& plan);

// ---- Calibration -------------------------------------------------------------

// A calibration that is no number (an erased or corrupt EEPROM, a failed
// fit) stands for none: the nominal scale, and no offset. A scale of 0 has no
// inverse and counts as none too.
double UsableScale(double scale);
double UsableOffset(double offset);

// The caller's nominal codes (3200 per volt) to the codes the unit needs,
// with the output's scale and offset: code x 3200 x scale - 3200 x offset
// (internal scaling), or code - trunc(3200 x offset) when the caller has
// applied the scale. Truncated toward zero and saturated at the 16-bit
// limits. dst may be src.
void ScaleOutput(const std::int16_t* src, std::int16_t* dst, std::int32_t count, double scale,
                 double offset, bool internal);
// A unit's input codes, in place, to nominal codes: code x 3200 x scale +
// 3200 x offset (internal), or code + trunc(offset / scale) when the caller
// applies the scale. Truncated and saturated as above.
void ScaleInput(std::int16_t* data, std::int32_t count, double scale, double offset, bool internal);

}  // namespace QRN55SweepPlan
