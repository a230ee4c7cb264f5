// libFuzzer target: any bytes as a range file. The first two bytes are the
// board's hardware bits, the third picks the AD/DA board type (set while
// the interface is closed) and the board-version letter; the rest is the
// file. Each line is also read alone as a limit text.
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "acquisition/ADMeasure.h"
#include "acquisition/ZRV.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Types.h"
#include "foundation/TermIO.h"
#include "selftest/Protocol.h"
#include "selftest/T3Protocol.h"
#include "selftest/T3Tester.h"

namespace {

char scratch[] = "/tmp/mereth-fuzz-rangefile-XXXXXX";

std::span<const char> Version() { return "2.3"; }

void Check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "broken: %s\n", what);
  abort();
}

bool IsDefault(const Protocol::MeasuredValue& v) {
  return v.Lower == Protocol::kNoLower && v.Upper == Protocol::kNoUpper;
}

// Every limit text in the file, read alone from the start of its line.
void CheckEachLine() {
  if (!Protocol::OpenInFile(scratch)) return;
  while (Protocol::ReadLine()) {
    int first = 0;
    while (first < Protocol::kLineSize && Protocol::InputBuffer[first] == ' ') ++first;
    const bool greater = first < Protocol::kLineSize && Protocol::InputBuffer[first] == '>';
    Protocol::MeasuredValue value{0, 0, 0};
    if (Protocol::ReadRealValue(value, 0.001)) {
      Check(std::isfinite(value.Lower) && std::isfinite(value.Upper), "a finite limit");
      Check(greater || value.Lower <= value.Upper, "lower <= upper");
    } else {
      Check(IsDefault(value), "a refused limit text admits all");
    }
  }
  Protocol::CloseInFile();
}

void WriteInput(const std::uint8_t* data, std::size_t size) {
  FILE* file = std::fopen(scratch, "wb");
  if (file == nullptr) abort();
  if (size > 0) std::fwrite(data, 1, size, file);
  std::fclose(file);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  TermIO::InitModule();
  const int fd = mkstemp(scratch);
  if (fd < 0) return 1;
  close(fd);
  atexit([] { unlink(scratch); });
  T3Tester::SetSoftwareVersionSource(Version);
  T3Tester::InitAllModules();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  T3Base::HardwareVersion = static_cast<std::uint16_t>(data[0] | data[1] << 8);
  const ZRVBase::BoardType board = data[2] % 5;
  ZRV::SetBoardType(board);
  T3Base::ADBoard = board;
  T3Base::BoardVersion = (data[2] & 0x80) != 0 ? 'Y' : 'R';
  T3Types::State.HasCFastHigh = (data[2] & 0x40) != 0;
  WriteInput(data + 3, size - 3);

  ADMeasure::DacToAdcDelay = ADMeasure::InputFilterTau = ADMeasure::OutputFilterTau = 1e-6;
  ADMeasure::SampleCorrection = -1;
  TestResultsBlock::MuxTestResults mux{};
  TestResultsBlock::SelfTestResults results{};
  TestResultsBlock::HFRangeResult hf[TestResultsBlock::kHFRanges]{};
  T3Protocol::ReadProtocol(scratch, mux, results, hf);
  Check(std::isfinite(ADMeasure::DacToAdcDelay) && std::isfinite(ADMeasure::InputFilterTau) &&
            std::isfinite(ADMeasure::OutputFilterTau) && std::isfinite(ADMeasure::SampleCorrection),
        "finite correction factors");
  Check(results.StimulusPath.CurrentClamp.CCTrackMax < TestResultsBlock::kCCTrackingValues,
        "CCTrackMax within the tracking values");
  for (const TestResultsBlock::HFRangeResult& range : hf) {
    Check(std::isfinite(range.MaxDeviation), "a finite HF limit");
  }
  CheckEachLine();
  return 0;
}
