#include "Common/QRN55/Driver/QRN55DeviceSessionClient.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <new>

#include "Common/QRN55/Driver/QRN55Assert.h"
#include "Common/QRN55/Driver/QRN55ServerInterface.h"
#include "Common/QRN55/Driver/QRN55UnitBuffer.h"

// What the polling thread uses: it keeps it alive as long as it runs.
struct QRN55DeviceSessionClient::Polling {
  enum State : int { kArmed = 1, kStarted = 2 };

  explicit Polling(int identifier) : session_identifier(identifier) {}

  const int session_identifier;
  // Held around every poll of the thread and of the caller.
  std::mutex mutex;
  std::atomic<int> state{kArmed};
};

QRN55DeviceSessionClient::~QRN55DeviceSessionClient() { ContinuousStop(); }

void QRN55DeviceSessionClient::Setup(int session_identifier, int unit_count) {
  QRN55_ASSERT(session_identifier >= 0);
  QRN55_ASSERT(unit_count > 0);
  _session_identifier = session_identifier;
  _unit_count = unit_count;
}

bool QRN55DeviceSessionClient::Map(int buffer_size, std::uint8_t* buffer) {
  QRN55_ASSERT(buffer_size > 0);
  QRN55_ASSERT(buffer != nullptr);
  QRN55_ASSERT(_unit_count > 0);
  QRN55_ASSERT(static_cast<std::size_t>(buffer_size) >=
               static_cast<std::size_t>(_unit_count) * sizeof(QRN55UnitDescriptor));
  _unit_buffers.reset(new (std::nothrow) QRN55UnitBufferClient[_unit_count]);
  if (_unit_buffers == nullptr) return false;
  for (int index = 0; index < _unit_count; ++index) {
    auto* descriptor = reinterpret_cast<QRN55UnitDescriptor*>(
        buffer + static_cast<std::size_t>(index) * sizeof(QRN55UnitDescriptor));
    _unit_buffers[index].Setup(descriptor, buffer);
  }
  return true;
}

QRN55Status QRN55DeviceSessionClient::ContinuousArm() {
  QRN55_ASSERT(!IsActive());
  try {
    auto polling = std::make_shared<Polling>(_session_identifier);
    Platform::ThreadHandle thread = Platform::ThreadStart([polling] { PollingWorker(polling); }, 0);
    if (thread == nullptr) return QRN55_STATUS_THREAD_CREATE;
    _polling = std::move(polling);
    _thread = std::move(thread);
  } catch (const std::bad_alloc&) {
    return QRN55_STATUS_THREAD_CREATE;
  }
  return QRN55_STATUS_SUCCESS;
}

void QRN55DeviceSessionClient::ContinuousStart() {
  if (_polling == nullptr) return;
  int armed = Polling::kArmed;
  _polling->state.compare_exchange_strong(armed, Polling::kStarted);
}

void QRN55DeviceSessionClient::ContinuousStop() {
  if (_polling == nullptr) return;
  // A thread that is left to finish a stuck poll keeps its own share.
  Platform::ThreadKill(_thread, kStopTimeout);
  _thread.reset();
  _polling.reset();
}

QRN55Status QRN55DeviceSessionClient::ContinuousPollUnit(int unit_index, int clipping_mask,
                                                         int& clipping) {
  if (_polling == nullptr) {
    return QRN55ServerInterfaceContinuousPoll(_session_identifier, unit_index, clipping_mask,
                                              &clipping);
  }
  std::lock_guard lock(_polling->mutex);
  return QRN55ServerInterfaceContinuousPoll(_session_identifier, unit_index, clipping_mask,
                                            &clipping);
}

QRN55UnitBufferClient& QRN55DeviceSessionClient::GetUnitBuffer(int index) {
  QRN55_ASSERT(index >= 0 && index < _unit_count);
  QRN55_ASSERT(_unit_buffers != nullptr);
  return _unit_buffers[index];
}

void QRN55DeviceSessionClient::PollingWorker(const std::shared_ptr<Polling>& polling) {
  const auto period = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
      std::chrono::duration<double>(kPollingPeriod));
  for (;;) {
    // Real time, whatever clock the program runs on: a simulation's virtual
    // clock is moved by its owner, not by this thread's waits.
    Platform::SuspendUntil(std::chrono::steady_clock::now() + period);
    if (Platform::ThreadStopRequested()) return;
    if (polling->state.load() != Polling::kStarted) continue;
    std::lock_guard lock(polling->mutex);
    // Failures stay in each unit's status for the caller to read.
    QRN55ServerInterfaceDeviceContinuousPoll(polling->session_identifier);
  }
}
