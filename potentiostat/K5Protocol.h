#pragma once

// The test-results record of the PK calibration tests (K5Measure) and its
// text file in the shared test report's layout (selftest/Protocol). Written
// with its section markers ("Test Results:" ... "END of SELFTEST") the file
// is a range file: read back, it gives the limits of every value for the
// next run. Written in report form it is the printed test report, which
// cannot be read back.
//
// Sections follow one file order for writing and reading (the record's
// field order differs: the filter sections come before the offsets,
// "IRCompGain" before "IRCompFixOffset"). The current-range sections hold
// the ranges K5Panel::MaxCurrentRange .. MinCurrentRange of State's version
// at the time.
//
// Only limits are read; the values are measured again by the tests. A
// reader that finds no limits leaves a value's limits admitting everything.
// Failures surface through Protocol::FileError. Main thread only; Write
// switches Protocol's buffering and printer flags for its duration and
// resets Protocol::TestErrors, so the count it prints covers its own values.

#include <span>

#include "selftest/ProtocolTypes.h"

namespace K5Protocol {

using Protocol::ExponentialValues;
using Protocol::FrequencyResponseValues;
using Protocol::MeasuredValue;
using Protocol::OffsetDacValues;
using Protocol::TransferValues;

inline constexpr int kCurrentRanges = 12;

struct ResultsRecord {
  char BoardName[16];
  char SerialNumber[16];
  char Version;
  char Reserved;
  TransferValues MuxTransfer[4];
  MeasuredValue TenVRef;
  TransferValues InitDacFactor[2];  // potentiostatic, galvanostatic
  MeasuredValue InitDacOffset;
  TransferValues InitSubtrDacFactor[2];
  TransferValues StimScale[4];
  TransferValues StimFilter[8];
  ExponentialValues StimFilterTau[8];
  FrequencyResponseValues StimFilterFreq[8];
  MeasuredValue InternalGround;
  OffsetDacValues WorkingElectrodeOffsetDac[3];
  TransferValues CurrentOutputAmplifier[4];
  TransferValues CurrentOutFactor[kCurrentRanges];
  OffsetDacValues CurrentOffsetDac[kCurrentRanges];
  TransferValues CurrentFilter[7];
  ExponentialValues CurrentFilterTau[7];
  FrequencyResponseValues CurrentFilterFreq[7];
  TransferValues VoltageFilter[7];
  ExponentialValues VoltageFilterTau[7];
  FrequencyResponseValues VoltageFilterFreq[7];
  TransferValues VoltageOutputAmplifier[4];
  OffsetDacValues OffsetVoltageAmplifierDac[4];
  MeasuredValue CoAmpOffsetPerUnit;
  OffsetDacValues ControlAmpOffsetDac[2][3];  // potentiostatic, galvanostatic
  ExponentialValues ControlAmplifierTau[8];
  FrequencyResponseValues ControlAmplifierFreq[8];
  TransferValues ClampGain[9];
  MeasuredValue IRCompFixOffset;
  TransferValues IRCompGain[8];
  MeasuredValue SubtrDacFactor[2][3];  // by mode, then feedback 50, 5k, 500k ohm
  MeasuredValue SubtrDacOffset;
  MeasuredValue CMR1;
  MeasuredValue CMR2;
  MeasuredValue MeasuredVoltOffDac;
  MeasuredValue OCPOffsetDac;
};

extern ResultsRecord Results;

// Results cleared to zero bytes.
void InitModule();
// Board name, serial number and version letter from PKTypes::State.
void FillInfo();
// "Version 1.0".
void MakeRangeVersion(std::span<char> text);
// The report header: board name, " Serial # ", the serial number (12 dots
// when empty), " - ", the version letter; the "Test Protocol - " line with
// the version text; in report form "Created by", else the units legend.
void WriteHeader(bool reportMode);

// The results to the test terminal, to the named file when the name is not
// empty, and to the printer when toPrinter: range-file form with its
// markers, or report form. `unused` is handed to the header, which ignores
// it. TRUE unless a file error stands afterwards.
bool Write(std::span<const char> fileName, bool toPrinter, bool reportMode, int unused);

// The limits of every value from a range file. A file of another version
// asks "ERROR (5): Invalid Range File Version!  Load anyway?"; No fails
// with Protocol::FileError set, Yes reads the file from its start. A missing "Test Results:" fails with
// "ERROR (1) reading range file.", a missing "END of SELFTEST" with
// "ERROR (2) reading range file: end string not found!" (the limits read
// before stay).
bool Read(std::span<const char> fileName);

}  // namespace K5Protocol
