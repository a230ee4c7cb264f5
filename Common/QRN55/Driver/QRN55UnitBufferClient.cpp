#include "Common/QRN55/Driver/QRN55UnitBufferClient.h"

#include <algorithm>

#include "Common/QRN55/Driver/QRN55Assert.h"
#include "Common/QRN55/Driver/QRN55Utility.h"

namespace {

// The frames from `from` to `to` going round a ring of `capacity` frames.
int Distance(int from, int to, int capacity) {
  const int frames = to - from;
  return frames < 0 ? frames + capacity : frames;
}

}  // namespace

void QRN55UnitBufferClient::Setup(QRN55UnitDescriptor* descriptor, std::uint8_t* buffer) {
  QRN55_ASSERT(descriptor != nullptr);
  QRN55_ASSERT(buffer != nullptr);
  _descriptor = descriptor;
  _output_data = reinterpret_cast<std::int16_t*>(buffer + descriptor->output_buffer_data_offset);
  _input_data = reinterpret_cast<std::int16_t*>(buffer + descriptor->input_buffer_data_offset);
}

QRN55Status QRN55UnitBufferClient::GetStatus() const { return _descriptor->status.load(); }

int QRN55UnitBufferClient::DataOutputGetWriteAvailable() const {
  const QRN55UnitDescriptor& d = *_descriptor;
  const int read = d.output_read_frame.load(std::memory_order_acquire);
  const int write = d.output_write_frame.load(std::memory_order_relaxed);
  return std::max(Distance(write, read - 1, d.output_buffer_frames), 0);
}

void QRN55UnitBufferClient::DataOutputWrite(int frames, const std::int16_t* const* data) {
  QRN55_ASSERT(frames > 0);
  QRN55_ASSERT(data != nullptr);
  QRN55_ASSERT(frames <= _descriptor->output_buffer_frames);
  const int to_end = _descriptor->output_buffer_frames -
                     _descriptor->output_write_frame.load(std::memory_order_relaxed);
  if (to_end < frames) {
    DataOutputWriteBlock(to_end, data, 0);
    DataOutputWriteBlock(frames - to_end, data, to_end);
  } else {
    DataOutputWriteBlock(frames, data, 0);
  }
}

void QRN55UnitBufferClient::DataOutputWriteBlock(int frames, const std::int16_t* const* data,
                                                 int offset) {
  QRN55_ASSERT(frames > 0);
  QRN55_ASSERT(offset >= 0);
  QRN55UnitDescriptor& d = *_descriptor;
  const int slots = d.output_active_slot_count;
  const int write = d.output_write_frame.load(std::memory_order_relaxed);
  QRN55_ASSERT(write + frames <= d.output_buffer_frames);
  std::int16_t* const frame = _output_data + static_cast<std::ptrdiff_t>(write) * slots;
  for (int slot = 0; slot < slots; ++slot) {
    if (d.output_slots[slot].asynchronous) {
      QRN55_ASSERT(data[slot] == nullptr);
      continue;
    }
    QRN55_ASSERT(data[slot] != nullptr);
    QRN55Utility_InterleavedWrite(frames, data[slot] + offset, frame + slot, slots);
  }
  const int next = write + frames;
  d.output_write_frame.store(next == d.output_buffer_frames ? 0 : next, std::memory_order_release);
}

int QRN55UnitBufferClient::DataInputGetReadAvailable() const {
  const QRN55UnitDescriptor& d = *_descriptor;
  const int write = d.input_write_frame.load(std::memory_order_acquire);
  const int read = d.input_read_frame.load(std::memory_order_relaxed);
  return Distance(read, write, d.input_buffer_frames);
}

void QRN55UnitBufferClient::DataInputRead(int frames, std::int16_t* const* data) {
  QRN55_ASSERT(frames > 0);
  QRN55_ASSERT(data != nullptr);
  QRN55_ASSERT(frames <= _descriptor->input_buffer_frames);
  const int to_end = _descriptor->input_buffer_frames -
                     _descriptor->input_read_frame.load(std::memory_order_relaxed);
  if (to_end < frames) {
    DataInputReadBlock(to_end, data, 0);
    DataInputReadBlock(frames - to_end, data, to_end);
  } else {
    DataInputReadBlock(frames, data, 0);
  }
}

