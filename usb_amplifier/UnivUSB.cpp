#include "usb_amplifier/UnivUSB.h"

#include "foundation/Strings.h"
#include "foundation/platform/Clock.h"
#include "platform/Timers.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

struct DeviceContext {
  UnivUSB_Handle handle = 0;
  std::unique_ptr<HidPort::Device> device;
  std::uint32_t vendorId = 0;
  std::uint32_t productId = 0;
  std::uint32_t version = 0;
  int index = 0;
  bool open = true;  // FALSE once shut down while its reports were being drained
  UnivUSB_DetachProc detachProc = nullptr;
  void* detachContext = nullptr;
  UnivUSB_ReplyProc replyProc = nullptr;
  void* replyContext = nullptr;
  char status[256] = "";
  HidPort::Report replyBuffer{};
};

// Shared so that a device shut down by one of its own callbacks lives on
// until its drain has returned.
std::vector<std::shared_ptr<DeviceContext>> DeviceList;
UnivUSB_Handle lastHandle = 0;
char Err[1024] = "";
HidPort::Port* port = nullptr;
int pollTimer = 0;

constexpr double kPollInterval = 1.0 / Platform::kTicksPerSecond;

DeviceContext* GetDevice(UnivUSB_Handle handle) {
  if (handle == 0) return nullptr;
  for (const auto& d : DeviceList) {
    if (d->handle == handle) return d.get();
  }
  return nullptr;
}

void SetStatus(DeviceContext& device, std::span<const char> text) {
  if (Strings::Length(device.status) <= 2) Strings::Assign(device.status, text);
}

void PollTimer(void*) { UnivUSB_Poll(); }

UnivUSB_Handle AddDevice(std::shared_ptr<DeviceContext> device) {
  lastHandle = lastHandle == UINT32_MAX ? 1 : lastHandle + 1;
  device->handle = lastHandle;
  DeviceList.push_back(std::move(device));
  if (pollTimer == 0) pollTimer = Timers::Install(kPollInterval, kPollInterval, PollTimer, nullptr);
  return lastHandle;
}

void RemoveDevice(UnivUSB_Handle handle) {
  const auto found = std::find_if(DeviceList.begin(), DeviceList.end(),
                                  [handle](const auto& d) { return d->handle == handle; });
  if (found == DeviceList.end()) return;
  (*found)->open = false;
  DeviceList.erase(found);
  if (DeviceList.empty()) {
    Timers::Remove(pollTimer);
    pollTimer = 0;
  }
}

void DeliverReply(const HidPort::Report& report, void* context) {
  DeviceContext& device = *static_cast<DeviceContext*>(context);
  if (!device.open) return;
  device.replyBuffer = report;
  if (device.replyProc != nullptr) device.replyProc(device.replyBuffer, device.replyContext);
}

void DeviceRemoved(DeviceContext& device) {
  if (device.detachProc != nullptr) device.detachProc(device.detachContext);
  if (device.open) UnivUSB_Shutdown(device.handle);
}

}  // namespace

void UnivUSB_UsePort(HidPort::Port& newPort) { port = &newPort; }

UnivUSB_Handle UnivUSB_Initialize(std::uint32_t vendorId, std::uint32_t productId, int n) {
  Strings::Clear(Err);
  HidPort::Port& current = port != nullptr ? *port : HidPort::HidrawPort();
  std::unique_ptr<HidPort::Device> opened = current.Open(vendorId, productId, n);
  if (opened == nullptr) {
    Strings::Assign(Err, "InitNthDevice: no such device, or it cannot be opened.");
    return 0;
  }
  auto device = std::make_shared<DeviceContext>();
  device->version = opened->Version();
  device->device = std::move(opened);
  device->vendorId = vendorId;
  device->productId = productId;
  device->index = n;
  Strings::Assign(device->status, UnivUSB_ReplyOkay);
  return AddDevice(std::move(device));
}

int UnivUSB_Command(UnivUSB_Handle handle, const HidPort::Report& report) {
  DeviceContext* device = GetDevice(handle);
  if (device == nullptr) return 1;
  switch (device->device->Send(report, UnivUSB_SendTimeout)) {
    case HidPort::SendResult::kSent:
      return 0;
    case HidPort::SendResult::kNoDevice:
      SetStatus(*device, Status_Disconnected);
      return 1;
    case HidPort::SendResult::kTimedOut:
    case HidPort::SendResult::kFailed:
      break;
  }
  SetStatus(*device, Status_CmdFail);
  return 1;
}

void UnivUSB_Reply(UnivUSB_Handle handle, HidPort::Report& buffer) {
  buffer.fill(0);
  DeviceContext* device = GetDevice(handle);
  if (device == nullptr) return;
  if (!device->device->ReadInput(buffer)) SetStatus(*device, Status_NoReply);
}

int UnivUSB_TestPort(UnivUSB_Handle handle, const HidPort::Report& command, double timeout) {
  DeviceContext* device = GetDevice(handle);
  if (device == nullptr) return 1;
  return device->device->Send(command, timeout) == HidPort::SendResult::kSent ? 0 : 1;
}

void UnivUSB_RegisterDetachNotification(UnivUSB_Handle handle, UnivUSB_DetachProc proc,
                                        void* context) {
  if (DeviceContext* device = GetDevice(handle); device != nullptr) {
    device->detachProc = proc;
    device->detachContext = context;
  }
}

void UnivUSB_RegisterReplyCallback(UnivUSB_Handle handle, UnivUSB_ReplyProc proc, void* context) {
  if (DeviceContext* device = GetDevice(handle); device != nullptr) {
    device->replyProc = proc;
    device->replyContext = context;
  }
}

void UnivUSB_GetVersion(UnivUSB_Handle handle, std::uint32_t& version) {
  if (const DeviceContext* device = GetDevice(handle); device != nullptr) version = device->version;
}

void UnivUSB_Flush(UnivUSB_Handle handle) {
  if (DeviceContext* device = GetDevice(handle); device != nullptr) {
    Strings::Assign(device->status, UnivUSB_ReplyOkay);
  }
}

bool UnivUSB_GetStatus(UnivUSB_Handle handle, std::span<char> text) {
  const DeviceContext* device = GetDevice(handle);
  const std::span<const char> status = device != nullptr ? std::span<const char>(device->status)
                                                         : std::span<const char>(Status_InvalidHndl);
  if (!text.empty()) Strings::Assign(text, status);
  return device == nullptr || Strings::Length(status) > 2;
}

const char* UnivUSB_GetError() { return Err; }

void UnivUSB_Shutdown(UnivUSB_Handle handle) { RemoveDevice(handle); }

void UnivUSB_Poll() {
  const std::vector<std::shared_ptr<DeviceContext>> devices = DeviceList;
  for (const auto& device : devices) {
    if (!device->open) continue;
    if (device->device->Drain(DeliverReply, device.get()) == HidPort::DrainResult::kRemoved &&
        device->open) {
      DeviceRemoved(*device);
    }
  }
}

int UnivUSB_OpenCount() { return static_cast<int>(DeviceList.size()); }
