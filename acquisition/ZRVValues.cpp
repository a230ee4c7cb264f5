// Single values and scaling: one DAC, digital word, ADC or digital input at
// a time, all inputs at once, the clipping flags, the rest values of every
// output, volts and units, the ZRV-28 input ranges.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "acquisition/QRN2400.h"
#include "acquisition/QRN24.h"
#include "acquisition/QRN28.h"
#include "acquisition/QRN55Interface.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVState.h"

namespace ZRV {

namespace Internal {

namespace {

constexpr double kDefaultUnitsPerVolt = 3200.0;
constexpr double kSingleReadInterval = 1e-5;
// A single ADC reading averages 16 samples after one that settles the input.
constexpr std::int32_t kReadSamples = 17;
constexpr std::int32_t kReadAveraged = 16;

bool ValidDac(std::int32_t channel) { return channel >= 0 && channel < DacChannels; }
bool ValidAdc(std::int32_t channel) { return channel >= 0 && channel < AdcChannels; }

// The 16 samples after the first of a row.
std::int32_t SumOfRow(const std::int16_t* row) {
  std::int32_t sum = 0;
  for (std::int32_t i = 1; i < kReadSamples; ++i) sum += row[i];
  return sum;
}

}  // namespace

void SetScalingFactors() {
  std::fill(std::begin(ZRVBase::DacUnitsPerVolt), std::end(ZRVBase::DacUnitsPerVolt),
            kDefaultUnitsPerVolt);
  std::fill(std::begin(ZRVBase::AdcUnitsPerVolt), std::end(ZRVBase::AdcUnitsPerVolt),
            kDefaultUnitsPerVolt);
  if (Z.boardType == ZRVBase::BoardQRN55) {
    QRN55Interface::SetScaling(Z.internalScaling, ZRVBase::DacUnitsPerVolt, ZRVBase::AdcUnitsPerVolt);
  }
  // Each stored ZRV-28 range belongs to the mapped input it was set for, so
  // it goes back to that same input.
  const std::int32_t rows = std::clamp(ZRVBase::NumberAdcChannels, 0, AdcChannels);
  for (std::int32_t row = 0; row < rows; ++row) SetInputRange(row, Z.adcRange[Z.adcMap[row]]);
}

}  // namespace Internal

using namespace Internal;

std::int32_t VoltsToDacUnits(std::int32_t channel, double& volts) {
  if (!ValidDac(channel) || std::isnan(volts)) {
    volts = 0.0;
    return 0;
  }
  const double factor = ZRVBase::DacUnitsPerVolt[channel];
  std::int32_t units = 0;
  if (volts >= ZRVBase::MaxOutVolts) {
    units = 0x7FFF;
  } else if (volts <= ZRVBase::MinOutVolts) {
    units = -0x8000;
  } else {
    // Just below the range limit the product can round past the 16-bit
    // code range (10.2399 V x 3200 gives 32768): keep the sign.
    units = static_cast<std::int32_t>(std::clamp(std::round(volts * factor), -32768.0, 32767.0));
  }
  volts = units / factor;
  return units;
}

double AdcUnitsToVolts(std::int32_t channel, std::int32_t units) {
  return AdcRealUnitsToVolts(channel, static_cast<double>(units));
}

double AdcRealUnitsToVolts(std::int32_t channel, double units) {
  if (!ValidAdc(channel)) return 0.0;
  return units / ZRVBase::AdcUnitsPerVolt[channel];
}

void SetDac(std::int32_t channel, std::int32_t units) {
  if (Z.state == StateClosed || !ValidDac(channel)) return;
  FlushCache();
  const auto value = static_cast<std::int16_t>(units);
  double interval = ZRVBase::MinSamplingTime;
  switch (Z.boardType) {
    case ZRVBase::BoardQRN55: {
      std::int16_t samples[8];
      std::fill(std::begin(samples), std::end(samples), value);
      Stim(channel, interval, samples, 8);
      break;
    }
    case ZRVBase::BoardZRV24:
    case ZRVBase::BoardZRV28: {
      const std::int16_t sample[1] = {value};
      Stim(channel, interval, sample, 1);
      break;
    }
    case ZRVBase::BoardQRN2400:
      ForceHalt();
      Check(QRN2400_SetDac(Z.handle, ConvertToZRV2400DacValue(channel), units));
      break;
    default:
      break;
  }
}

std::int32_t SetDacReal(std::int32_t channel, double volts) {
  if (!ValidDac(channel)) return channel;
  SetDac(channel, VoltsToDacUnits(channel, volts));
  return 0;
}

void SetDigital(std::int32_t channel, std::uint16_t word) {
  if (channel == DigitalOut) ZRVBase::DigitalOutState = word;
  if (Z.state == StateClosed) return;
  FlushCache();
  switch (Z.boardType) {
    case ZRVBase::BoardQRN2400:
      ForceHalt();
      Check(QRN2400_SetDac(Z.handle, ConvertToZRV2400DacValue(channel), word));
      break;
    case ZRVBase::BoardZRV24:
    case ZRVBase::BoardZRV28:
    case ZRVBase::BoardQRN55:
      SetDac(channel, static_cast<std::int16_t>(word));
      break;
    default:
      break;
  }
}

void SetDigValue(std::uint16_t word) { SetDigital(DigitalOut, word); }

std::int32_t ReadAdc(std::int32_t channel) {
  if (Z.state == StateClosed) return 0;
  FlushCache();
  switch (Z.boardType) {
    case ZRVBase::BoardZRV24:
    case ZRVBase::BoardZRV28:
    case ZRVBase::BoardQRN55: {
      double interval = kSingleReadInterval;
      if (!Sample(channel, interval, Z.inputRows[0], kReadSamples)) return 0;
      return SumOfRow(Z.inputRows[0]) / kReadAveraged;
    }
    case ZRVBase::BoardQRN2400: {
      ForceHalt();
      std::int32_t value = 0;
      if (!Check(QRN2400_ReadAdc(Z.handle, ConvertToZRV2400AdcValue(channel), value))) return 0;
      return value;
    }
    default:
      return 0;
  }
}

double ReadAdcReal(std::int32_t channel) { return AdcUnitsToVolts(channel, ReadAdc(channel)); }

std::uint16_t ReadDigital(std::int32_t channel) {
  if (Z.state == StateClosed) return 0;
  FlushCache();
  switch (Z.boardType) {
    case ZRVBase::BoardZRV24:
    case ZRVBase::BoardZRV28:
    case ZRVBase::BoardQRN55: {
      double interval = kSingleReadInterval;
      if (!Sample(channel, interval, Z.inputRows[0], 1)) return 0;
      return static_cast<std::uint16_t>(Z.inputRows[0][0]);
    }
    case ZRVBase::BoardQRN2400: {
      ForceHalt();
      std::int32_t value = 0;
      if (!Check(QRN2400_ReadAdc(Z.handle, ConvertToZRV2400AdcValue(channel), value))) value = 0;
      return static_cast<std::uint16_t>(value);
    }
    default:
      return 0;
  }
}

std::uint16_t ReadDigitalIO() {
  if (Z.state == StateClosed) return ZRVBase::DigitalOutState;
  return ReadDigital(DigitalIn);
}

std::uint8_t ReadClippingAndClear() {
  if (Z.state == StateClosed) return 0;
  FlushCache();
  std::uint8_t mask = 0;
  std::int32_t status = 0;
  switch (Z.boardType) {
    case ZRVBase::BoardZRV24:
    case ZRVBase::BoardZRV28: {
      std::int32_t flag = 0;
      status = Z.boardType == ZRVBase::BoardZRV24 ? QRN24_IsClipping(Z.handle, flag)
                                                  : QRN28_IsClipping(Z.handle, flag);
      if (status == 0 && flag != 0) mask = 1;
      break;
    }
    case ZRVBase::BoardQRN2400: {
      std::uint32_t bits = 0;
      status = QRN2400_GetClipping(Z.handle, bits);
      if (status == 0) mask = static_cast<std::uint8_t>((bits & 0xF) | ((bits >> 16) & 0xF) << 4);
      break;
    }
    case ZRVBase::BoardQRN55: {
      std::uint32_t bits = 0;
      status = QRN55Interface::ReadClippingAndClear(bits);
      mask = static_cast<std::uint8_t>(bits);
      break;
    }
    default:
      break;
  }
  Check(status);
  return mask;
}

bool ReadAll(std::span<double> volts, std::span<std::uint16_t> words, double interval) {
  if (Z.state == StateRunning) return false;
  // The input list below holds the analog inputs and up to two digital ones.
  const std::int32_t last = std::min({static_cast<std::int32_t>(volts.size()) - 1, AdcChannels - 3,
                                      ZRVBase::NumberAdcChannels - 1});
  const bool zrv = Z.boardType == ZRVBase::BoardZRV24 || Z.boardType == ZRVBase::BoardZRV28;
  const std::int32_t extra = std::min(zrv ? 0 : 1, static_cast<std::int32_t>(words.size()) - 1);
  for (std::int32_t i = 0; i <= last; ++i) volts[i] = 0.0;
  for (std::int32_t k = 0; k <= extra; ++k) words[k] = 0;
  if (Z.state == StateClosed) {
    if (!words.empty()) words[0] = ZRVBase::DigitalOutState;
    return true;
  }
  Halt();
  FlushCache();
  switch (Z.boardType) {
    case ZRVBase::BoardQRN2400: {
      std::int32_t list[AdcChannels];
      for (std::int32_t i = 0; i <= last; ++i) list[i] = ConvertToZRV2400AdcValue(i);
      list[last + 1] = ConvertToZRV2400AdcValue(DigitalIn);
      list[last + 2] = ConvertToZRV2400AdcValue(TlvIn);
      double values[AdcChannels] = {};
      std::uint16_t digital[2] = {};
      const bool ok = Check(QRN2400_ReadAll(Z.handle, last + 3, list, values, digital));
      for (std::int32_t i = 0; i <= last; ++i) volts[i] = AdcRealUnitsToVolts(i, values[i]);
      for (std::int32_t k = 0; k <= extra; ++k) words[k] = digital[k];
      return ok;
    }
    case ZRVBase::BoardZRV24:
    case ZRVBase::BoardZRV28:
    case ZRVBase::BoardQRN55: {
      std::int32_t list[AdcChannels];
      std::int16_t* rows[AdcChannels];
      for (std::int32_t i = 0; i <= last; ++i) list[i] = i;
      list[last + 1] = DigitalIn;
      list[last + 2] = TlvIn;
      const std::int32_t count = last + 3 + (zrv ? -1 : 0);
      for (std::int32_t i = 0; i < count; ++i) rows[i] = Z.inputRows[i];
      const std::int32_t noDac[1] = {0};
      if (!PolyStimAndSample(0, count, 0, kReadSamples, 0, noDac,
                             ChannelList(list, static_cast<std::size_t>(count)), interval, {},
                             AdcBuffers(rows, static_cast<std::size_t>(count)))) {
        return false;
      }
      for (std::int32_t i = 0; i <= last; ++i) {
        volts[i] = AdcRealUnitsToVolts(i, static_cast<double>(SumOfRow(rows[i])) / kReadAveraged);
      }
      for (std::int32_t k = 0; k <= extra; ++k) words[k] = static_cast<std::uint16_t>(rows[last + 1 + k][0]);
      return true;
    }
    default:
      return false;
  }
}

bool ZeroDacs() {
  ZRVBase::DigitalOutState = 0;
  const std::int32_t dacs = std::clamp(ZRVBase::NumberDacChannels, 0, 8);
  std::int32_t list[DacChannels];
  std::int16_t samples[DacChannels] = {};
  for (std::int32_t i = 0; i < dacs; ++i) list[i] = i;
  for (std::int32_t k = 0; k < 6; ++k) list[dacs + k] = DigitalOut + k;
  // The amplifier ports rest with their strobe bit high.
  samples[dacs + 1] = 0x4000;
  samples[dacs + 3] = 0x4000;
  std::int32_t outputs = dacs;
  std::int32_t inputs = 0;
  const std::int32_t adcList[2] = {0, ZRVBase::NumberAdcChannels / 2};
  switch (Z.boardType) {
    case ZRVBase::BoardZRV24:
      // Its one digital port carries the amplifier's strobe line too.
      outputs = dacs + 1;
      samples[dacs] = 0x4000;
      ZRVBase::DigitalOutState = 0x4000;
      break;
    case ZRVBase::BoardZRV28:
      outputs = dacs + 2;
      break;
    case ZRVBase::BoardQRN2400:
      if (Z.activeUnits == 2) {
        outputs = dacs + 4;
        list[dacs + 2] = UserOut2;
        list[dacs + 3] = TlvOut2;
      } else {
        outputs = dacs + 2;
      }
      break;
    case ZRVBase::BoardQRN55:
      outputs = Z.activeUnits == 2 ? dacs + 6 : dacs + 3;
      inputs = Z.activeUnits;
      break;
    default:
      break;
  }
  const std::int16_t* dacBuffers[DacChannels];
  for (std::int32_t i = 0; i < outputs; ++i) dacBuffers[i] = &samples[i];
  std::int16_t* adcBuffers[2] = {Z.inputRows[0], Z.inputRows[1]};
  double interval = ZRVBase::MinSamplingTime;
  return PolyStimAndSample(outputs, inputs, 1, 1, FlagStimulate,
                           ChannelList(list, static_cast<std::size_t>(outputs)),
                           ChannelList(adcList, static_cast<std::size_t>(inputs)), interval,
                           DacBuffers(dacBuffers, static_cast<std::size_t>(outputs)),
                           AdcBuffers(adcBuffers, static_cast<std::size_t>(inputs)));
}

std::int32_t SetInputRange(std::int32_t row, std::int32_t range) {
  if (row < 0 || row >= std::min(ZRVBase::NumberAdcChannels, AdcChannels)) return 0;
  if (Z.boardType != ZRVBase::BoardZRV28) return 0;
  const std::int32_t adc = Z.adcMap[row];
  const std::int32_t state = Z.state;
  if (state == StateClosed || state == StateOpen) {
    FlushCache();
    static constexpr double kGain[4] = {1.0, 2.0, 5.0, 10.0};
    if (range < 0 || range > 3) range = 0;
    ZRVBase::AdcUnitsPerVolt[adc] = kDefaultUnitsPerVolt * kGain[range];
    Z.adcRange[adc] = range;
    if (state != StateClosed) Check(QRN28_SetRange(Z.handle, Z.adcRange));
  }
  return Z.adcRange[adc];
}

void EnableScaling(bool on) {
  FlushCache();
  Z.internalScaling = on;
  SetScalingFactors();
}

bool ScalingIsEnabled() { return Z.internalScaling; }

}  // namespace ZRV
