// The records every self-test keeps its results in: a measured value with
// its limits, the groups of consecutive values, and a check's outcome. The
// member order is fixed: the report writes and the range file reads the
// members in it, and the calibration copies whole groups as records.
#pragma once

namespace Protocol {

// The limits are inclusive. Until a range file sets them they are
// kNoLower and kNoUpper, a pair that admits every value.
struct MeasuredValue {
  double Value;
  double Lower;
  double Upper;
};

inline constexpr double kNoLower = -1e20;
inline constexpr double kNoUpper = 1e20;

// Gain (ratio), offset (V), noise (V rms).
struct TransferValues {
  MeasuredValue Gain;
  MeasuredValue Offset;
  MeasuredValue Noise;
};

// DAC setting, offset (V), noise (V rms); the flag is cleared by the reader.
struct OffsetDacValues {
  MeasuredValue Dac;
  MeasuredValue Offset;
  MeasuredValue Noise;
  bool Flag;
};

// Maximum, minimum, offset at mid-range, noise (all V).
struct SpanValues {
  MeasuredValue Maximum;
  MeasuredValue Minimum;
  MeasuredValue Offset;
  MeasuredValue Noise;
};

// Corner frequency (Hz) and quality factor.
struct FrequencyResponseValues {
  MeasuredValue Fo;
  MeasuredValue Q;
};

struct RiseTimeValues {
  MeasuredValue Amp;
  MeasuredValue Y1;
  MeasuredValue Y2;
  MeasuredValue Y3;
};

// Tau (s), amplitude, base.
struct ExponentialValues {
  MeasuredValue Tau;
  MeasuredValue Amp;
  MeasuredValue Base;
};

struct CheckResult {
  bool Passed;
  bool Performed;
};

}  // namespace Protocol
