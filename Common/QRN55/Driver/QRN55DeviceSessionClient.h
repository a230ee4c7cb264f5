// The caller's half of an open device, and the device handle of the entry
// layer: the session buffer mapped into one unit buffer client per unit,
// and, between arm and stop, the polling thread that every 80 ms moves data
// between the units and the rings.
//
// The polling thread and the caller's unit polls exclude each other through
// the polling mutex, so their unit commands never overlap; the copies
// between the rings and the caller's arrays need no lock (see
// QRN55UnitBuffer). The thread stops cooperatively: its wait ends at once
// when the stop is asked for. A thread whose poll is still stuck after one
// second is left to finish it alone; it owns its share of the polling state,
// so nothing it uses goes away under it.
#pragma once

#include <cstdint>
#include <memory>

#include "Common/QRN55/Driver/QRN55.h"
#include "Common/QRN55/Driver/QRN55UnitBufferClient.h"
#include "foundation/platform/Threads.h"

class QRN55DeviceSessionClient {
 public:
  // Real seconds between the end of one poll and the next.
  static constexpr double kPollingPeriod = 0.08;
  // How long a stop waits for a poll in progress.
  static constexpr double kStopTimeout = 1.0;

  QRN55DeviceSessionClient() = default;
  // Stops the polling thread.
  ~QRN55DeviceSessionClient();
  QRN55DeviceSessionClient(const QRN55DeviceSessionClient&) = delete;
  QRN55DeviceSessionClient& operator=(const QRN55DeviceSessionClient&) = delete;

  // session_identifier >= 0, unit_count > 0.
  void Setup(int session_identifier, int unit_count);
  // The server's session buffer (not null, buffer_size > 0): one unit
  // buffer client per unit over its descriptor. False when they cannot be
  // allocated.
  bool Map(int buffer_size, std::uint8_t* buffer);

  // Requires an idle client. Starts the polling thread in the armed state
  // (it does not poll yet): 0, or 48 when no thread can be had.
  QRN55Status ContinuousArm();
  // An armed thread starts polling at its next wake.
  void ContinuousStart();
  // Ends the polling thread: at once unless a poll is in progress, which
  // may take up to kStopTimeout before the thread is left to finish it.
  // The client is idle afterwards. Nothing happens when it is idle.
  void ContinuousStop();
  // The server's poll of one unit (its status, data and clipping), under
  // the polling mutex while the thread runs.
  QRN55Status ContinuousPollUnit(int unit_index, int clipping_mask, int& clipping);

  // Armed or started.
  bool IsActive() const { return _polling != nullptr; }
  int GetSessionIdentifier() const { return _session_identifier; }
  int GetUnitCount() const { return _unit_count; }
  QRN55UnitBufferClient& GetUnitBuffer(int index);

 private:
  struct Polling;
  static void PollingWorker(const std::shared_ptr<Polling>& polling);

  int _session_identifier = -1;
  int _unit_count = 0;
  std::unique_ptr<QRN55UnitBufferClient[]> _unit_buffers;
  // Shared with the polling thread; nil while idle.
  std::shared_ptr<Polling> _polling;
  Platform::ThreadHandle _thread;
};
