// What the driver knows of one unit: the values decoded from its command
// signature block and its device information in the unit EEPROM, the flags
// sent with every data transfer size block, and the acquisition set-up that
// the command encoder sends.
//
// Everything a unit sends is untrusted: the decoders read only inside the
// blocks they are given and accept a record only when every check passes.
#pragma once

#include <cstdint>
#include <span>

#include "Common/QRN55/Driver/QRN55.h"

class QRN55UnitStatus {
 public:
  static constexpr int kSignatureSize = 12;
  static constexpr int kDeviceInformationSize = 512;
  static constexpr int kInputChannels = 9;
  static constexpr int kOutputChannels = 5;

  // Decode states, in the order of the checks that give them. 0 is sound;
  // any other state makes the unit's device unusable.
  enum DecodeState : int {
    kSound = 0,
    kSignatureUnreadable = 1,
    kBadMagic = 2,
    kEEPROMUnreadable = 3,
    kDescriptorTooShort = 4,
    kDescriptorTooLong = 5,
    kDescriptorOdd = 6,
    kDescriptorType = 8,
    kSerialCharacter = 9,
    kModelNegative = 10,
    kModelUnknown = 11,
    kUnitCount = 12,
    kUnitIndexNegative = 13,
    kUnitIndexRange = 14,
    kFIFOInputSamples = 15,
    kFIFOOutputSamples = 16,
    kSequenceCounterDelayNegative = 17,
    kSequenceCounterDelayLarge = 18,
  };

  // Forgets everything decoded and set up: numbers 0, texts empty, flags
  // off, sequence entries unused.
  void Reset();

  // Requires header.size() >= 12. kBadMagic when bytes 0-3 are not "VRNL"
  // (nothing is stored then); else stores the five values and gives kSound.
  int SignatureReadDecode(std::span<const std::uint8_t> header);

  // Requires data.size() >= 512. The first failing check, or kSound.
  int EEPROMDecode(std::span<const std::uint8_t> data);

  void EEPROMSetDefaultState();

  void SetupUnlock(bool flag) { unlock = flag; }
  void SetupPortE(bool flag) { port_e = flag; }

  // One step per sequence entry: each slot span must hold sequence_count
  // channel codes once the count is in 1..8. Gives 0, 2, 27, 28 or 31.
  QRN55Status SetupAcquisition(int sequence_count, std::span<const int> input_slot_1,
                               std::span<const int> input_slot_2,
                               std::span<const int> output_slot_1,
                               std::span<const int> output_slot_2, int interval, int trigger_mode);

  // Signature block.
  int timer_unit = 0;  // microseconds per tick of the unit's delay timer
  int device_information_location = 0;
  int device_information_length = 0;
  int firmware = 0;
  int logic = 0;

  // Device information.
  char unit_serial_number[16] = {};
  char device_serial_number[32] = {};
  char description[32] = {};
  int model = 0;
  int unit_count = 0;
  int unit_index = 0;
  int fifo_input_samples = 0;
  int fifo_output_samples = 0;
  int sequence_counter_delay = 0;
  double input_scale[kInputChannels] = {};
  double input_offset[kInputChannels] = {};
  double output_scale[kOutputChannels] = {};
  double output_offset[kOutputChannels] = {};

  int decode_state = kSound;
  bool unlock = false;
  bool port_e = false;

  // Acquisition set-up.
  int acquisition_input_frame_samples = 0;
  int acquisition_output_frame_samples = 0;
  int input_fifo_frames = 0;
  int output_fifo_frames = 0;
  int frame_interval = 0;
  int control_register = 0;
  int sequence_entries[QRN55_MAXIMUM_SEQUENCE_COUNT] = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF,
                                                        0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
};
