// The AD/DA calibration procedures: a DAC output drives an ADC input, and
// the measured gain and offset are folded into the working copy's scale and
// offset of the channel.
#include <algorithm>
#include <cmath>
#include <limits>

#include "acquisition/QRN55Tools.h"
#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"

namespace QRN55Tools {

double DacValues[5] = {};
std::int16_t CalibArray[CalibSamples] = {};

namespace {

constexpr double kSettlingSeconds = 0.5;
constexpr double kSampleInterval = 0.0001;
// The samples averaged: the first two and the last two are left out.
constexpr int kFirstSample = 2;
constexpr int kLastSample = 9997;
constexpr double kMaxOffset = 0.1;
constexpr std::int32_t kFurtherOutput = 10;
constexpr std::int32_t kMultiplexedInput = 18;

std::int32_t DacBoardChannel(std::int32_t unit, std::int32_t channel) {
  return channel == kFurtherOutput ? kFurtherOutput + 3 * unit : channel + 4 * unit;
}

std::int32_t AdcBoardChannel(std::int32_t unit, std::int32_t channel) {
  return channel == kMultiplexedInput ? kMultiplexedInput + 3 * unit : channel + 8 * unit;
}

bool ValidIndex(std::int32_t index, int count) { return index >= 0 && index < count; }

// A scale more than twice the default, or an offset beyond 0.1 V, cannot be
// a calibration: it starts again from the default.
void CheckScaling(double& scale, double& offset) {
  if (!(scale * 0.5 <= DefaultScale)) scale = DefaultScale;
  if (!(std::fabs(offset) <= kMaxOffset)) offset = 0.0;
}

bool CorrectScaling(std::int32_t index, int count, double* scales, double* offsets, double gain,
                    double offset) {
  if (!ValidIndex(index, count)) {
    Strings::Assign(ErrorMessage, "Invalid channel specified");
    return false;
  }
  const double scale = scales[index] * gain;
  const double shifted = offsets[index] + offset;
  // Equal readings give an infinite gain; a failed sampling no number.
  if (!std::isfinite(gain) || !std::isfinite(offset) || !std::isfinite(scale) ||
      !std::isfinite(shifted)) {
    Strings::Assign(ErrorMessage,
                    "Calibration refused: the readings give no finite gain and offset.");
    return false;
  }
  scales[index] = scale;
  offsets[index] = shifted;
  return true;
}

// Runs a procedure on the working copy; when it refuses, the copy and the
// backend's scaling are put back as they were before it, and the operator
// reads why.
template <typename Procedure>
bool AllOrNothing(std::int32_t unit, Procedure procedure) {
  const QRN55DeviceInfo before = DeviceInformation;
  if (procedure()) return true;
  DeviceInformation = before;
  SyncDacScaling(unit);
  SyncAdcScaling(unit);
  TermIO::WriteAlertLine(ErrorMessage);
  return false;
}

bool CalibDAPass(std::int32_t unit, std::int32_t dacChannel, std::int32_t adcChannel, double& gain,
                 double& offset) {
  CheckDacScaling(unit, dacChannel);
  SetDac(unit, dacChannel, 0.0);
  offset = Sample(unit, adcChannel);
  SetDac(unit, dacChannel, CalibrationVolts);
  const double high = Sample(unit, adcChannel);
  gain = CalibrationVolts / (high - offset);
  return CorrectDacScaling(unit, dacChannel, gain, offset);
}

}  // namespace

std::int32_t AdcChannelToIndex(std::int32_t channel) {
  return channel == kMultiplexedInput ? InputChannels - 1 : channel;
}

std::int32_t DacChannelToIndex(std::int32_t channel) {
  return channel == kFurtherOutput ? OutputChannels - 1 : channel;
}

void SetDac(std::int32_t unit, std::int32_t channel, double volts) {
  ZRV::SetDacReal(DacBoardChannel(unit, channel), volts);
  if (channel >= 0 && channel <= 4) DacValues[channel] = volts;
}

double Sample(std::int32_t unit, std::int32_t adcChannel) {
  const std::int32_t channel = AdcBoardChannel(unit, adcChannel);
  VrnlBoards::Wait(kSettlingSeconds);
  double interval = kSampleInterval;
  if (!ZRV::Sample(channel, interval, CalibArray, CalibSamples)) {
    return std::numeric_limits<double>::quiet_NaN();
  }
  double sum = 0.0;
  for (int i = kFirstSample; i <= kLastSample; ++i) sum += CalibArray[i];
  return ZRV::AdcRealUnitsToVolts(channel, sum / (kLastSample - kFirstSample + 1));
}

void ReadADLow(std::int32_t unit, std::int32_t adcChannel, double& volts) {
  volts = Sample(unit, adcChannel);
}

bool ReadADHigh(std::int32_t unit, std::int32_t adcChannel, double lowReference,
                double highReference, double lowReading, double& highReading, double& gain,
                double& offset) {
  return AllOrNothing(unit, [&] {
    CheckAdcScaling(unit, adcChannel);
    highReading = Sample(unit, adcChannel);
    gain = (highReference - lowReference) / (highReading - lowReading);
    offset = lowReference * gain - lowReading;
    return CorrectAdcScaling(unit, adcChannel, gain, offset);
  });
}

bool DoCalibDA(std::int32_t unit, std::int32_t dacChannel, std::int32_t adcChannel, double& gain,
               double& offset) {
  return AllOrNothing(unit,
                      [&] { return CalibDAPass(unit, dacChannel, adcChannel, gain, offset); });
}

bool CalibDA(std::int32_t unit, std::int32_t dacChannel, std::int32_t adcChannel, double& gain,
             double& offset) {
  return AllOrNothing(unit, [&] {
    double gain2 = 0.0;
    double offset2 = 0.0;
    if (!CalibDAPass(unit, dacChannel, adcChannel, gain, offset) ||
        !CalibDAPass(unit, dacChannel, adcChannel, gain2, offset2)) {
      return false;
    }
    gain *= gain2;
    offset += offset2;
    return true;
  });
}

bool CalibAD(std::int32_t unit, std::int32_t dacChannel, std::int32_t adcChannel, double& gain,
             double& offset) {
  return AllOrNothing(unit, [&] {
    CheckAdcScaling(unit, adcChannel);
    SetDac(unit, dacChannel, 0.0);
    const double low = Sample(unit, adcChannel);
    SetDac(unit, dacChannel, CalibrationVolts);
    gain = CalibrationVolts / Sample(unit, adcChannel);
    offset = -low;
    return CorrectAdcScaling(unit, adcChannel, gain, offset);
  });
}

void CheckDacScaling(std::int32_t unit, std::int32_t channel) {
  const std::int32_t i = DacChannelToIndex(channel);
  if (ValidIndex(i, OutputChannels)) {
    CheckScaling(DeviceInformation.outputCalibrationScale[i],
                 DeviceInformation.outputCalibrationOffset[i]);
  }
  SyncDacScaling(unit);
}

void CheckAdcScaling(std::int32_t unit, std::int32_t channel) {
  const std::int32_t i = AdcChannelToIndex(channel);
  if (ValidIndex(i, InputChannels)) {
    CheckScaling(DeviceInformation.inputCalibrationScale[i],
                 DeviceInformation.inputCalibrationOffset[i]);
  }
  SyncAdcScaling(unit);
}

bool CorrectDacScaling(std::int32_t unit, std::int32_t channel, double gain, double offset) {
  if (!CorrectScaling(DacChannelToIndex(channel), OutputChannels,
                      DeviceInformation.outputCalibrationScale,
                      DeviceInformation.outputCalibrationOffset, gain, offset)) {
    return false;
  }
  SyncDacScaling(unit);
  return true;
}

bool CorrectAdcScaling(std::int32_t unit, std::int32_t channel, double gain, double offset) {
  if (!CorrectScaling(AdcChannelToIndex(channel), InputChannels,
                      DeviceInformation.inputCalibrationScale,
                      DeviceInformation.inputCalibrationOffset, gain, offset)) {
    return false;
  }
  SyncAdcScaling(unit);
  return true;
}

}  // namespace QRN55Tools
