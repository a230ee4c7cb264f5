#include "Common/QRN55/Driver/QRN55Service.h"

#include <atomic>
#include <new>

namespace {

// Guards the pointer itself; the service's own lock guards what it holds.
std::mutex serviceMutex;
std::shared_ptr<QRN55Service> currentService;
std::atomic<QRN55FilePort*> filePort{nullptr};

}  // namespace

QRN55Service::QRN55Service(QRN55FilePort* port)
    : _manager(port != nullptr ? *port : _system_port) {}

std::shared_ptr<QRN55Service> QRN55Service::GetService() {
  std::lock_guard lock(serviceMutex);
  return currentService;
}

std::shared_ptr<QRN55Service> QRN55Service::CreateService() {
  std::lock_guard lock(serviceMutex);
  if (currentService != nullptr) return currentService;
  QRN55Service* service = new (std::nothrow) QRN55Service(filePort.load());
  if (service == nullptr) return nullptr;
  try {
    currentService.reset(service);
  } catch (const std::bad_alloc&) {
    // reset has already destroyed the service.
    return nullptr;
  }
  return currentService;
}

void QRN55Service::DestroyService() {
  std::shared_ptr<QRN55Service> service;
  {
    std::lock_guard lock(serviceMutex);
    service.swap(currentService);
  }
  if (service == nullptr) return;
  service->Lock();
  service->GetDeviceManager().Discard();
  service->Release();
}

void QRN55Service::UseFilePort(QRN55FilePort* port) { filePort.store(port); }
