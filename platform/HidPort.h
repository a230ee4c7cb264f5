// The USB HID seam: devices that take and give 64-byte reports. One Port
// finds and opens devices by vendor and product id; an open Device sends
// output reports, reads its input report and hands over the input reports
// that arrived since the last look. Two sides stand behind it: the Linux
// hidraw port through hidapi (HidrawPort below) and a simulated port
// in-process (sim/usb_amplifier/).
//
// Nothing here runs a thread or a callback of its own: the caller looks for
// arrived reports (Drain) whenever it likes, on the thread it likes, one
// thread per device at a time.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

namespace HidPort {

inline constexpr int kReportSize = 64;
using Report = std::array<std::uint8_t, kReportSize>;

enum class SendResult {
  kSent,      // the device took the report
  kTimedOut,  // it was not taken within the time-out
  kFailed,    // the device refused it
  kNoDevice,  // the device is no longer attached
};

enum class DrainResult {
  kAttached,  // every arrived report was handed over; more may come
  kRemoved,   // the device left the bus: no report will come any more
};

// Receives one arrived input report, exactly 64 bytes: a shorter report is
// zero-padded, bytes beyond the 64th are dropped.
using ReportSink = void (*)(const Report& report, void* context);

// An open device; destroying it closes the device.
class Device {
 public:
  virtual ~Device() = default;
  // The device's release number.
  virtual std::uint32_t Version() = 0;
  // Sends the 64 bytes as one output report and returns once the device
  // took it or timeoutSeconds (on the platform clock) have passed.
  virtual SendResult Send(const Report& report, double timeoutSeconds) = 0;
  // Reads the device's input report as it stands now; FALSE (report
  // zeroed) when the device gives none.
  virtual bool ReadInput(Report& report) = 0;
  // Hands every input report that arrived since the last call to sink,
  // oldest first, without waiting for more.
  virtual DrainResult Drain(ReportSink sink, void* context) = 0;
};

class Port {
 public:
  virtual ~Port() = default;
  // Opens the n-th (1-based) attached device with these ids, counting
  // device paths in the port's own order; nil when fewer than n match or
  // the n-th cannot be opened.
  virtual std::unique_ptr<Device> Open(std::uint32_t vendorId, std::uint32_t productId, int n) = 0;
};

// The real side. hidapi reads vendor id 0 as any vendor, so a request for
// vendor 0 finds nothing here and never reaches it. Its write has no
// time-out of its own (the kernel ends a report the device refuses), so the
// time the write took decides between sent and timed out.
Port& HidrawPort();

}  // namespace HidPort
