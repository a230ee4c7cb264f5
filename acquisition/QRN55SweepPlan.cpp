#include "acquisition/QRN55SweepPlan.h"

#include <algorithm>
#include <cmath>

#include "numerics/VectorInt.h"

namespace QRN55SweepPlan {

namespace {

constexpr UnitChannel kNoChannel{-1, 0};
constexpr int kMuxInput = 9;
constexpr int kUserPortInput = 10;
constexpr int kAmplifierPortInput = 11;
constexpr double kCodesPerVolt = 3200.0;
// Above this a sweep is too long for one pulse of the unit.
constexpr double kLongestPulse = 0.2;

constexpr bool IsMasterPortInput(std::int32_t code) { return code == 16 || code == 17; }

void ClearSlots(UnitSlots& slots) {
  std::fill(std::begin(slots.input_slot_1), std::end(slots.input_slot_1), 0);
  std::fill(std::begin(slots.input_slot_2), std::end(slots.input_slot_2), 0);
  std::fill(std::begin(slots.output_slot_1), std::end(slots.output_slot_1), 0);
  std::fill(std::begin(slots.output_slot_2), std::end(slots.output_slot_2), 0);
  std::fill(std::begin(slots.input_index_1), std::end(slots.input_index_1), -1);
  std::fill(std::begin(slots.input_index_2), std::end(slots.input_index_2), -1);
  std::fill(std::begin(slots.output_index_1), std::end(slots.output_index_1), -1);
  std::fill(std::begin(slots.output_index_2), std::end(slots.output_index_2), -1);
}

bool Usable(const UnitChannel& channel, int units) {
  return channel.unit >= 0 && channel.unit < units && channel.channel > 0;
}

// Where a sample of a slot comes in the unit's frame: the first converter,
// the user port, the amplifier port, the second converter.
int InputRank(int channel, int row) {
  if (channel == kUserPortInput) return 1;
  if (channel == kAmplifierPortInput) return 2;
  return row == 1 ? 0 : 3;
}

bool PlaceOutputs(std::span<const std::int32_t> codes, int units, SlotPlan& plan,
                  int (&current)[kUnits]) {
  for (int position = 0; position < static_cast<int>(codes.size()); ++position) {
    const UnitChannel target = DacChannel(codes[static_cast<std::size_t>(position)]);
    if (!Usable(target, units)) return false;
    UnitSlots& slots = plan.units[target.unit];
    int& slot = current[target.unit];
    if (slots.output_index_1[slot] < 0) {
      slots.output_index_1[slot] = position;
      slots.output_slot_1[slot] = target.channel;
    } else if (slots.output_index_2[slot] < 0) {
      slots.output_index_2[slot] = position;
      slots.output_slot_2[slot] = target.channel;
    } else {
      if (++slot >= kSlots) return false;
      slots.output_index_1[slot] = position;
      slots.output_slot_1[slot] = target.channel;
    }
  }
  return true;
}

bool PlaceInputs(std::span<const std::int32_t> codes, const MuxMap& mux, int units, SlotPlan& plan,
                 int (&current)[kUnits]) {
  for (int position = 0; position < static_cast<int>(codes.size()); ++position) {
    const std::int32_t code = codes[static_cast<std::size_t>(position)];
    const UnitChannel source = AdcChannel(code, mux);
    if (!Usable(source, units)) return false;
    UnitSlots& slots = plan.units[source.unit];
    int& slot = current[source.unit];
    int row;
    if (IsMasterPortInput(code)) {
      // One port input twice in a slot would be one sample of the unit, not
      // two.
      if (slots.input_index_1[slot] < 0) {
        row = 1;
      } else if (slots.input_index_2[slot] < 0 && slots.input_slot_1[slot] != source.channel) {
        row = 2;
      } else {
        if (++slot >= kSlots) return false;
        row = 1;
      }
    } else {
      row = source.channel == kMuxInput || code % 2 != 0 ? 2 : 1;
      const int taken = row == 1 ? slots.input_index_1[slot] : slots.input_index_2[slot];
      if (taken >= 0 && ++slot >= kSlots) return false;
    }
    if (row == 1) {
      slots.input_index_1[slot] = position;
      slots.input_slot_1[slot] = source.channel;
    } else {
      slots.input_index_2[slot] = position;
      slots.input_slot_2[slot] = source.channel;
    }
  }
  return true;
}

void OrderOutputs(SlotPlan& plan, const int (&current)[kUnits]) {
  int next = 0;
  for (int unit = 0; unit < kUnits; ++unit) {
    const UnitSlots& slots = plan.units[unit];
    for (int slot = 0; slot <= current[unit]; ++slot) {
      for (int position : {slots.output_index_1[slot], slots.output_index_2[slot]}) {
        if (position >= 0) plan.dacOrder[next++] = {unit, position};
      }
    }
  }
}

void OrderInputs(SlotPlan& plan, const int (&current)[kUnits]) {
  int next = 0;
  for (int unit = 0; unit < kUnits; ++unit) {
    const UnitSlots& slots = plan.units[unit];
    for (int slot = 0; slot <= current[unit]; ++slot) {
      int first = slots.input_index_1[slot];
      int second = slots.input_index_2[slot];
      if (InputRank(slots.input_slot_1[slot], 1) > InputRank(slots.input_slot_2[slot], 2)) {
        std::swap(first, second);
      }
      for (int position : {first, second}) {
        if (position >= 0) plan.adcOrder[next++] = {unit, position};
      }
    }
  }
}

int SlotOf(const SlotPlan& plan, int position, bool output) {
  for (const UnitSlots& slots : plan.units) {
    const int* row1 = output ? slots.output_index_1 : slots.input_index_1;
    const int* row2 = output ? slots.output_index_2 : slots.input_index_2;
    for (int slot = 0; slot < kSlots; ++slot) {
      if (row1[slot] == position || row2[slot] == position) return slot + 1;
    }
  }
  return 0;
}

}  // namespace

UnitChannel DacChannel(std::int32_t code) {
  switch (code) {
    case 8:
      return {0, 6};
    case 9:
      return {0, 7};
    case 10:
      return {0, 5};
    case 11:
      return {1, 6};
    case 12:
      return {1, 7};
    case 13:
      return {1, 5};
    default:
      if (code < 0) return kNoChannel;
      return {code / 4, code % 4 + 1};
  }
}

UnitChannel AdcChannel(std::int32_t code, const MuxMap& mux) {
  switch (code) {
    case 16:
      return {0, kUserPortInput};
    case 17:
      return {0, kAmplifierPortInput};
    case 18:
      return {0, kMuxInput};
    case 19:
      return {1, kUserPortInput};
    case 20:
      return {1, kAmplifierPortInput};
    case 21:
      return {1, kMuxInput};
    default:
      if (code < 0) return kNoChannel;
      if (code == mux.rack1 || code == mux.rack2) return {code / 8, kMuxInput};
      return {code / 8, code % 8 + 1};
  }
}

bool IsPortOutput(std::int32_t code) { return code == 8 || code == 9 || code == 11 || code == 12; }

bool IsPortInput(std::int32_t code) { return code == 16 || code == 17 || code == 19 || code == 20; }

bool ComputeSlots(std::span<const std::int32_t> dacCodes, std::span<const std::int32_t> adcCodes,
                  const MuxMap& mux, int units, SlotPlan& plan) {
  if (dacCodes.size() > kMaxChannels || adcCodes.size() > kMaxActiveAdc) return false;
  for (UnitSlots& slots : plan.units) ClearSlots(slots);
  std::fill(std::begin(plan.dacOrder), std::end(plan.dacOrder), OrderEntry{-1, -1});
  std::fill(std::begin(plan.adcOrder), std::end(plan.adcOrder), OrderEntry{-1, -1});
  units = std::clamp(units, 0, kUnits);

  int current[kUnits] = {};
  if (!PlaceOutputs(dacCodes, units, plan, current)) return false;
  OrderOutputs(plan, current);
  plan.slotCount = *std::max_element(std::begin(current), std::end(current)) + 1;

  std::fill(std::begin(current), std::end(current), 0);
  if (!PlaceInputs(adcCodes, mux, units, plan, current)) return false;
  OrderInputs(plan, current);
  plan.slotCount =
      std::max(plan.slotCount, *std::max_element(std::begin(current), std::end(current)) + 1);
  return true;
}

void ChannelSlots(const SlotPlan& plan, std::span<std::int32_t> dacSlots,
                  std::span<std::int32_t> adcSlots) {
  for (std::size_t position = 0; position < dacSlots.size(); ++position) {
    dacSlots[position] = SlotOf(plan, static_cast<int>(position), true);
  }
  for (std::size_t position = 0; position < adcSlots.size(); ++position) {
    adcSlots[position] = SlotOf(plan, static_cast<int>(position), false);
  }
}

void CompleteChannels(const SweepRequest& request, ChannelPlan& plan) {
  plan.adcCount = 0;
  const std::size_t callerAdc = std::min<std::size_t>(request.adcCodes.size(), kMaxChannels);
  for (std::size_t i = 0; i < callerAdc; ++i) {
    plan.adcCodes[plan.adcCount] = request.adcCodes[i];
    plan.adcIndex[plan.adcCount] =
        callerAdc == 1 && request.onlyAdcVectorMissing ? -1 : static_cast<std::int32_t>(i);
    ++plan.adcCount;
  }

  int outputs[kUnits] = {};
  int inputs[kUnits] = {};
  int plainInputs[kUnits] = {};
  for (std::int32_t code : request.dacCodes) {
    const UnitChannel target = DacChannel(code);
    if (Usable(target, kUnits)) ++outputs[target.unit];
  }
  for (int i = 0; i < plan.adcCount; ++i) {
    const UnitChannel source = AdcChannel(plan.adcCodes[i], request.mux);
    if (!Usable(source, kUnits)) continue;
    ++inputs[source.unit];
    if (source.channel != kMuxInput) ++plainInputs[source.unit];
  }
  const bool slaveUsed = outputs[1] + inputs[1] > 0;

  plan.pulsed = request.pulsed && !request.trigger &&
                !(request.total * request.interval > kLongestPulse ||
                  request.dacSamples > request.maxPulseDacSamples ||
                  request.adcSamples > request.maxPulseAdcSamples ||
                  (slaveUsed && !request.allowPulsedSlave));

  for (int unit = 0; unit < kUnits; ++unit) {
    plan.read[unit] = false;
    if (outputs[unit] + inputs[unit] == 0) continue;
    if (!plan.pulsed && inputs[unit] == 0) {
      plan.adcCodes[plan.adcCount] = 8 * unit;
      plan.adcIndex[plan.adcCount] = -1;
      ++plan.adcCount;
    }
    plan.read[unit] = plan.pulsed || unit == 0 || request.allowPulsedSlave ||
                      (outputs[unit] > 0 && plainInputs[unit] > 0);
  }
  const bool anyRead = plan.read[0] || plan.read[1];
  if (!(anyRead && (plan.read[0] || plan.pulsed))) {
    plan.adcCodes[plan.adcCount] = 0;
    plan.adcIndex[plan.adcCount] = -1;
    ++plan.adcCount;
    plan.read[0] = true;
  }
}

double UsableScale(double scale) {
  return std::isfinite(scale) && scale != 0.0 ? scale : kNominalScale;
}

double UsableOffset(double offset) { return std::isfinite(offset) ? offset : 0.0; }

void ScaleOutput(const std::int16_t* src, std::int16_t* dst, std::int32_t count, double scale,
                 double offset, bool internal) {
  const double s = UsableScale(scale);
  const double o = UsableOffset(offset);
  if (internal) {
    VectorInt::Scale(src, dst, count, kCodesPerVolt * s, -kCodesPerVolt * o, true);
  } else {
    VectorInt::Scale(src, dst, count, 1.0, -std::trunc(kCodesPerVolt * o), true);
  }
}

void ScaleInput(std::int16_t* data, std::int32_t count, double scale, double offset,
                bool internal) {
  const double s = UsableScale(scale);
  const double o = UsableOffset(offset);
  if (internal) {
    VectorInt::Scale(data, data, count, kCodesPerVolt * s, kCodesPerVolt * o, true);
  } else {
    VectorInt::Scale(data, data, count, 1.0, std::trunc(kCodesPerVolt * o / (kCodesPerVolt * s)),
                     true);
  }
}

}  // namespace QRN55SweepPlan
