// FIFO access and the FIFO cache: the available count with its overflow
// rule, raw reads and writes of the ZRV-24/28 FIFOs, the cache in which DAC
// data are interleaved and input data collected, and the packing routines.
// The timer task calls the public procedures here from its own thread.
#include <algorithm>
#include <cstdint>

#include "acquisition/QRN2400.h"
#include "acquisition/QRN24.h"
#include "acquisition/QRN28.h"
#include "acquisition/QRN55Interface.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVDebug.h"
#include "acquisition/ZRVState.h"
#include "foundation/Decode.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "numerics/VectorInt.h"

namespace ZRV {

namespace Internal {

namespace {

constexpr std::int32_t kLeastCache = 0x4000;
// The ZRV-28 pipeline is at most 2 x 22 + 3 values long.
constexpr std::int32_t kMostPipeline = 2 * kMaxSlots + 3;

bool FullDebug() { return ZRVDebug::DebugStatus == ZRVDebug::StatusWriting; }

// "<title> <time>  " the count in 7, ", " and the state in 2.
void DebugLine(std::span<const char> title, std::int32_t count, std::span<char> line) {
  ZRVDebug::DebugTitleAndTime(title, line);
  Decode::Integer(count, line, 7);
  Strings::Concat(line, ", ");
  Decode::Integer(Z.state, line, 2);
}

}  // namespace

bool CreateFifoBuffer(std::int64_t samples) {
  samples = std::max<std::int64_t>(samples, kLeastCache);
  if (Z.cacheCapacity < samples) DeleteFifoBuffer();
  if (Z.cache != nullptr) return true;
  const std::int64_t bytes = (samples + std::max(ZRVBase::NumberDacChannels, 1)) * 2;
  void* block = nullptr;
  if (bytes <= INT32_MAX) {
    Z.cacheBuffer = Buffer::Create("FifoCache", Buffer::kSingleBlock);
    Buffer::AllocateBlock(Z.cacheBuffer, static_cast<std::int32_t>(bytes), block);
  }
  if (block == nullptr) {
    Buffer::Delete(Z.cacheBuffer);
    TermIO::WriteAlertLine("  ## CreateFifoBuffer failed. ##  ");
    return false;
  }
  Z.cache = static_cast<std::int16_t*>(block);
  Z.cacheCapacity = static_cast<std::int32_t>(samples);
  return true;
}

void DeleteFifoBuffer() {
  Buffer::Delete(Z.cacheBuffer);
  Z.cache = nullptr;
  Z.cacheCapacity = 0;
}

void ExpandToCache(const std::int16_t* source, std::int16_t* destination, std::int32_t count,
                   std::int32_t repeat, std::int32_t step) {
  if (source == nullptr) return;
  for (std::int32_t i = 0; i < count; ++i) {
    for (std::int32_t r = 0; r < repeat; ++r) {
      *destination = source[i];
      destination += step;
    }
  }
}

bool ReadAdcFifo(std::int16_t* buffer, std::int32_t count) {
  if (Z.state == StateClosed || count <= 0) return true;
  count = std::min(count, ZRVBase::FIFOLength);
  const bool zrv28 = Z.boardType == ZRVBase::BoardZRV28;
  if (FullDebug()) {
    char line[128];
    DebugLine("ReadFromAdcFIFO  ", count, line);
    if (Z.fifoReset) Strings::Concat(line, ", FIFOReset");
    ZRVDebug::DebugWrite(line);
  }
  if (!zrv28 && Z.boardType != ZRVBase::BoardZRV24) return Fail("\"ReadFromAdcFIFO\" not allowed.");
  const auto read = [zrv28](std::int32_t n, std::int16_t* into) {
    return zrv28 ? QRN28_ReadFIFO(Z.handle, n, into) : QRN24_ReadFIFO(Z.handle, n, into);
  };
  if (Z.fifoReset) {
    // The first values after a new sequence are the pipeline's filling.
    const std::int32_t pipeline = std::min<std::int32_t>(Z.pipelineLength, kMostPipeline);
    if (pipeline > 0) {
      std::int16_t discarded[kMostPipeline];
      if (!Check(read(pipeline, discarded))) return false;
      Z.pipelineLength = 0;
    }
    Z.fifoReset = false;
  }
  return Check(read(count, buffer));
}

}  // namespace Internal

using namespace Internal;

std::int32_t GetReadAvailable() {
  if (Z.state == StateClosed) return ZRVBase::FIFOLength;
  if (Z.result != 0) {
    Z.state = StateError;
    return ZRVBase::FIFOLength;
  }
  bool overflow = false;
  std::int32_t count = 0;
  std::int32_t status = 0;
  switch (Z.boardType) {
    case ZRVBase::BoardZRV24:
    case ZRVBase::BoardZRV28: {
      std::int32_t flag = 0;
      status = Z.boardType == ZRVBase::BoardZRV24 ? QRN24_GetFIFOOverflow(Z.handle, flag)
                                                  : QRN28_GetFIFOOverflow(Z.handle, flag);
      overflow = flag != 0;
      break;
    }
    case ZRVBase::BoardQRN2400: {
      std::uint32_t bits = 0;
      status = QRN2400_GetFIFOOverflow(Z.handle, bits);
      overflow = bits != 0;
      // Without a transfer of its own, the caller's poll moves the data.
      if (status == 0 && !Z.transfer) status = QRN2400_TransferToFIFO(Z.handle);
      break;
    }
    case ZRVBase::BoardQRN55:
      status = QRN55Interface::GetReadAvailable(count, overflow);
      break;
    default:
      break;
  }
  Z.result = status;
  if (status != 0) {
    ReportError();
    Z.state = StateError;
    return ZRVBase::FIFOLength;
  }
  bool readCount = Z.boardType <= ZRVBase::BoardQRN2400;
  if (overflow) {
    // The boards of the closed library tolerate one overflow indication per
    // acquisition; the second one ends it.
    if (!readCount) {
      Z.state = StateError;
    } else if (Z.overflowed) {
      count = ZRVBase::FIFOLength;
      Z.state = StateError;
      readCount = false;
    }
    Z.overflowed = true;
  }
  if (readCount) {
    switch (Z.boardType) {
      case ZRVBase::BoardZRV24:
        Z.result = QRN24_GetFIFOReadAvailable(Z.handle, count);
        break;
      case ZRVBase::BoardZRV28:
        Z.result = QRN28_GetFIFOReadAvailable(Z.handle, count);
        break;
      default:
        Z.result = QRN2400_GetFIFOReadAvailable(Z.handle, count);
        break;
    }
  }
  if (Z.writeReadCounter || FullDebug()) {
    char line[128];
    DebugLine("GetReadAvailable ", count, line);
    if (overflow) Strings::Concat(line, ", overflow");
    if (Z.overflowed) Strings::Concat(line, ", overflowed");
    if (FullDebug()) ZRVDebug::DebugWrite(line);
    TermIO::WriteLine(line);
  }
  if (Z.result != 0) {
    ReportError();
    Z.state = StateError;
    return ZRVBase::FIFOLength;
  }
  return count;
}

void ReadFromAdcFIFO(std::int16_t* buffer, std::int32_t count) { ReadAdcFifo(buffer, count); }

void WriteToDacFIFO(const std::int16_t* buffer, std::int32_t count, bool, bool last) {
  if (Z.state == StateClosed || count <= 0) return;
  if (FullDebug()) {
    char line[128];
    DebugLine("WriteToDacFIFO   ", count, line);
    if (count > ZRVBase::FIFOLength) Strings::Concat(line, ", Count > FIFOLength");
    ZRVDebug::DebugWrite(line);
  }
  count = std::min(count, ZRVBase::FIFOLength);
  switch (Z.boardType) {
    case ZRVBase::BoardZRV28:
      Check(QRN28_WriteFIFO(Z.handle, count, buffer));
      break;
    case ZRVBase::BoardZRV24:
      Check(QRN24_WriteFIFO(Z.handle, last ? count + 1 : count, buffer));
      break;
    default:
      Fail("\"WriteToDacFIFO\" not allowed.");
      break;
  }
}

void FillDacCache(std::int32_t channels, std::int32_t samples, std::int32_t compression,
                  DacBuffers buffers, std::int32_t offset, std::int16_t* destination) {
  channels = std::clamp(channels, 0, static_cast<std::int32_t>(buffers.size()));
  if (destination == nullptr || samples <= 0) return;
  for (std::int32_t i = 0; i < channels; ++i) {
    const std::int16_t* const source = buffers[i];
    if (source == nullptr) continue;
    if (compression >= 2) {
      ExpandToCache(source + offset, destination + i, samples, compression, channels);
    } else if (channels == 1) {
      VectorInt::Copy(source + offset, destination, samples);
    } else {
      for (std::int32_t k = 0; k < samples; ++k) destination[i + k * channels] = source[offset + k];
    }
  }
}

void CompressData(const std::int16_t* source, std::int16_t* destination, std::int32_t count,
                  std::int32_t compression, std::int32_t averaging, std::int32_t stride) {
  if (destination == nullptr || source == nullptr) return;
  const std::int32_t n = std::min(averaging, compression);
  for (std::int32_t out = 0; out < count; ++out) {
    if (n >= 2) {
      std::int32_t sum = 0;
      for (std::int32_t j = 0; j < n; ++j) sum += source[j * stride];
      destination[out] = static_cast<std::int16_t>(sum / n);
    } else {
      destination[out] = source[0];
    }
    source += static_cast<std::ptrdiff_t>(compression) * stride;
  }
}

}  // namespace ZRV
