// The self-test results of one board and probe-selector position as text:
// the range file read into their limits, and the results written as a test
// report (the result file) in the range file's layout. All text goes
// through Protocol; this module decides which sections, labels and lines
// exist, in which order, under which hardware conditions (T3Base, the
// amplifier state), and which result group each line belongs to.
//
// Reading fills limits only and leaves the values alone. The range file's
// version line is "Version " and the software version (T3Tester), its
// sections "CFast Table:", "HFCal:", "Test Results:", "Modifications:",
// the AD/DA board sections and "END of SELFTEST". Operator messages go to
// the console and to alerts; progress lines only with test output on
// (ADMeasure::TestWriteMode). Main thread only.
#pragma once

#include <span>

#include "selftest/TestResultsBlock.h"

namespace T3Protocol {

// Reads the range file into the limits of the results, the nominal C-fast
// noise (T3MakeAuto::Nominal) and the HF ranges' allowed deviations, and
// the AD/DA board's correction factors into ADMeasure. TRUE when the whole
// file was read; also stored as the results' RangeFileRead.
bool ReadProtocol(std::span<const char> fileName, TestResultsBlock::MuxTestResults& mux,
                  TestResultsBlock::SelfTestResults& selfTest,
                  std::span<TestResultsBlock::HFRangeResult, TestResultsBlock::kHFRanges> hf);

// The identification from the amplifier state; Tested cleared.
void FillInfo(TestResultsBlock::SelfTestResults& selfTest);

// Writes the report (to the terminal, and to the file when a name is
// given, replacing it whole). created: a result file with the summary,
// else a template ending in "END of SELFTEST". TestErrors is reset first.
// FALSE when the file could not be written (Protocol::FileError).
bool WriteProtocol(std::span<const char> fileName, const TestResultsBlock::MuxTestResults& mux,
                   const TestResultsBlock::SelfTestResults& selfTest, bool toPrinter, bool created,
                   bool withTriggerTest, bool withDigitalIOTest, bool withNoiseTest,
                   int testNumber);

// The report's header lines for the identification.
void WriteHeader(bool created, int testNumber, const TestResultsBlock::Identification& info);
// "Trigger test" as a check result, or counted as not performed.
void WriteTriggerTest(const Protocol::CheckResult& check);

}  // namespace T3Protocol
