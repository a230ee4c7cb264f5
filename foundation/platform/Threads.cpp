#include "foundation/platform/Threads.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <new>
#include <thread>

namespace Platform {

struct ThreadState {
  std::mutex mutex;
  std::condition_variable wake;      // a stop was requested
  std::condition_variable finished;  // the body has returned
  std::atomic<bool> stopRequested{false};
  bool ended = false;  // under mutex
  std::thread worker;  // under mutex; joined or detached exactly once

  ~ThreadState() {
    // Reached only after the body returned. The last owner may be the
    // thread itself, which cannot join itself.
    if (!worker.joinable()) return;
    if (worker.get_id() == std::this_thread::get_id()) {
      worker.detach();
    } else {
      worker.join();
    }
  }
};

namespace {

constexpr double kLongestTimeout = 1e9;

thread_local ThreadState* currentThread = nullptr;

std::chrono::steady_clock::time_point DeadlineAfter(double seconds) {
  const double bounded = seconds > 0.0 ? std::min(seconds, kLongestTimeout) : 0.0;
  return std::chrono::steady_clock::now() +
         std::chrono::duration_cast<std::chrono::steady_clock::duration>(
             std::chrono::duration<double>(bounded));
}

void Thread_Start_Procedure(ThreadHandle state, ThreadProc procedure) {
  currentThread = state.get();
  procedure();
  currentThread = nullptr;
  {
    std::lock_guard lock(state->mutex);
    state->ended = true;
  }
  state->finished.notify_all();
}

bool AwaitEnd(ThreadState& state, double timeout) {
  std::unique_lock lock(state.mutex);
  if (!state.finished.wait_until(lock, DeadlineAfter(timeout), [&] { return state.ended; })) {
    return false;
  }
  // The body has returned, so the join is immediate.
  if (state.worker.joinable()) state.worker.join();
  return true;
}

}  // namespace

ThreadHandle ThreadStart(ThreadProc procedure, int) {
  if (!procedure) return nullptr;
  try {
    auto state = std::make_shared<ThreadState>();
    // Held so that the body cannot finish before its thread object is stored.
    std::lock_guard lock(state->mutex);
    state->worker = std::thread(Thread_Start_Procedure, state, std::move(procedure));
    return state;
  } catch (const std::exception&) {
    return nullptr;
  }
}

bool ThreadEnd(const ThreadHandle& thread, double timeout) {
  if (!thread) return true;
  return AwaitEnd(*thread, timeout);
}

bool ThreadKill(const ThreadHandle& thread, double timeout) {
  if (!thread) return true;
  thread->stopRequested.store(true);
  {
    // Taking the mutex orders the flag against a wait that is just starting,
    // so the wake-up cannot be lost. The thread only holds it inside
    // SuspendUntil, never across its own code.
    std::lock_guard lock(thread->mutex);
  }
  thread->wake.notify_all();
  if (AwaitEnd(*thread, timeout)) return true;
  std::lock_guard lock(thread->mutex);
  if (thread->worker.joinable()) thread->worker.detach();
  return false;
}

bool ThreadStopRequested() {
  return currentThread != nullptr && currentThread->stopRequested.load();
}

void SuspendUntil(std::chrono::steady_clock::time_point deadline) {
  ThreadState* const self = currentThread;
  if (self == nullptr) {
    std::this_thread::sleep_until(deadline);
    return;
  }
  std::unique_lock lock(self->mutex);
  self->wake.wait_until(lock, deadline, [&] { return self->stopRequested.load(); });
}

MutexHandle Mutex_Create() { return new (std::nothrow) std::mutex; }

void Mutex_Lock(MutexHandle mutex) {
  if (mutex != nullptr) mutex->lock();
}

void Mutex_Release(MutexHandle mutex) {
  if (mutex != nullptr) mutex->unlock();
}

void Mutex_Destroy(MutexHandle mutex) { delete mutex; }

}  // namespace Platform
