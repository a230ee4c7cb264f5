#include "Common/QRN55/Driver/QRN55UnitCommand.h"

#include <algorithm>
#include <array>
#include <bit>
#include <utility>

#include "Common/QRN55/Driver/QRN55Assert.h"

namespace {

using Block = std::array<std::uint8_t, QRN55_TRANSFER_SIZE>;

constexpr int kOperationStart = 1;
constexpr int kOperationStop = 2;
constexpr int kOperationReset = 3;
constexpr int kControlChannelBit = 0x1000;

void PutUInt16(std::span<std::uint8_t> block, int offset, std::uint32_t value) {
  block[offset] = static_cast<std::uint8_t>(value);
  block[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

void PutUInt32(std::span<std::uint8_t> block, int offset, std::uint32_t value) {
  PutUInt16(block, offset, value & 0xFFFF);
  PutUInt16(block, offset + 2, value >> 16);
}

// Samples travel little-endian; a big-endian host turns them around in place.
void SwapSamples(std::span<std::uint8_t> bytes) {
  if constexpr (std::endian::native == std::endian::big) {
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) std::swap(bytes[i], bytes[i + 1]);
  }
}

// The unit takes 16-bit EEPROM addresses.
int EEPROMAddress(int offset, std::size_t done) {
  return static_cast<int>((static_cast<std::int64_t>(offset) + static_cast<std::int64_t>(done)) &
                          0xFFFF);
}

}  // namespace

std::int64_t QRN55UnitCommand::RoundToTransfer(std::int64_t size) {
  return (size + QRN55_TRANSFER_SIZE - 1) / QRN55_TRANSFER_SIZE * QRN55_TRANSFER_SIZE;
}

std::int64_t QRN55UnitCommand::PulseWriteSize(const QRN55UnitStatus& status, int write_frames) {
  if (write_frames <= 0) return kPulseHeaderSize;
  return RoundToTransfer(kPulseHeaderSize + static_cast<std::int64_t>(write_frames) *
                                                status.acquisition_output_frame_samples * 2);
}

std::int64_t QRN55UnitCommand::PulseReadSize(const QRN55UnitStatus& status, int read_frames) {
  if (read_frames <= 0) return 0;
  return RoundToTransfer(static_cast<std::int64_t>(read_frames) *
                         status.acquisition_input_frame_samples * 2);
}

QRN55UnitCommand::QRN55UnitCommand(QRN55GlobalContext& context)
    : _context(context), _file(context.GetFilePort()) {}

QRN55DataLogger* QRN55UnitCommand::Logger() {
  return _context.IsLogging() ? &_context.GetDataLogger() : nullptr;
}

QRN55Status QRN55UnitCommand::Open(std::span<const char> path) {
  return _file.Open(path) == QRN55_STATUS_SUCCESS ? QRN55_STATUS_SUCCESS : QRN55_STATUS_UNIT_ACCESS;
}

void QRN55UnitCommand::Close() { _file.Close(); }

QRN55Status QRN55UnitCommand::RecordingControl(QRN55UnitStatus& status, int operation,
                                               int control_register) {
  Block block{};
  block[0] = static_cast<std::uint8_t>(operation);
  block[1] = static_cast<std::uint8_t>(control_register);
  const QRN55Status result = _file.Write(kRecordingAddress, block);
  if (QRN55DataLogger* logger = Logger()) logger->RecordingControl(result, status, block);
  return result;
}

QRN55Status QRN55UnitCommand::ContinuousStart(QRN55UnitStatus& status) {
  return RecordingControl(status, kOperationStart, status.control_register);
}

QRN55Status QRN55UnitCommand::ContinuousStop(QRN55UnitStatus& status) {
  return RecordingControl(status, kOperationStop, status.control_register);
}

QRN55Status QRN55UnitCommand::AcquisitionReset(QRN55UnitStatus& status) {
  return RecordingControl(status, kOperationReset, 0);
}

QRN55Status QRN55UnitCommand::ContinuousStatus(QRN55UnitStatus& status,
                                               std::uint64_t& sequence_count, int& status_bits,
                                               int& clipping) {
  Block block{};
  const QRN55Status result = _file.Read(kRecordingAddress, block);
  sequence_count = 0;
  for (int i = 7; i >= 0; --i) sequence_count = sequence_count << 8 | block[i];
  status_bits = static_cast<std::int8_t>(block[8]);
  clipping = static_cast<std::int8_t>(block[9]);
  if (QRN55DataLogger* logger = Logger()) logger->RecordingStatus(result, status, block);
  return result;
}

QRN55Status QRN55UnitCommand::AcquisitionSettings(const QRN55UnitStatus& status,
                                                  std::span<std::uint8_t> block, int write_frames,
                                                  int read_frames) {
  QRN55_ASSERT(block.size() >= 35);
  PutUInt32(block, 0,
            static_cast<std::uint32_t>(static_cast<std::int64_t>(read_frames) *
                                       status.acquisition_input_frame_samples * 2));
  PutUInt32(block, 4,
            static_cast<std::uint32_t>(static_cast<std::int64_t>(write_frames) *
                                       status.acquisition_output_frame_samples * 2));
  PutUInt16(block, 8, static_cast<std::uint32_t>(status.frame_interval));
  for (int entry = 0; entry < QRN55_MAXIMUM_SEQUENCE_COUNT; ++entry) {
    PutUInt16(block, 24 - 2 * entry, static_cast<std::uint32_t>(status.sequence_entries[entry]));
  }
  PutUInt32(block, 26, static_cast<std::uint32_t>(std::max(read_frames, write_frames)));
  PutUInt32(block, 30, 0);
  block[34] = static_cast<std::uint8_t>(status.control_register);
  return QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55UnitCommand::ContinuousInitialize(QRN55UnitStatus& status) {
  Block block{};
  AcquisitionSettings(status, block, 0, 0);
  const QRN55Status result = _file.Write(kSettingsAddress, block);
  if (QRN55DataLogger* logger = Logger()) logger->RecordingSettings(result, status, block);
  return result;
}

QRN55Status QRN55UnitCommand::Pulse(QRN55UnitStatus& status, int write_frames,
                                    std::span<std::uint8_t> block, int read_frames,
                                    std::span<std::uint8_t> input) {
  QRN55_ASSERT(write_frames >= 0);
  QRN55_ASSERT(read_frames >= 0);
  const std::int64_t write_size = PulseWriteSize(status, write_frames);
  const std::int64_t output_bytes =
      static_cast<std::int64_t>(write_frames) * status.acquisition_output_frame_samples * 2;
  QRN55_ASSERT(static_cast<std::int64_t>(block.size()) >= write_size);
  std::fill_n(block.begin(), kPulseHeaderSize, std::uint8_t{0});
  AcquisitionSettings(status, block, write_frames, read_frames);
  SwapSamples(block.subspan(kPulseHeaderSize, static_cast<std::size_t>(output_bytes)));
  const QRN55Status written =
      _file.Write(kPulseAddress, block.first(static_cast<std::size_t>(write_size)));
  if (QRN55DataLogger* logger = Logger()) {
    logger->RecordingSettings(written, status, block);
    logger->DataOutput(written, status, static_cast<int>(output_bytes),
                       static_cast<int>(write_size));
  }
  if (written != QRN55_STATUS_SUCCESS) return written;

  const std::int64_t read_size = PulseReadSize(status, read_frames);
  if (read_size == 0) return written;
  const std::int64_t input_bytes =
      static_cast<std::int64_t>(read_frames) * status.acquisition_input_frame_samples * 2;
  QRN55_ASSERT(static_cast<std::int64_t>(input.size()) >= read_size);
  const QRN55Status read =
      _file.Read(kFIFOAddress, input.first(static_cast<std::size_t>(read_size)));
  SwapSamples(input.first(static_cast<std::size_t>(input_bytes)));
  if (QRN55DataLogger* logger = Logger()) {
    logger->DataInput(read, status, static_cast<int>(input_bytes), static_cast<int>(read_size));
  }
  return read;
}

QRN55Status QRN55UnitCommand::FIFOWrite(QRN55UnitStatus& status, int data_size, int transfer_size,
                                        std::span<std::uint8_t> data) {
  QRN55_ASSERT(data_size > 0);
  QRN55_ASSERT(data_size <= transfer_size);
  QRN55_ASSERT(transfer_size % QRN55_TRANSFER_SIZE == 0);
  QRN55_ASSERT(data.size() >= static_cast<std::size_t>(transfer_size));
  SwapSamples(data.first(data_size));
  const QRN55Status result = _file.Write(kFIFOAddress, data.first(transfer_size));
  if (QRN55DataLogger* logger = Logger())
    logger->DataOutput(result, status, data_size, transfer_size);
  return result;
}

QRN55Status QRN55UnitCommand::FIFORead(QRN55UnitStatus& status, int data_size, int transfer_size,
                                       std::span<std::uint8_t> data) {
  QRN55_ASSERT(data_size > 0);
  QRN55_ASSERT(data_size <= transfer_size);
  QRN55_ASSERT(transfer_size % QRN55_TRANSFER_SIZE == 0);
  QRN55_ASSERT(data.size() >= static_cast<std::size_t>(transfer_size));
  const QRN55Status result = _file.Read(kFIFOAddress, data.first(transfer_size));
  SwapSamples(data.first(data_size));
  if (QRN55DataLogger* logger = Logger())
    logger->DataInput(result, status, data_size, transfer_size);
  return result;
}

QRN55Status QRN55UnitCommand::SetDataTransferSize(QRN55UnitStatus& status, int size, int address) {
  Block block{};
  PutUInt32(block, 0, static_cast<std::uint32_t>(size));
  PutUInt16(block, 4, static_cast<std::uint32_t>(address) & 0xFFFF);
  block[6] = status.unlock ? 1 : 0;
  block[7] = status.port_e ? 1 : 0;
  const QRN55Status result = _file.Write(kDataTransferSizeAddress, block);
  if (QRN55DataLogger* logger = Logger()) logger->DataTransferSize(result, status, block);
  return result;
}

QRN55Status QRN55UnitCommand::EEPROMRead(QRN55UnitStatus& status, int offset,
                                         std::span<std::uint8_t> data) {
  QRN55_ASSERT(!data.empty());
  QRN55_ASSERT(data.size() % QRN55_SERVICE_EEPROM_BLOCK_SIZE == 0);
  for (std::size_t done = 0; done < data.size(); done += QRN55_SERVICE_EEPROM_BLOCK_SIZE) {
    QRN55Status result = SetDataTransferSize(status, 0, EEPROMAddress(offset, done));
    if (result != QRN55_STATUS_SUCCESS) return result;
    Block block{};
    result = _file.Read(kEEPROMAddress, block);
    const auto step = data.subspan(done, QRN55_SERVICE_EEPROM_BLOCK_SIZE);
    std::copy_n(block.begin(), step.size(), step.begin());
    if (QRN55DataLogger* logger = Logger()) logger->EEPROMRead(result, status, step);
    if (result != QRN55_STATUS_SUCCESS) return result;
  }
  return QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55UnitCommand::EEPROMWrite(QRN55UnitStatus& status, int offset,
                                          std::span<const std::uint8_t> data) {
  QRN55_ASSERT(!data.empty());
  QRN55_ASSERT(data.size() % QRN55_SERVICE_EEPROM_BLOCK_SIZE == 0);
  for (std::size_t done = 0; done < data.size(); done += QRN55_SERVICE_EEPROM_BLOCK_SIZE) {
    QRN55Status result = SetDataTransferSize(status, 0, EEPROMAddress(offset, done));
    if (result != QRN55_STATUS_SUCCESS) return result;
    Block block{};
    const auto step = data.subspan(done, QRN55_SERVICE_EEPROM_BLOCK_SIZE);
    std::copy(step.begin(), step.end(), block.begin());
    result = _file.Write(kEEPROMAddress, block);
    if (QRN55DataLogger* logger = Logger()) logger->EEPROMWrite(result, status, step);
    if (result != QRN55_STATUS_SUCCESS) return result;
  }
  return QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55UnitCommand::PortEWrite(QRN55UnitStatus& status,
                                         std::span<const std::uint8_t> data) {
  QRN55_ASSERT(!data.empty());
  const QRN55Status result = _file.Write(kPortEAddress, data);
  if (QRN55DataLogger* logger = Logger()) logger->PortEWrite(result, status, data);
  return result;
}

QRN55Status QRN55UnitCommand::PortERead(QRN55UnitStatus& status, std::span<std::uint8_t> data) {
  QRN55_ASSERT(!data.empty());
  const QRN55Status result = _file.Read(kPortEAddress, data);
  if (QRN55DataLogger* logger = Logger()) logger->PortERead(result, status, data);
  return result;
}

QRN55Status QRN55UnitCommand::ControlWrite(QRN55UnitStatus& status, int channel, int value) {
  if (channel == 1) {
    value |= kControlChannelBit;
  } else if (channel != 0) {
    return QRN55_STATUS_INVALID_CHANNEL;
  }
  Block block{};
  block[0] = static_cast<std::uint8_t>(value >> 8);
  block[1] = static_cast<std::uint8_t>(value);
  const QRN55Status result = _file.Write(kControlWriteAddress, block);
  if (QRN55DataLogger* logger = Logger()) logger->ControlWrite(result, status, block);
  return result;
}

QRN55Status QRN55UnitCommand::Delay(int count) {
  QRN55_ASSERT(count >= 0);
  Block block{};
  PutUInt32(block, 0, static_cast<std::uint32_t>(count));
  return _file.Write(kDelayAddress, block);
}

QRN55Status QRN55UnitCommand::CommandSignatureRead(QRN55UnitStatus& status) {
  Block block{};
  const QRN55Status result = _file.Read(kSignatureAddress, block);
  status.decode_state = result != QRN55_STATUS_SUCCESS ? QRN55UnitStatus::kSignatureUnreadable
                                                       : status.SignatureReadDecode(block);
  if (QRN55DataLogger* logger = Logger()) logger->CommandSignatureRead(result, status, block);
  return result;
}

QRN55Status QRN55UnitCommand::SignatureRead(QRN55UnitStatus& status) {
  const int offset = status.device_information_location / QRN55_SERVICE_EEPROM_BLOCK_SIZE *
                     QRN55_SERVICE_EEPROM_BLOCK_SIZE;
  const int size = std::min(status.device_information_length / QRN55_SERVICE_EEPROM_BLOCK_SIZE *
                                QRN55_SERVICE_EEPROM_BLOCK_SIZE,
                            QRN55UnitStatus::kDeviceInformationSize);
  // A short record is decoded with zeros after it, never with stale bytes.
  std::array<std::uint8_t, QRN55UnitStatus::kDeviceInformationSize> record{};
  QRN55Status result = QRN55_STATUS_SUCCESS;
  if (size == 0) {
    status.decode_state = QRN55UnitStatus::kEEPROMUnreadable;
  } else {
    result = EEPROMRead(status, offset, std::span(record).first(size));
    status.decode_state = result != QRN55_STATUS_SUCCESS ? QRN55UnitStatus::kEEPROMUnreadable
                                                         : status.EEPROMDecode(record);
  }
  if (QRN55DataLogger* logger = Logger()) logger->SignatureRead(result, status);
  return result;
}
