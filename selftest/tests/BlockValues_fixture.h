#pragma once

// The measured values of the board test's result groups, each with the
// kind of quantity it holds, in the groups' member order.

#include <vector>

#include "selftest/ProtocolTypes.h"
#include "selftest/TestResultsBlock.h"

enum class ValueKind { kRatio, kVolts, kNoise, kSeconds };

struct BlockValue {
  Protocol::MeasuredValue *value;
  ValueKind kind;
  // The members of a time-constant fit: the step's amplitude it found.
  const Protocol::MeasuredValue *fitAmplitude = nullptr;
  // A mean: the noise of its readings.
  const Protocol::MeasuredValue *noise = nullptr;
};
using BlockValues = std::vector<BlockValue>;

BlockValues ValuesOf(TestResultsBlock::CurrentMonitorResults &group);
BlockValues ValuesOf(TestResultsBlock::Filter2Results &group);
BlockValues ValuesOf(TestResultsBlock::IntegratorResults &group);
// With the current-clamp results the block leaves alone.
BlockValues ValuesOf(TestResultsBlock::StimulusPathResults &group);
BlockValues ValuesOf(TestResultsBlock::CFastCSlowResults &group);
