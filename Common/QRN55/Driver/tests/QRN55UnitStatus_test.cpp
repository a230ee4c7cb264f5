// Decoding of the signature block and the unit EEPROM record, and the
// acquisition set-up.
#include "Common/QRN55/Driver/QRN55UnitStatus.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <limits>
#include <string>

#include "sim/QRN55SimDeviceRecord.h"

namespace {

using Record = std::array<std::uint8_t, 512>;

void PutInt32(Record& record, int offset, std::int32_t value) {
  for (int i = 0; i < 4; ++i) {
    record[offset + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> 8 * i);
  }
}

struct DecodeCase {
  const char* name;
  std::function<void(Record&)> spoil;
  int state;
};

TEST(EEPROMDecode, EveryCheckCodeInItsOrder) {
  const std::vector<DecodeCase> cases = {
      {"sound", [](Record&) {}, QRN55UnitStatus::kSound},
      {"length 24", [](Record& r) { r[0] = 24; }, QRN55UnitStatus::kDescriptorTooShort},
      {"length negative", [](Record& r) { r[0] = 0x80; }, QRN55UnitStatus::kDescriptorTooShort},
      {"length 34", [](Record& r) { r[0] = 34; }, QRN55UnitStatus::kDescriptorTooLong},
      {"length 27", [](Record& r) { r[0] = 27; }, QRN55UnitStatus::kDescriptorOdd},
      // The length is checked before the type.
      {"length 27, type 2",
       [](Record& r) {
         r[0] = 27;
         r[1] = 2;
       },
       QRN55UnitStatus::kDescriptorOdd},
      {"type 2", [](Record& r) { r[1] = 2; }, QRN55UnitStatus::kDescriptorType},
      {"serial 'a'", [](Record& r) { r[2 + 2 * 3] = 'a'; }, QRN55UnitStatus::kSerialCharacter},
      {"serial high byte", [](Record& r) { r[3 + 2 * 14] = 1; }, QRN55UnitStatus::kSerialCharacter},
      {"model -1", [](Record& r) { PutInt32(r, 96, -1); }, QRN55UnitStatus::kModelNegative},
      {"model 2", [](Record& r) { PutInt32(r, 96, 2); }, QRN55UnitStatus::kModelUnknown},
      {"unit count 0", [](Record& r) { PutInt32(r, 100, 0); }, QRN55UnitStatus::kUnitCount},
      {"unit index -1", [](Record& r) { PutInt32(r, 104, -1); },
       QRN55UnitStatus::kUnitIndexNegative},
      {"unit index = count", [](Record& r) { PutInt32(r, 104, 1); },
       QRN55UnitStatus::kUnitIndexRange},
      {"FIFO input 0", [](Record& r) { PutInt32(r, 108, 0); }, QRN55UnitStatus::kFIFOInputSamples},
      {"FIFO output -5", [](Record& r) { PutInt32(r, 112, -5); },
       QRN55UnitStatus::kFIFOOutputSamples},
      {"delay -1", [](Record& r) { PutInt32(r, 116, -1); },
       QRN55UnitStatus::kSequenceCounterDelayNegative},
      {"delay 100", [](Record& r) { PutInt32(r, 116, 100); }, QRN55UnitStatus::kSound},
      {"delay 101", [](Record& r) { PutInt32(r, 116, 101); },
       QRN55UnitStatus::kSequenceCounterDelayLarge},
  };
  for (const DecodeCase& c : cases) {
    SCOPED_TRACE(c.name);
    Record record = QRN55SimDeviceRecord().Encode();
    c.spoil(record);
    QRN55UnitStatus status;
    EXPECT_EQ(status.EEPROMDecode(record), c.state);
  }
}

TEST(EEPROMDecode, SerialLengthFollowsTheDescriptor) {
  struct Case {
    std::string serial;
    int descriptor_length;
  };
  for (const Case& c :
       {Case{"123456789012", 26}, Case{"12345678901234", 30}, Case{"123456789012345", 32}}) {
    QRN55SimDeviceRecord fields;
    fields.unit_serial = c.serial;
    const Record record = fields.Encode();
    ASSERT_EQ(record[0], c.descriptor_length);
    QRN55UnitStatus status;
    ASSERT_EQ(status.EEPROMDecode(record), QRN55UnitStatus::kSound);
    EXPECT_EQ(std::string(status.unit_serial_number), c.serial);
  }
}

TEST(EEPROMDecode, StoresEachValueBeforeCheckingIt) {
  Record record = QRN55SimDeviceRecord().Encode();
  PutInt32(record, 100, 3);
  PutInt32(record, 104, 3);
  QRN55UnitStatus status;
  EXPECT_EQ(status.EEPROMDecode(record), QRN55UnitStatus::kUnitIndexRange);
  EXPECT_EQ(status.unit_count, 3);
  EXPECT_EQ(status.unit_index, 3);
  EXPECT_EQ(status.fifo_input_samples, 0);  // not reached
}

TEST(EEPROMDecode, TextsAreCutAndAllFieldsRead) {
  QRN55SimDeviceRecord fields;
  fields.device_serial = std::string(40, 'D');
  fields.description = "a description";
  fields.unit_count = 2;
  fields.unit_index = 1;
  fields.input_fifo_size = 1000;
  fields.output_fifo_size = 2000;
  fields.sequence_counter_delay = 7;
  for (int i = 0; i < 9; ++i) {
    fields.input_scale[i] = 1.0 + i;
    fields.input_offset[i] = -1.0 - i;
  }
  for (int i = 0; i < 5; ++i) {
    fields.output_scale[i] = 10.0 + i;
    fields.output_offset[i] = -10.0 - i;
  }
  Record record = fields.Encode();
  record[32 + 31] = 'E';  // a device serial without its NUL
  QRN55UnitStatus status;
  ASSERT_EQ(status.EEPROMDecode(record), QRN55UnitStatus::kSound);
  EXPECT_EQ(std::string(status.device_serial_number), std::string(31, 'D'));
  EXPECT_EQ(std::string(status.description), "a description");
  EXPECT_EQ(status.model, 1);
  EXPECT_EQ(status.unit_count, 2);
  EXPECT_EQ(status.unit_index, 1);
  EXPECT_EQ(status.fifo_input_samples, 1000);
  EXPECT_EQ(status.fifo_output_samples, 2000);
  EXPECT_EQ(status.sequence_counter_delay, 7);
  EXPECT_EQ(status.input_scale[8], 9.0);
  EXPECT_EQ(status.input_offset[0], -1.0);
  EXPECT_EQ(status.output_scale[4], 14.0);
  EXPECT_EQ(status.output_offset[4], -14.0);
}

TEST(EEPROMDecode, NonNumbersInTheScalingsFallBackToTheirNominalValues) {
  QRN55SimDeviceRecord fields;
  fields.input_scale[2] = std::numeric_limits<double>::quiet_NaN();
  fields.input_offset[3] = std::numeric_limits<double>::infinity();
  fields.output_scale[0] = -std::numeric_limits<double>::infinity();
  fields.output_offset[4] = std::numeric_limits<double>::quiet_NaN();
  fields.input_scale[5] = 0.25;
  QRN55UnitStatus status;
  ASSERT_EQ(status.EEPROMDecode(fields.Encode()), QRN55UnitStatus::kSound);
  EXPECT_EQ(status.input_scale[2], 0.0003125);
  EXPECT_EQ(status.input_offset[3], 0.0);
  EXPECT_EQ(status.output_scale[0], 0.0003125);
  EXPECT_EQ(status.output_offset[4], 0.0);
  EXPECT_EQ(status.input_scale[5], 0.25);
}

TEST(SignatureReadDecode, TakesTheValuesOnlyBehindTheMagic) {
  const std::array<std::uint8_t, 12> good = {'V',  'R',  'N', 'L', 0x00, 0x3E,
                                             0x00, 0x02, 5,   0,   7,    9};
  QRN55UnitStatus status;
  ASSERT_EQ(status.SignatureReadDecode(good), QRN55UnitStatus::kSound);
  EXPECT_EQ(status.device_information_location, 0x3E00);
  EXPECT_EQ(status.device_information_length, 512);
  EXPECT_EQ(status.timer_unit, 5);
  EXPECT_EQ(status.firmware, 7);
  EXPECT_EQ(status.logic, 9);

  std::array<std::uint8_t, 12> bad = good;
  bad[3] = 'l';
  QRN55UnitStatus fresh;
  EXPECT_EQ(fresh.SignatureReadDecode(bad), QRN55UnitStatus::kBadMagic);
  EXPECT_EQ(fresh.device_information_location, 0);
  EXPECT_EQ(fresh.timer_unit, 0);
}

TEST(UnitStatus, ResetForgetsEverything) {
  QRN55UnitStatus status;
  status.EEPROMSetDefaultState();
  status.decode_state = 9;
  status.unlock = true;
  status.port_e = true;
  status.timer_unit = 5;
  status.sequence_entries[0] = 0x703C;
  status.Reset();
  EXPECT_EQ(status.decode_state, 0);
  EXPECT_FALSE(status.unlock);
  EXPECT_FALSE(status.port_e);
  EXPECT_EQ(status.timer_unit, 0);
  EXPECT_EQ(status.unit_serial_number[0], '\0');
  EXPECT_EQ(status.unit_count, 0);
  EXPECT_EQ(status.fifo_input_samples, 0);
  EXPECT_EQ(status.input_scale[0], 0.0);
  EXPECT_EQ(status.sequence_entries[0], 0xFFFF);
}

TEST(UnitStatus, DefaultState) {
  QRN55UnitStatus status;
  status.EEPROMSetDefaultState();
  EXPECT_STREQ(status.unit_serial_number, "0123456789ABCDE");
  EXPECT_STREQ(status.device_serial_number, "0123456789ABCDE");
  EXPECT_STREQ(status.description, "VRNL QRN55 (default)");
  EXPECT_EQ(status.fifo_input_samples, 0x40000);
  EXPECT_EQ(status.sequence_counter_delay, 1);
  EXPECT_EQ(status.input_scale[8], 0.000625);
  EXPECT_EQ(status.output_offset[4], -10.24);
}

struct SetupCase {
  const char* name;
  int count;
  std::vector<int> input_1, input_2, output_1, output_2;
  int interval;
  int trigger;
  QRN55Status result;
  std::vector<int> entries;  // the leading entries expected on success
  int input_frame_samples;
  int output_frame_samples;
  int control_register;
  int frame_interval;
};

TEST(SetupAcquisition, EntriesFrameSizesAndControlRegister) {
  const std::vector<SetupCase> cases = {
      {"one step with ADC7 from the multiplexer",
       1,
       {1},
       {8},
       {1},
       {0},
       1,
       0,
       QRN55_STATUS_SUCCESS,
       {0x703C, 0xFFFF},
       2,
       1,
       0x22,
       0},
      {"external trigger, interval counter",
       2,
       {3, 10},
       {2, 9},
       {6, 0},
       {7, 5},
       6,
       1,
       QRN55_STATUS_SUCCESS,
       {0x6525, 0x4778, 0xFFFF},
       4,
       3,
       0x14,
       5},
      {"digital inputs",
       1,
       {11},
       {10},
       {0},
       {0},
       1,
       0,
       QRN55_STATUS_SUCCESS,
       {0x77C0},
       2,
       0,
       0x02,
       0},
      {"eight steps",
       8,
       {1, 1, 1, 1, 1, 1, 1, 1},
       {0, 0, 0, 0, 0, 0, 0, 0},
       {0, 0, 0, 0, 0, 0, 0, 0},
       {0, 0, 0, 0, 0, 0, 0, 0},
       8,
       0,
       QRN55_STATUS_SUCCESS,
       {0x7704, 0x7704, 0x7704, 0x7704, 0x7704, 0x7704, 0x7704, 0x7704},
       8,
       0,
       0x02,
       0},
      {"no steps", 0, {}, {}, {}, {}, 1, 0, QRN55_STATUS_INVALID_SEQUENCE, {}, 0, 0, 0, 0},
      {"nine steps", 9, {}, {}, {}, {}, 9, 0, QRN55_STATUS_INVALID_SEQUENCE, {}, 0, 0, 0, 0},
      {"interval below count",
       2,
       {1, 1},
       {0, 0},
       {0, 0},
       {0, 0},
       1,
       0,
       QRN55_STATUS_INVALID_INTERVAL,
       {},
       0,
       0,
       0,
       0},
      {"ADC1 on the first converter",
       1,
       {2},
       {0},
       {0},
       {0},
       1,
       0,
       QRN55_STATUS_INVALID_SEQUENCE,
       {},
       0,
       0,
       0,
       0},
      {"output 8", 1, {0}, {0}, {8}, {0}, 1, 0, QRN55_STATUS_INVALID_SEQUENCE, {}, 0, 0, 0, 0},
      {"ADC7 both ways",
       2,
       {0, 0},
       {8, 9},
       {0, 0},
       {0, 0},
       2,
       0,
       QRN55_STATUS_CONFLICTING_AD7_CHANNELS,
       {},
       0,
       0,
       0,
       0},
      {"trigger mode 2",
       1,
       {1},
       {0},
       {0},
       {0},
       1,
       2,
       QRN55_STATUS_INVALID_TRIGGER_MODE,
       {},
       0,
       0,
       0,
       0},
  };
  for (const SetupCase& c : cases) {
    SCOPED_TRACE(c.name);
    QRN55UnitStatus status;
    status.fifo_input_samples = 262144;
    status.fifo_output_samples = 1000;
    ASSERT_EQ(status.SetupAcquisition(c.count, c.input_1, c.input_2, c.output_1, c.output_2,
                                      c.interval, c.trigger),
              c.result);
    if (c.result != QRN55_STATUS_SUCCESS) continue;
    for (std::size_t i = 0; i < c.entries.size(); ++i) {
      EXPECT_EQ(status.sequence_entries[i], c.entries[i]) << "entry " << i;
    }
    EXPECT_EQ(status.acquisition_input_frame_samples, c.input_frame_samples);
    EXPECT_EQ(status.acquisition_output_frame_samples, c.output_frame_samples);
    EXPECT_EQ(status.control_register, c.control_register);
    EXPECT_EQ(status.frame_interval, c.frame_interval);
    EXPECT_EQ(status.input_fifo_frames,
              c.input_frame_samples > 0 ? 262144 / c.input_frame_samples : 0);
    EXPECT_EQ(status.output_fifo_frames,
              c.output_frame_samples > 0 ? 1000 / c.output_frame_samples : 0);
  }
}

}  // namespace