void QRN55UnitBufferClient::DataInputReadBlock(int frames, std::int16_t* const* data, int offset) {
  QRN55_ASSERT(frames > 0);
  QRN55_ASSERT(offset >= 0);
  QRN55UnitDescriptor& d = *_descriptor;
  const int slots = d.input_active_slot_count;
  const int read = d.input_read_frame.load(std::memory_order_relaxed);
  QRN55_ASSERT(read + frames <= d.input_buffer_frames);
  const std::int16_t* const frame = _input_data + static_cast<std::ptrdiff_t>(read) * slots;
  for (int slot = 0; slot < slots; ++slot) {
    if (d.input_slots[slot].asynchronous) {
      QRN55_ASSERT(data[slot] == nullptr);
      continue;
    }
    QRN55_ASSERT(data[slot] != nullptr);
    QRN55Utility_InterleavedRead(frames, frame + slot, data[slot] + offset, slots);
  }
  const int next = read + frames;
  d.input_read_frame.store(next == d.input_buffer_frames ? 0 : next, std::memory_order_release);
}

void QRN55UnitBufferClient::AsynchronousOutputSet(int slot, bool asynchronous, std::int16_t value) {
  QRN55_ASSERT(slot >= 0 && slot < _descriptor->output_active_slot_count);
  _descriptor->output_slots[slot].value = value;
  _descriptor->output_slots[slot].asynchronous = asynchronous;
}

int QRN55UnitBufferClient::AsynchronousOutputGetAvailable(int slot) const {
  const QRN55UnitDescriptor& d = *_descriptor;
  QRN55_ASSERT(slot >= 0 && slot < d.output_active_slot_count);
  QRN55_ASSERT(d.output_slots[slot].asynchronous);
  const int read = d.output_read_frame.load(std::memory_order_acquire);
  return std::max(Distance(d.output_slots[slot].position, read - 1, d.output_buffer_frames), 0);
}

void QRN55UnitBufferClient::AsynchronousOutputWrite(int slot, int frames,
                                                    const std::int16_t* data) {
  QRN55_ASSERT(frames > 0);
  QRN55_ASSERT(data != nullptr);
  QRN55_ASSERT(frames <= AsynchronousOutputGetAvailable(slot));
  QRN55UnitDescriptor& d = *_descriptor;
  const int slots = d.output_active_slot_count;
  QRN55Utility_RingBlocks(
      d.output_slots[slot].position, frames, d.output_buffer_frames,
      [&](int count, int frame, int done) {
        QRN55Utility_InterleavedWrite(
            count, data + done, _output_data + static_cast<std::ptrdiff_t>(frame) * slots + slot,
            slots);
      });
}

void QRN55UnitBufferClient::AsynchronousInputSet(int slot, bool asynchronous) {
  QRN55_ASSERT(slot >= 0 && slot < _descriptor->input_active_slot_count);
  _descriptor->input_slots[slot].asynchronous = asynchronous;
}

int QRN55UnitBufferClient::AsynchronousInputGetAvailable(int slot) const {
  const QRN55UnitDescriptor& d = *_descriptor;
  QRN55_ASSERT(slot >= 0 && slot < d.input_active_slot_count);
  QRN55_ASSERT(d.input_slots[slot].asynchronous);
  const int write = d.input_write_frame.load(std::memory_order_acquire);
  return Distance(d.input_slots[slot].position, write, d.input_buffer_frames);
}

void QRN55UnitBufferClient::AsynchronousInputRead(int slot, int frames, std::int16_t* data) {
  QRN55_ASSERT(frames > 0);
  QRN55_ASSERT(data != nullptr);
  QRN55_ASSERT(frames <= AsynchronousInputGetAvailable(slot));
  QRN55UnitDescriptor& d = *_descriptor;
  const int slots = d.input_active_slot_count;
  QRN55Utility_RingBlocks(
      d.input_slots[slot].position, frames, d.input_buffer_frames,
      [&](int count, int frame, int done) {
        QRN55Utility_InterleavedRead(
            count, _input_data + static_cast<std::ptrdiff_t>(frame) * slots + slot, data + done,
            slots);
      });
}
