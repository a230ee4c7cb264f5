// One unit of a QRN 5+5 interface as the driver sees it: its data file and
// command encoder, and what was decoded when it was opened.
#pragma once

#include <cstdint>
#include <span>

#include "Common/QRN55/Driver/QRN55.h"
#include "Common/QRN55/Driver/QRN55GlobalContext.h"
#include "Common/QRN55/Driver/QRN55UnitCommand.h"
#include "Common/QRN55/Driver/QRN55UnitStatus.h"

class QRN55Unit {
 public:
  explicit QRN55Unit(QRN55GlobalContext& context);
  QRN55Unit(const QRN55Unit&) = delete;
  QRN55Unit& operator=(const QRN55Unit&) = delete;

  // Requires a non-empty path. Opens the data file (8 when that fails), then
  // forgets the old status and reads the command signature, the device
  // information (skipped when the signature's magic is wrong) and resets the
  // acquisition. The first failing transfer closes the file and is
  // returned. A bad signature or record does not fail the open: it stays in
  // the decode state (GetStatus).
  QRN55Status Open(std::span<const char> path);
  void Close() { _command.Close(); }
  bool IsUnitPath(std::span<const char> path) const { return _command.IsUnitPath(path); }

  // Copy at most target.size() characters; the last one is always NUL.
  void GetUnitSerialNumber(std::span<char> target) const;
  void GetDeviceSerialNumber(std::span<char> target) const;
  bool IsDeviceSerialNumber(std::span<const char> text) const;

  int GetUnitIndex() const { return _status.unit_index; }
  int GetUnitCount() const { return _status.unit_count; }
  int GetStatus() const { return _status.decode_state; }
  QRN55UnitStatus& GetUnitStatus() { return _status; }
  const QRN55UnitStatus& GetUnitStatus() const { return _status; }
  QRN55UnitCommand& GetUnitCommand() { return _command; }

  void GetFIFODepth(int& input_samples, int& output_samples) const;
  // Channels 1..9 (inputs) and 1..5 (outputs); another channel >= 0 gives 22.
  QRN55Status GetInputScaling(int channel, double& scale, double& offset) const;
  QRN55Status GetOutputScaling(int channel, double& scale, double& offset) const;

  // Control output 0 or 1 (another channel >= 0 gives 22): volts clamped to
  // 0..5 V, sent as a 12-bit code.
  QRN55Status ControlWrite(int channel, double volts);
  // Waits on the unit's own timer when the delay is shorter than 255 of its
  // ticks, else on the host.
  QRN55Status Delay(double seconds);
  // The ticks of `timer_unit` microseconds that last at least `seconds`.
  // Quotients within rounding error of a whole number count as that number.
  static std::int64_t DelayTicks(double seconds, int timer_unit);

  // Reads the recording status; its clipping byte goes to `clipping` only
  // when the read succeeded.
  QRN55Status GetClipping(int& clipping);

  void ServiceGetHardware(int& firmware, int& logic) const;
  // The flag goes out with the next data transfer size block.
  void ServiceUnlock(bool flag) { _status.SetupUnlock(flag); }
  // Stores the flag and sends it at once.
  QRN55Status ServicePortEEnable(bool flag);
  QRN55Status ServicePortERead(std::span<std::uint8_t> data);
  QRN55Status ServicePortEWrite(std::span<const std::uint8_t> data);
  // offset >= 0 and a non-empty data required; 12 when the offset, 13 when
  // the size is not a multiple of 64.
  QRN55Status ServiceEEPROMRead(int offset, std::span<std::uint8_t> data);
  QRN55Status ServiceEEPROMWrite(int offset, std::span<const std::uint8_t> data);

 private:
  QRN55Status CheckEEPROMTransfer(int offset, std::size_t size) const;

  QRN55UnitStatus _status;
  QRN55UnitCommand _command;
};
