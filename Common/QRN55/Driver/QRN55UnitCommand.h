// The unit's side of the data-file protocol: every command is a positioned
// write, and every answer a positioned read, of one block at a fixed address
// of the unit's data file. Multi-byte fields are little-endian unless said
// otherwise; samples are signed 16-bit little-endian.
//
// Results are file status codes (0, 8 for an open that failed, 18, 19, 20),
// 22 for a bad control channel. The file stays open after a failed read or
// write. After each command, while the global context says so, the command
// is recorded in the data log.
#pragma once

#include <cstdint>
#include <span>

#include "Common/QRN55/Driver/QRN55.h"
#include "Common/QRN55/Driver/QRN55File.h"
#include "Common/QRN55/Driver/QRN55GlobalContext.h"
#include "Common/QRN55/Driver/QRN55UnitStatus.h"

// Every command block is one transfer of this many bytes; FIFO data moves in
// whole multiples of it.
inline constexpr int QRN55_TRANSFER_SIZE = 4096;

class QRN55UnitCommand {
 public:
  // Byte addresses in the data file.
  static constexpr std::int64_t kPulseAddress = 0x200000;
  static constexpr std::int64_t kFIFOAddress = 0x400000;
  static constexpr std::int64_t kEEPROMAddress = 0x600000;
  static constexpr std::int64_t kSignatureAddress = 0x800000;
  static constexpr std::int64_t kRecordingAddress = 0xA00000;
  static constexpr std::int64_t kSettingsAddress = 0xC00000;
  static constexpr std::int64_t kControlWriteAddress = 0xE00000;
  static constexpr std::int64_t kDelayAddress = 0x1000000;
  static constexpr std::int64_t kDataTransferSizeAddress = 0x1200000;
  static constexpr std::int64_t kPortEAddress = 0x1400000;

  // The acquisition settings head the pulse block; its output samples start
  // here.
  static constexpr int kPulseHeaderSize = 512;

  // n bytes travel as the next whole number of transfer blocks.
  static std::int64_t RoundToTransfer(std::int64_t size);
  // The bytes a pulse writes for write_frames output frames, and reads for
  // read_frames input frames (0 when there are none).
  static std::int64_t PulseWriteSize(const QRN55UnitStatus& status, int write_frames);
  static std::int64_t PulseReadSize(const QRN55UnitStatus& status, int read_frames);

  explicit QRN55UnitCommand(QRN55GlobalContext& context);

  // Opens and locks the data file; any failure gives 8.
  QRN55Status Open(std::span<const char> path);
  void Close();
  bool IsUnitPath(std::span<const char> path) const { return _file.IsFileName(path); }

  // Recording control: start and stop send the status's control register,
  // reset sends 0.
  QRN55Status ContinuousStart(QRN55UnitStatus& status);
  QRN55Status ContinuousStop(QRN55UnitStatus& status);
  QRN55Status AcquisitionReset(QRN55UnitStatus& status);

  // Reads the recording status. The outputs are written even when the read
  // failed; they mean something only on 0.
  QRN55Status ContinuousStatus(QRN55UnitStatus& status, std::uint64_t& sequence_count,
                               int& status_bits, int& clipping);

  // Writes the acquisition settings for continuous acquisition.
  QRN55Status ContinuousInitialize(QRN55UnitStatus& status);

  // Builds the 35 bytes of the acquisition settings into the block (at least
  // 35 bytes); always 0.
  QRN55Status AcquisitionSettings(const QRN55UnitStatus& status, std::span<std::uint8_t> block,
                                  int write_frames, int read_frames);

  // One pulsed acquisition. The block holds the 512-byte settings area, then
  // the output samples, and room up to PulseWriteSize; input receives
  // PulseReadSize bytes.
  QRN55Status Pulse(QRN55UnitStatus& status, int write_frames, std::span<std::uint8_t> block,
                    int read_frames, std::span<std::uint8_t> input);

  // FIFO transfers of transfer_size bytes (a multiple of 4096, at least
  // data_size > 0) whose first data_size bytes are samples; data holds
  // transfer_size bytes.
  QRN55Status FIFOWrite(QRN55UnitStatus& status, int data_size, int transfer_size,
                        std::span<std::uint8_t> data);
  QRN55Status FIFORead(QRN55UnitStatus& status, int data_size, int transfer_size,
                       std::span<std::uint8_t> data);

  // Sends the byte count (and EEPROM address) of the next transfer with the
  // status's unlock and port E flags.
  QRN55Status SetDataTransferSize(QRN55UnitStatus& status, int size, int address);

  // EEPROM access in 64-byte pairs of a data transfer size block and the
  // EEPROM window; data.size() is a positive multiple of 64.
  QRN55Status EEPROMRead(QRN55UnitStatus& status, int offset, std::span<std::uint8_t> data);
  QRN55Status EEPROMWrite(QRN55UnitStatus& status, int offset, std::span<const std::uint8_t> data);

  // One transfer of data.size() (> 0) bytes of port E.
  QRN55Status PortEWrite(QRN55UnitStatus& status, std::span<const std::uint8_t> data);
  QRN55Status PortERead(QRN55UnitStatus& status, std::span<std::uint8_t> data);

  // Sends a 12-bit code to control output 0 or 1; another channel gives 22.
  QRN55Status ControlWrite(QRN55UnitStatus& status, int channel, int value);

  // The unit waits count (>= 0) ticks of its timer.
  QRN55Status Delay(int count);

  // Reads and decodes the command signature block; the decode state becomes
  // 1 when the read fails, else the decoder's result.
  QRN55Status CommandSignatureRead(QRN55UnitStatus& status);

  // Reads and decodes the device information in the unit EEPROM. A length
  // below 64 bytes leaves nothing to read: decode state 3 and 0. A failed
  // read gives decode state 3 and its status.
  QRN55Status SignatureRead(QRN55UnitStatus& status);

 private:
  QRN55Status RecordingControl(QRN55UnitStatus& status, int operation, int control_register);
  QRN55DataLogger* Logger();

  QRN55GlobalContext& _context;
  QRN55File _file;
};
