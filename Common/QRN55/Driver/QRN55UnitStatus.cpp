#include "Common/QRN55/Driver/QRN55UnitStatus.h"

#include <cmath>
#include <cstring>

#include "Common/QRN55/Driver/QRN55Assert.h"
#include "foundation/Strings.h"

namespace {

// Device information layout.
constexpr int kDescriptorOffset = 0;
constexpr int kDeviceSerialOffset = 32;
constexpr int kDescriptionOffset = 64;
constexpr int kModelOffset = 96;
constexpr int kUnitCountOffset = 100;
constexpr int kUnitIndexOffset = 104;
constexpr int kFIFOInputOffset = 108;
constexpr int kFIFOOutputOffset = 112;
constexpr int kSequenceCounterDelayOffset = 116;
constexpr int kScalingOffset = 128;
constexpr int kStringDescriptorType = 3;
constexpr int kMaximumSequenceCounterDelay = 100;

// Control register bits the set-up uses.
constexpr int kInternalTrigger = 0x02;
constexpr int kExternalTrigger = 0x04;
constexpr int kSamplingIntervalCounter = 0x10;
constexpr int kADC7FromMultiplexer = 0x20;

std::int32_t Int32At(std::span<const std::uint8_t> data, int offset) {
  const std::uint32_t value = static_cast<std::uint32_t>(data[offset]) |
                              static_cast<std::uint32_t>(data[offset + 1]) << 8 |
                              static_cast<std::uint32_t>(data[offset + 2]) << 16 |
                              static_cast<std::uint32_t>(data[offset + 3]) << 24;
  return static_cast<std::int32_t>(value);
}

int UInt16At(std::span<const std::uint8_t> data, int offset) {
  return data[offset] | data[offset + 1] << 8;
}

double DoubleAt(std::span<const std::uint8_t> data, int offset) {
  std::uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = bits << 8 | data[offset + i];
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// A text field of the record: its characters up to the first NUL, at most
// one less than the target holds.
void TextAt(std::span<const std::uint8_t> data, int offset, std::span<char> target) {
  const int limit = static_cast<int>(target.size()) - 1;
  int length = 0;
  while (length < limit && data[offset + length] != 0) {
    target[length] = static_cast<char>(data[offset + length]);
    ++length;
  }
  target[length] = '\0';
}

bool IsSerialCharacter(int c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'); }

// Input slot 1 channel codes to sequence entry bits; -1 for a code no
// converter input answers to.
int FirstInputBits(int channel) {
  switch (channel) {
    case 0:
      return 0;
    case 1:
      return 4;
    case 3:
      return 5;
    case 5:
      return 6;
    case 7:
      return 7;
    case 10:
      return 0x40;
    case 11:
      return 0x80;
    default:
      return -1;
  }
}

int SecondInputBits(int channel) {
  switch (channel) {
    case 0:
      return 0;
    case 2:
      return 4 << 3;
    case 4:
      return 5 << 3;
    case 6:
      return 6 << 3;
    case 8:
    case 9:
      return 7 << 3;
    case 10:
      return 0x40;
    case 11:
      return 0x80;
    default:
      return -1;
  }
}

// Output channel codes to the 3-bit output field; -1 when invalid.
int OutputCode(int channel) {
  if (channel == 0) return 7;
  if (channel >= 1 && channel <= 7) return channel - 1;
  return -1;
}

}  // namespace

void QRN55UnitStatus::Reset() { *this = QRN55UnitStatus(); }

int QRN55UnitStatus::SignatureReadDecode(std::span<const std::uint8_t> header) {
  QRN55_ASSERT(header.size() >= kSignatureSize);
  if (std::memcmp(header.data(), "VRNL", 4) != 0) return kBadMagic;
  device_information_location = UInt16At(header, 4);
  device_information_length = UInt16At(header, 6);
  timer_unit = UInt16At(header, 8);
  firmware = header[10];
  logic = header[11];
  return kSound;
}

int QRN55UnitStatus::EEPROMDecode(std::span<const std::uint8_t> data) {
  QRN55_ASSERT(data.size() >= kDeviceInformationSize);
  const int length = static_cast<std::int8_t>(data[kDescriptorOffset]);
  if (length < 26) return kDescriptorTooShort;
  if (length > 32) return kDescriptorTooLong;
  if (length % 2 != 0) return kDescriptorOdd;
  if (data[kDescriptorOffset + 1] != kStringDescriptorType) return kDescriptorType;

  const int characters = length / 2 - 1;
  for (int i = 0; i < characters; ++i) {
    const int c = UInt16At(data, kDescriptorOffset + 2 + 2 * i);
    if (!IsSerialCharacter(c)) {
      unit_serial_number[0] = '\0';
      return kSerialCharacter;
    }
    unit_serial_number[i] = static_cast<char>(c);
  }
  unit_serial_number[characters] = '\0';

  TextAt(data, kDeviceSerialOffset, device_serial_number);
  TextAt(data, kDescriptionOffset, description);

  model = Int32At(data, kModelOffset);
  if (model < 0) return kModelNegative;
  if (model > 1) return kModelUnknown;
  unit_count = Int32At(data, kUnitCountOffset);
  if (unit_count <= 0) return kUnitCount;
  unit_index = Int32At(data, kUnitIndexOffset);
  if (unit_index < 0) return kUnitIndexNegative;
  if (unit_index >= unit_count) return kUnitIndexRange;
  fifo_input_samples = Int32At(data, kFIFOInputOffset);
  if (fifo_input_samples <= 0) return kFIFOInputSamples;
  fifo_output_samples = Int32At(data, kFIFOOutputOffset);
  if (fifo_output_samples <= 0) return kFIFOOutputSamples;
  sequence_counter_delay = Int32At(data, kSequenceCounterDelayOffset);
  if (sequence_counter_delay < 0) return kSequenceCounterDelayNegative;
  if (sequence_counter_delay > kMaximumSequenceCounterDelay) return kSequenceCounterDelayLarge;

  // A worn or never-written EEPROM can hold non-numbers here; they would reach
  // every scaling, so each falls back to the nominal value of its kind and the
  // unit stays usable for its repair.
  constexpr double kNominalScale = 0.0003125;
  constexpr double kNominalOffset = 0.0;
  struct Field {
    std::span<double> values;
    double nominal;
  };
  int offset = kScalingOffset;
  for (const Field& field : {Field{input_scale, kNominalScale}, Field{input_offset, kNominalOffset},
                             Field{output_scale, kNominalScale},
                             Field{output_offset, kNominalOffset}}) {
    for (double& value : field.values) {
      value = DoubleAt(data, offset);
      if (!std::isfinite(value)) value = field.nominal;
      offset += 8;
    }
  }
  return kSound;
}

void QRN55UnitStatus::EEPROMSetDefaultState() {
  Strings::Assign(unit_serial_number, "0123456789ABCDE");
  Strings::Assign(device_serial_number, "0123456789ABCDE");
  Strings::Assign(description, "VRNL QRN55 (default)");
  model = 1;
  unit_count = 1;
  unit_index = 0;
  fifo_input_samples = 0x40000;
  fifo_output_samples = 0x40000;
  sequence_counter_delay = 1;
  for (double& scale : input_scale) scale = 0.000625;
  for (double& offset : input_offset) offset = -10.24;
  for (double& scale : output_scale) scale = 0.000625;
  for (double& offset : output_offset) offset = -10.24;
}

QRN55Status QRN55UnitStatus::SetupAcquisition(int sequence_count, std::span<const int> input_slot_1,
                                              std::span<const int> input_slot_2,
                                              std::span<const int> output_slot_1,
                                              std::span<const int> output_slot_2, int interval,
                                              int trigger_mode) {
  if (sequence_count < 1 || sequence_count > QRN55_MAXIMUM_SEQUENCE_COUNT) {
    return QRN55_STATUS_INVALID_SEQUENCE;
  }
  if (interval < sequence_count) return QRN55_STATUS_INVALID_INTERVAL;
  const std::size_t steps = static_cast<std::size_t>(sequence_count);
  QRN55_ASSERT(input_slot_1.size() >= steps);
  QRN55_ASSERT(input_slot_2.size() >= steps);
  QRN55_ASSERT(output_slot_1.size() >= steps);
  QRN55_ASSERT(output_slot_2.size() >= steps);

  acquisition_input_frame_samples = 0;
  acquisition_output_frame_samples = 0;
  bool multiplexed_adc7 = false;
  bool direct_adc7 = false;
  for (int step = 0; step < sequence_count; ++step) {
    const int first_input = FirstInputBits(input_slot_1[step]);
    const int second_input = SecondInputBits(input_slot_2[step]);
    const int first_output = OutputCode(output_slot_1[step]);
    const int second_output = OutputCode(output_slot_2[step]);
    if (first_input < 0 || second_input < 0 || first_output < 0 || second_output < 0) {
      return QRN55_STATUS_INVALID_SEQUENCE;
    }
    sequence_entries[step] = first_input | second_input | first_output << 8 | second_output << 12;
    if (input_slot_2[step] == 8) multiplexed_adc7 = true;
    if (input_slot_2[step] == 9) direct_adc7 = true;
    acquisition_input_frame_samples += (input_slot_1[step] != 0) + (input_slot_2[step] != 0);
    acquisition_output_frame_samples += (output_slot_1[step] != 0) + (output_slot_2[step] != 0);
  }
  if (multiplexed_adc7 && direct_adc7) return QRN55_STATUS_CONFLICTING_AD7_CHANNELS;
  for (int step = sequence_count; step < QRN55_MAXIMUM_SEQUENCE_COUNT; ++step) {
    sequence_entries[step] = 0xFFFF;
  }

  input_fifo_frames = acquisition_input_frame_samples > 0
                          ? fifo_input_samples / acquisition_input_frame_samples
                          : 0;
  output_fifo_frames = acquisition_output_frame_samples > 0
                           ? fifo_output_samples / acquisition_output_frame_samples
                           : 0;

  control_register = multiplexed_adc7 ? kADC7FromMultiplexer : 0;
  if (trigger_mode == 0) {
    control_register |= kInternalTrigger;
  } else if (trigger_mode == 1) {
    control_register |= kExternalTrigger;
  } else {
    return QRN55_STATUS_INVALID_TRIGGER_MODE;
  }

  if (interval > sequence_count) {
    control_register |= kSamplingIntervalCounter;
    frame_interval = interval - sequence_count + 1;
  } else {
    frame_interval = 0;
  }
  return QRN55_STATUS_SUCCESS;
}
