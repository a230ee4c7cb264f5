#include "acquisition/ZRVDebug.h"

#include <mutex>

#include "dialogs/Alert.h"
#include "foundation/Decode.h"
#include "foundation/IOBase.h"
#include "foundation/IOBytes.h"
#include "foundation/RealTime.h"
#include "foundation/Strings.h"
#include "foundation/TellTaleFile.h"

namespace ZRVDebug {

char DebugFile[256];
bool DebugOn = false;
std::atomic<std::uint8_t> DebugStatus{StatusOff};

void NoSetDebug(bool) {}
void NoActivateLogging() {}
SetDebugProc TimerTaskSetDebug = NoSetDebug;
ActivateLoggingProc InterfaceActivateLogging = NoActivateLogging;

namespace {

// The file layer's code for a name it refuses (too long for a path).
constexpr std::int16_t kBadName = -37;
// Logs started within one second are told apart by a number; beyond this
// many the last name is reused.
constexpr int kMostLogsPerSecond = 1000;

// Guards the open file and the status changes against the timer task's
// thread.
std::mutex fileLock;
IOBytes::FileHandle DebugHandle;

std::span<const char> Prefix(ZRVBase::BoardType board) {
  switch (board) {
    case ZRVBase::BoardZRV24:
      return "ZRV24_";
    case ZRVBase::BoardZRV28:
      return "ZRV28_";
    case ZRVBase::BoardQRN2400:
      return "ZRV2400_";
    case ZRVBase::BoardQRN55:
      return "QRN55_";
    default:
      return "ZRV??_";
  }
}

// DebugFile := the full path of a log file of the board that does not exist
// yet. FALSE with an empty DebugFile (and the code in IOBase::Result) when
// the path is too long: a cut path would name some other file.
bool MakeFileName(ZRVBase::BoardType board) {
  char stamp[21] = {};
  RealTime::ToDate(RealTime::GetTime(), stamp, true, false);
  for (char& c : stamp) {
    if (c == ' ') c = '_';
    if (c == '.' || c == '/' || c == ':') c = '-';
  }
  char base[64];
  Strings::Assign(base, Prefix(board));
  Strings::Concat(base, stamp);
  const std::span<const char> extension =
      board == ZRVBase::BoardQRN55 ? std::span<const char>(".html") : std::span<const char>(".txt");
  for (int number = 1; number <= kMostLogsPerSecond; ++number) {
    char name[80];
    Strings::Assign(name, base);
    if (number > 1) {
      Strings::Concat(name, "_");
      Decode::Integer(number, name, 0);
    }
    Strings::Concat(name, extension);
    if (!IOBase::ExtendFileName(name, DebugFile)) {
      Strings::Clear(DebugFile);
      IOBase::Result = kBadName;
      return false;
    }
    std::int32_t length = 0;
    if (!IOBase::Lookup(DebugFile, length)) break;
  }
  return true;
}

}  // namespace

void InitModule() {
  const std::lock_guard<std::mutex> guard(fileLock);
  if (DebugHandle.open) IOBytes::Close(DebugHandle);
  DebugStatus = StatusOff;
  Strings::Clear(DebugFile);
  DebugOn = false;
}

void Activate(ZRVBase::BoardType board) {
  Shutdown();
  TimerTaskSetDebug(false);
  if (TellTaleFile::Exists("ZRVDebug.On")) {
    DebugOn = true;
    DebugStatus = StatusEnabled;
  }
  if (DebugStatus != StatusEnabled) return;
  const bool named = MakeFileName(board);
  if (named && board == ZRVBase::BoardQRN55) {
    InterfaceActivateLogging();
    return;
  }
  IOBytes::FileHandle handle;
  constexpr IOBytes::FileOpenMode kMode =
      IOBytes::ModeWrite | IOBytes::ModeCreate | IOBytes::ModeShared;
  if (!named || !IOBytes::Open(DebugFile, nullptr, kMode, handle)) {
    DebugStatus = StatusFailed;
    DebugOn = false;
    Alert::IOError("ADTimerTask Debug file not created");
    return;
  }
  const bool lines = TellTaleFile::Exists("ADTaskDebug.On");
  {
    const std::lock_guard<std::mutex> guard(fileLock);
    DebugHandle = handle;
    DebugStatus = lines ? StatusWriting : StatusPaused;
  }
  if (lines) TimerTaskSetDebug(true);
}

void DebugWrite(std::span<const char> text) {
  const std::lock_guard<std::mutex> guard(fileLock);
  if (DebugStatus != StatusWriting) return;
  std::int32_t count = Strings::Length(text);
  if (!IOBytes::WriteLine(DebugHandle, count, text)) DebugStatus = StatusFailed;
}

void DebugTitleAndTime(std::span<const char> title, std::span<char> line) {
  char time[13];
  RealTime::ToTime(RealTime::GetTime(), time, true);
  Strings::Assign(line, title);
  Strings::Concat(line, " ");
  Strings::Concat(line, time);
  Strings::Concat(line, "  ");
}

void PauseLines() {
  const std::lock_guard<std::mutex> guard(fileLock);
  if (DebugStatus == StatusWriting) DebugStatus = StatusPaused;
}

void ResumeLines() {
  const std::lock_guard<std::mutex> guard(fileLock);
  if (DebugStatus == StatusPaused) DebugStatus = StatusWriting;
}

void Shutdown() {
  const std::lock_guard<std::mutex> guard(fileLock);
  if (DebugHandle.open) IOBytes::Close(DebugHandle);
  Strings::Clear(DebugFile);
  if (DebugStatus > StatusFailed) DebugStatus = StatusEnabled;
}

}  // namespace ZRVDebug
