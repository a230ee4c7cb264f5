// Threads and mutexes.
//
// Started threads stop cooperatively, never by cancellation: each has a stop
// flag and a wake-up. ThreadKill raises the flag; the platform's waits
// (SleepSeconds, Mach_Sleep, WaitSeconds) running on that thread then end at
// once, and the thread body's loop sees ThreadStopRequested() and returns.
// A thread blocked elsewhere (a device call, say) cannot be woken: ThreadKill
// gives up after its time-out and lets it finish on its own; the thread keeps
// its state alive until then.
//
// Nil handles are accepted everywhere and do nothing. Time-outs here are real
// seconds whichever clock is installed: they bound how long a caller is held
// up by a real thread.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>

namespace Platform {

struct ThreadState;
using ThreadHandle = std::shared_ptr<ThreadState>;
using ThreadProc = std::function<void()>;

// Runs the procedure on a new thread; nil when none can be created or the
// procedure is empty. The flag is not used.
ThreadHandle ThreadStart(ThreadProc procedure, int flag);

// Waits at most timeout seconds for the thread to end. TRUE when it has
// ended (and for nil); FALSE when it still runs, the handle staying valid.
bool ThreadEnd(const ThreadHandle& thread, double timeout);

// Asks the thread to stop and waits at most timeout seconds for it to end.
// TRUE when it ended; FALSE when it was still blocked and has been left to
// end by itself.
constexpr double kKillTimeout = 1.0;
bool ThreadKill(const ThreadHandle& thread, double timeout = kKillTimeout);

// TRUE on a started thread whose stop has been requested; FALSE elsewhere.
bool ThreadStopRequested();

// Suspends the calling thread until the deadline; a started thread also
// wakes as soon as its stop is requested. The clock's waits rest on it.
void SuspendUntil(std::chrono::steady_clock::time_point deadline);

// Plain non-recursive mutexes; Mutex_Create gives nil when memory is short.
using MutexHandle = std::mutex*;
MutexHandle Mutex_Create();
void Mutex_Lock(MutexHandle mutex);
void Mutex_Release(MutexHandle mutex);
void Mutex_Destroy(MutexHandle mutex);

}  // namespace Platform
