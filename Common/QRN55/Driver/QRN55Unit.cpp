#include "Common/QRN55/Driver/QRN55Unit.h"

#include <algorithm>
#include <cmath>

#include "Common/QRN55/Driver/QRN55Assert.h"
#include "foundation/Strings.h"

namespace {

constexpr double kMaximumControlVolts = 5.0;
constexpr double kControlCodesPerVolt = 819.2;
constexpr int kMaximumControlCode = 4095;
constexpr int kUnitDelayTicks = 255;

void CopyText(std::span<const char> source, std::span<char> target) {
  QRN55_ASSERT(!target.empty());
  Strings::Assign(target, source);
  target.back() = '\0';
}

}  // namespace

QRN55Unit::QRN55Unit(QRN55GlobalContext& context) : _command(context) {}

QRN55Status QRN55Unit::Open(std::span<const char> path) {
  QRN55_ASSERT(Strings::Length(path) > 0);
  QRN55Status result = _command.Open(path);
  if (result != QRN55_STATUS_SUCCESS) return result;
  _status.Reset();
  result = _command.CommandSignatureRead(_status);
  // A unit that does not answer with the magic has no trustworthy record
  // location: its bad magic stays the verdict.
  if (result == QRN55_STATUS_SUCCESS && _status.decode_state != QRN55UnitStatus::kBadMagic) {
    result = _command.SignatureRead(_status);
  }
  if (result == QRN55_STATUS_SUCCESS) result = _command.AcquisitionReset(_status);
  if (result != QRN55_STATUS_SUCCESS) _command.Close();
  return result;
}

void QRN55Unit::GetUnitSerialNumber(std::span<char> target) const {
  CopyText(_status.unit_serial_number, target);
}

void QRN55Unit::GetDeviceSerialNumber(std::span<char> target) const {
  CopyText(_status.device_serial_number, target);
}

bool QRN55Unit::IsDeviceSerialNumber(std::span<const char> text) const {
  return Strings::Equal(_status.device_serial_number, text);
}

void QRN55Unit::GetFIFODepth(int& input_samples, int& output_samples) const {
  input_samples = _status.fifo_input_samples;
  output_samples = _status.fifo_output_samples;
}

QRN55Status QRN55Unit::GetInputScaling(int channel, double& scale, double& offset) const {
  QRN55_ASSERT(channel >= 0);
  if (channel < 1 || channel > QRN55UnitStatus::kInputChannels) {
    return QRN55_STATUS_INVALID_CHANNEL;
  }
  scale = _status.input_scale[channel - 1];
  offset = _status.input_offset[channel - 1];
  return QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55Unit::GetOutputScaling(int channel, double& scale, double& offset) const {
  QRN55_ASSERT(channel >= 0);
  if (channel < 1 || channel > QRN55UnitStatus::kOutputChannels) {
    return QRN55_STATUS_INVALID_CHANNEL;
  }
  scale = _status.output_scale[channel - 1];
  offset = _status.output_offset[channel - 1];
  return QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55Unit::ControlWrite(int channel, double volts) {
  QRN55_ASSERT(channel >= 0);
  if (channel > 1) return QRN55_STATUS_INVALID_CHANNEL;
  // Not-a-number would survive the clamp and make the conversion undefined.
  const double clamped = std::isnan(volts) ? 0.0 : std::clamp(volts, 0.0, kMaximumControlVolts);
  const int code = std::min(static_cast<int>(clamped * kControlCodesPerVolt), kMaximumControlCode);
  return _command.ControlWrite(_status, channel, code);
}

std::int64_t QRN55Unit::DelayTicks(double seconds, int timer_unit) {
  // 0.001 s / 5e-6 s is 200.00000000000003 in doubles; a plain ceiling would
  // wait one tick too long.
  const double quotient = seconds / (timer_unit * 1e-6);
  const double nearest = std::round(quotient);
  if (std::fabs(quotient - nearest) <= 1e-9 * std::max(1.0, nearest)) {
    return static_cast<std::int64_t>(nearest);
  }
  return static_cast<std::int64_t>(std::ceil(quotient));
}

QRN55Status QRN55Unit::Delay(double seconds) {
  const int timer_unit = _status.timer_unit;
  if (timer_unit > 0 && seconds < kUnitDelayTicks * timer_unit * 1e-6) {
    const std::int64_t ticks = std::max<std::int64_t>(DelayTicks(seconds, timer_unit), 0);
    return _command.Delay(static_cast<int>(ticks));
  }
  QRN55_SystemDelay(seconds);
  return QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55Unit::GetClipping(int& clipping) {
  std::uint64_t sequence_count;
  int status_bits;
  int clipping_bits;
  const QRN55Status result =
      _command.ContinuousStatus(_status, sequence_count, status_bits, clipping_bits);
  if (result == QRN55_STATUS_SUCCESS) clipping = clipping_bits;
  return result;
}

void QRN55Unit::ServiceGetHardware(int& firmware, int& logic) const {
  firmware = _status.firmware;
  logic = _status.logic;
}

QRN55Status QRN55Unit::ServicePortEEnable(bool flag) {
  _status.SetupPortE(flag);
  return _command.SetDataTransferSize(_status, 0, 0);
}

QRN55Status QRN55Unit::ServicePortERead(std::span<std::uint8_t> data) {
  QRN55_ASSERT(!data.empty());
  return _command.PortERead(_status, data);
}

QRN55Status QRN55Unit::ServicePortEWrite(std::span<const std::uint8_t> data) {
  QRN55_ASSERT(!data.empty());
  return _command.PortEWrite(_status, data);
}

QRN55Status QRN55Unit::CheckEEPROMTransfer(int offset, std::size_t size) const {
  QRN55_ASSERT(offset >= 0);
  QRN55_ASSERT(size > 0);
  if (offset % QRN55_SERVICE_EEPROM_BLOCK_SIZE != 0) return QRN55_STATUS_EEPROM_OFFSET;
  if (size % QRN55_SERVICE_EEPROM_BLOCK_SIZE != 0) return QRN55_STATUS_EEPROM_SIZE;
  return QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55Unit::ServiceEEPROMRead(int offset, std::span<std::uint8_t> data) {
  const QRN55Status check = CheckEEPROMTransfer(offset, data.size());
  if (check != QRN55_STATUS_SUCCESS) return check;
  return _command.EEPROMRead(_status, offset, data);
}

QRN55Status QRN55Unit::ServiceEEPROMWrite(int offset, std::span<const std::uint8_t> data) {
  const QRN55Status check = CheckEEPROMTransfer(offset, data.size());
  if (check != QRN55_STATUS_SUCCESS) return check;
  return _command.EEPROMWrite(_status, offset, data);
}
