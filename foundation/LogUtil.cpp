#include "foundation/LogUtil.h"

#include "foundation/Decode.h"
#include "foundation/IOFiles.h"
#include "foundation/RealTime.h"
#include "foundation/Strings.h"

namespace LogUtil {

IOBytes::FileHandle LogHandle;

namespace {

constexpr char kLogName[128] = "QV_Log.txt";
constexpr int kWorkSize = 80;
constexpr int kDateSize = 32;

// label and ": " in a work text.
void Labelled(std::span<const char> label, std::span<char> text) {
  Strings::Assign(text, label);
  Strings::Concat(text, ": ");
}

}  // namespace

void InitModule() { LogHandle = IOBytes::FileHandle{}; }

bool OpenLog() {
  // Opening again starts a new log rather than leaking the old handle.
  CloseLog();
  IOBytes::Open(kLogName, nullptr,
                IOBytes::ModeRead | IOBytes::ModeWrite | IOBytes::ModeCreate | IOBytes::ModeShared,
                LogHandle);
  return true;
}

bool CloseLog() { return !LogHandle.open || IOBytes::Close(LogHandle); }

bool Shutdown() { return CloseLog(); }

void WriteToLog(std::span<const char> text) {
  if (!LogHandle.open) return;
  char line[256];
  RealTime::ToAltDate(RealTime::GetTime(), std::span<char>(line, kDateSize), true, true);
  Strings::Concat(line, " - ");
  Strings::Concat(line, text);
  std::int32_t count = Strings::Length(line);
  if (IOBytes::WriteLine(LogHandle, count, line)) IOFiles::FlushFile(kLogName);
}

void WriteToLogString(std::span<const char> label, std::span<const char> text) {
  char line[kWorkSize];
  Labelled(label, line);
  Strings::Concat(line, text);
  WriteToLog(line);
}

void WriteToLogInt(std::span<const char> label, std::int32_t value) {
  char line[kWorkSize];
  Labelled(label, line);
  Decode::Integer(value, line, 8);
  WriteToLog(line);
}

void WriteToLogFixed(std::span<const char> label, double value) {
  char line[kWorkSize];
  Labelled(label, line);
  Decode::Fixed(value, line, 20, 10);
  WriteToLog(line);
}

}  // namespace LogUtil
