#include "acquisition/tests/CommandPort_fixture.h"

#include <span>

#include "acquisition/VrnlBoards.h"

namespace {

constexpr std::uint16_t kStrobe = 0x4000;
constexpr std::uint16_t kPortSelect = 0x8000;

void Append(std::vector<std::uint16_t>& samples, std::uint16_t sample) {
  if (samples.empty() || samples.back() != sample) samples.push_back(sample);
}

}  // namespace

void CommandPortRecorder::Sample(const ZRVSimOutputs& outputs, ZRVSimInputs& inputs) {
  inputs = ZRVSimInputs{};
  for (int rack = 0; rack < 2; ++rack) {
    inputs.user_digital[rack] = outputs.user_digital[rack];
    inputs.tlv_digital[rack] = outputs.tlv_digital[rack];
  }
  inputs.fast_digital = outputs.fast_digital;
  Record(outputs.tlv_digital[0], outputs.user_digital[0]);
}

void CommandPortRecorder::Frame(const QRN55SimOutputs& outputs, QRN55SimInputs& inputs) {
  qrn55Loopback_.Frame(outputs, inputs);
  Record(outputs.tlv_digital, outputs.user_digital);
}

void CommandPortRecorder::Record(std::uint16_t tlv, std::uint16_t user) {
  const std::lock_guard lock(mutex_);
  Append(tlv_, tlv);
  Append(user_, user);
}

std::vector<std::uint16_t> CommandPortRecorder::TlvSamples() const {
  const std::lock_guard lock(mutex_);
  return tlv_;
}

std::vector<std::uint16_t> CommandPortRecorder::UserSamples() const {
  const std::lock_guard lock(mutex_);
  return user_;
}

std::vector<std::size_t> CommandPortRecorder::LatchPositions() const {
  const std::vector<std::uint16_t> samples = TlvSamples();
  std::vector<std::size_t> positions;
  for (std::size_t i = 1; i < samples.size(); ++i) {
    const bool latches = (samples[i] & (kStrobe | kPortSelect)) == kPortSelect;
    if (latches && (samples[i - 1] & kStrobe) != 0) positions.push_back(i);
  }
  return positions;
}

std::vector<std::uint16_t> CommandPortRecorder::Words() const {
  const std::vector<std::uint16_t> samples = TlvSamples();
  std::vector<std::uint16_t> words;
  for (const std::size_t position : LatchPositions()) words.push_back(samples[position] & 0x3FFF);
  return words;
}

void CommandPortRecorder::Clear() {
  const std::lock_guard lock(mutex_);
  if (!tlv_.empty()) tlv_.erase(tlv_.begin(), tlv_.end() - 1);
  if (!user_.empty()) user_.erase(user_.begin(), user_.end() - 1);
}

std::vector<std::uint16_t> QueuedSamples() {
  std::int32_t count = 0;
  std::span<const std::uint16_t> cache;
  std::uint16_t rest = 0;
  VrnlBoards::GetCache(count, cache, rest);
  return {cache.begin(), cache.begin() + count};
}

std::uint16_t CacheRestWord() {
  std::int32_t count = 0;
  std::span<const std::uint16_t> cache;
  std::uint16_t rest = 0;
  VrnlBoards::GetCache(count, cache, rest);
  return rest;
}
