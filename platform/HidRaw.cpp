// The hidraw side of the USB HID seam, through hidapi. Reports go out with
// report id 0 in front, as hidapi wants for devices without numbered
// reports.
#include "platform/HidPort.h"

#include "foundation/platform/Clock.h"

#include <hidapi.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

namespace HidPort {

namespace {

constexpr int kWithReportId = kReportSize + 1;

class HidrawDevice final : public Device {
 public:
  HidrawDevice(hid_device* device, std::uint32_t version) : device_(device), version_(version) {}
  ~HidrawDevice() override { hid_close(device_); }

  std::uint32_t Version() override { return version_; }

  SendResult Send(const Report& report, double timeoutSeconds) override {
    std::array<unsigned char, kWithReportId> buffer{};
    std::copy(report.begin(), report.end(), buffer.begin() + 1);
    const double start = Platform::ElapsedSeconds();
    errno = 0;
    const int written = hid_write(device_, buffer.data(), buffer.size());
    const int error = errno;
    if (Platform::ElapsedSeconds() - start > timeoutSeconds) return SendResult::kTimedOut;
    if (written >= 0) return SendResult::kSent;
    return error == ENODEV ? SendResult::kNoDevice : SendResult::kFailed;
  }

  bool ReadInput(Report& report) override {
    report.fill(0);
    std::array<unsigned char, kWithReportId> buffer{};
    const int read = hid_get_input_report(device_, buffer.data(), buffer.size());
    if (read <= 1) return false;
    std::copy_n(buffer.begin() + 1, std::min(read - 1, kReportSize), report.begin());
    return true;
  }

  DrainResult Drain(ReportSink sink, void* context) override {
    for (;;) {
      std::array<unsigned char, kWithReportId> buffer{};
      const int read = hid_read_timeout(device_, buffer.data(), buffer.size(), 0);
      if (read < 0) return DrainResult::kRemoved;
      if (read == 0) return DrainResult::kAttached;
      Report report{};
      std::copy_n(buffer.begin(), std::min(read, kReportSize), report.begin());
      sink(report, context);
    }
  }

 private:
  hid_device* device_;
  std::uint32_t version_;
};

class HidrawPortImpl final : public Port {
 public:
  std::unique_ptr<Device> Open(std::uint32_t vendorId, std::uint32_t productId, int n) override {
    if (vendorId == 0 || vendorId > 0xFFFF || productId > 0xFFFF || n < 1) return nullptr;
    if (!initialised_) {
      if (hid_init() != 0) return nullptr;
      initialised_ = true;
    }
    hid_device_info* all = hid_enumerate(static_cast<unsigned short>(vendorId),
                                         static_cast<unsigned short>(productId));
    std::vector<std::string> paths;
    std::string wanted;
    std::uint32_t version = 0;
    for (const hid_device_info* d = all; d != nullptr; d = d->next) {
      if (d->path == nullptr || std::find(paths.begin(), paths.end(), d->path) != paths.end()) continue;
      paths.emplace_back(d->path);
      if (static_cast<int>(paths.size()) == n) {
        wanted = d->path;
        version = d->release_number;
      }
    }
    hid_free_enumeration(all);
    if (wanted.empty()) return nullptr;
    hid_device* device = hid_open_path(wanted.c_str());
    if (device == nullptr) return nullptr;
    return std::make_unique<HidrawDevice>(device, version);
  }

 private:
  bool initialised_ = false;
};

}  // namespace

Port& HidrawPort() {
  static HidrawPortImpl port;
  return port;
}

}  // namespace HidPort
