#include "Common/QRN55/Driver/QRN55UnitBuffer.h"

#include <algorithm>
#include <new>

#include "Common/QRN55/Driver/QRN55Assert.h"
#include "Common/QRN55/Driver/QRN55Utility.h"

namespace {

// Transfers move whole multiples of 4 frames.
int RoundDownTo4(int frames) { return frames > 0 ? frames / 4 * 4 : 0; }

}  // namespace

void QRN55UnitBuffer::SetupOffsets(int descriptor_offset, int input_data_offset,
                                   int input_data_samples, int input_padding_samples,
                                   int command_offset, int command_size, int output_data_offset,
                                   int output_data_samples) {
  QRN55_ASSERT(descriptor_offset >= 0);
  QRN55_ASSERT(input_data_offset >= 0);
  QRN55_ASSERT(input_data_samples > 0);
  QRN55_ASSERT(input_padding_samples >= 0);
  QRN55_ASSERT(command_offset >= 0);
  QRN55_ASSERT(command_size > 0);
  QRN55_ASSERT(output_data_offset > 0);
  QRN55_ASSERT(output_data_samples > 0);
  _unit_descriptor_offset = descriptor_offset;
  _input_buffer_data_offset = input_data_offset;
  _input_buffer_data_samples = input_data_samples;
  _input_buffer_padding_samples = input_padding_samples;
  _output_buffer_command_offset = command_offset;
  _output_buffer_command_size = command_size;
  _output_buffer_data_offset = output_data_offset;
  _output_buffer_data_samples = output_data_samples;
}

void QRN55UnitBuffer::SetupPointers(std::uint8_t* buffer) {
  QRN55_ASSERT(buffer != nullptr);
  _descriptor = new (buffer + _unit_descriptor_offset) QRN55UnitDescriptor();
  _input_data = reinterpret_cast<std::int16_t*>(buffer + _input_buffer_data_offset);
  _output_data = reinterpret_cast<std::int16_t*>(buffer + _output_buffer_data_offset);
  _output_command = buffer + _output_buffer_command_offset;
  _descriptor->input_buffer_data_offset = _input_buffer_data_offset;
  _descriptor->input_buffer_data_samples = _input_buffer_data_samples;
  _descriptor->input_buffer_padding_samples = _input_buffer_padding_samples;
  _descriptor->output_buffer_command_offset = _output_buffer_command_offset;
  _descriptor->output_buffer_command_size = _output_buffer_command_size;
  _descriptor->output_buffer_data_offset = _output_buffer_data_offset;
  _descriptor->output_buffer_data_samples = _output_buffer_data_samples;
}

void QRN55UnitBuffer::SetupAcquisition(int input_slots, int output_slots) {
  QRN55_ASSERT(input_slots >= 0 && input_slots <= QRN55_MAXIMUM_FRAME_SAMPLES);
  QRN55_ASSERT(output_slots >= 0 && output_slots <= QRN55_MAXIMUM_FRAME_SAMPLES);
  QRN55_ASSERT(input_slots > 0 || output_slots > 0);
  QRN55UnitDescriptor& d = *_descriptor;
  d.output_underflow_detected = false;
  d.input_overflow_detected = false;
  d.status.store(QRN55_STATUS_SUCCESS);

  d.output_active_slot_count = output_slots;
  d.output_frame_bytes = output_slots * 2;
  d.output_buffer_frames =
      output_slots > 0 ? RoundDownTo4(_output_buffer_data_samples / output_slots) : 0;
  d.input_active_slot_count = input_slots;
  d.input_frame_bytes = input_slots * 2;
  d.input_buffer_frames =
      input_slots > 0 ? RoundDownTo4(_input_buffer_data_samples / input_slots) : 0;
  d.input_padding_frames = input_slots > 0 ? _input_buffer_padding_samples / input_slots + 1 : 0;

  for (int slot = 0; slot < output_slots; ++slot) d.output_slots[slot] = {0, false, 0};
  for (int slot = 0; slot < input_slots; ++slot) d.input_slots[slot] = {false, 0};
  d.output_read_frame.store(0);
  d.output_write_frame.store(0);
  d.input_write_frame.store(0);
  d.input_read_frame.store(0);
}

int QRN55UnitBuffer::DataOutputGetFramesAvailable(std::int16_t*& data, bool& wrap) const {
  const QRN55UnitDescriptor& d = *_descriptor;
  const int read = d.output_read_frame.load(std::memory_order_relaxed);
  const int write = d.output_write_frame.load(std::memory_order_acquire);
  int frames = write - read;
  wrap = frames < 0;
  if (wrap) frames = d.output_buffer_frames - read;
  data = _output_data + static_cast<std::ptrdiff_t>(read) * d.output_active_slot_count;
  return RoundDownTo4(frames);
}

void QRN55UnitBuffer::DataOutputRead(int frames) {
  QRN55_ASSERT(frames > 0);
  QRN55UnitDescriptor& d = *_descriptor;
  int read = d.output_read_frame.load(std::memory_order_relaxed) + frames;
  if (read >= d.output_buffer_frames) read = 0;
  d.output_read_frame.store(read, std::memory_order_release);
}

void QRN55UnitBuffer::AsynchronousOutputFillSlot(int index, int frames) {
  QRN55UnitDescriptor& d = *_descriptor;
  QRN55_ASSERT(index >= 0 && index < d.output_active_slot_count);
  QRN55_ASSERT(d.output_slots[index].asynchronous);
  QRN55_ASSERT(frames >= 0);
  QRN55UnitDescriptor::OutputSlot& slot = d.output_slots[index];
  const int slots = d.output_active_slot_count;
  QRN55Utility_RingBlocks(slot.position, frames, d.output_buffer_frames,
                          [&](int count, int frame, int) {
                            QRN55Utility_InterleavedFill(
                                count, slot.value,
                                _output_data + static_cast<std::ptrdiff_t>(frame) * slots + index,
                                slots);
                          });
}

void QRN55UnitBuffer::AsynchronousOutputFill(int maximum) {
  QRN55UnitDescriptor& d = *_descriptor;
  QRN55_ASSERT(maximum >= 0 && maximum < d.output_buffer_frames);
  const int read = d.output_read_frame.load(std::memory_order_acquire);
  for (int index = 0; index < d.output_active_slot_count; ++index) {
    if (!d.output_slots[index].asynchronous) continue;
    int ahead = d.output_slots[index].position - read;
    if (ahead < 0) ahead += d.output_buffer_frames;
    if (ahead < maximum) AsynchronousOutputFillSlot(index, maximum - ahead);
  }
}

int QRN55UnitBuffer::DataInputGetAvailable(int maximum, std::int16_t*& data, bool& wrap) const {
  const QRN55UnitDescriptor& d = *_descriptor;
  const int write = d.input_write_frame.load(std::memory_order_relaxed);
  const int read = d.input_read_frame.load(std::memory_order_acquire);
  int room;
  if (read > write) {
    room = std::max(read - write - 1 - d.input_padding_frames, 0);
    wrap = false;
  } else {
    room = d.input_buffer_frames - write - (read == 0 ? 1 : 0);
    wrap = read != 0;
  }
  room = RoundDownTo4(room);
  const int wanted = RoundDownTo4(maximum);
  data = _input_data + static_cast<std::ptrdiff_t>(write) * d.input_active_slot_count;
  if (wanted < room) {
    wrap = false;
    return wanted;
  }
  return room;
}

void QRN55UnitBuffer::DataInputWrite(int frames) {
  QRN55_ASSERT(frames > 0);
  QRN55UnitDescriptor& d = *_descriptor;
  int write = d.input_write_frame.load(std::memory_order_relaxed) + frames;
  if (write >= d.input_buffer_frames) write = 0;
  d.input_write_frame.store(write, std::memory_order_release);
}

std::span<std::uint8_t> QRN55UnitBuffer::InputTransfer(std::int16_t* data, int bytes) const {
  QRN55_ASSERT(bytes > 0);
  const std::ptrdiff_t start = data - _input_data;
  QRN55_ASSERT(start >= 0);
  QRN55_ASSERT(2 * start + bytes <= 2 * static_cast<std::ptrdiff_t>(_input_buffer_data_samples +
                                                                    _input_buffer_padding_samples));
  return {reinterpret_cast<std::uint8_t*>(data), static_cast<std::size_t>(bytes)};
}

std::span<std::uint8_t> QRN55UnitBuffer::OutputTransfer(std::int16_t* data, int bytes) const {
  QRN55_ASSERT(bytes > 0);
  const std::ptrdiff_t start = data - _output_data;
  QRN55_ASSERT(start >= 0);
  QRN55_ASSERT(2 * start + bytes <=
               2 * static_cast<std::ptrdiff_t>(_output_buffer_data_samples) + kOutputTailBytes);
  return {reinterpret_cast<std::uint8_t*>(data), static_cast<std::size_t>(bytes)};
}

std::span<std::uint8_t> QRN55UnitBuffer::DataInputGetBuffer() const {
  return {reinterpret_cast<std::uint8_t*>(_input_data),
          2 * static_cast<std::size_t>(_input_buffer_data_samples + _input_buffer_padding_samples)};
}

std::span<std::uint8_t> QRN55UnitBuffer::GetOutputCommand() const {
  QRN55_ASSERT(_output_buffer_command_offset + _output_buffer_command_size ==
               _output_buffer_data_offset);
  return {_output_command, static_cast<std::size_t>(_output_buffer_command_size) +
                               2 * static_cast<std::size_t>(_output_buffer_data_samples) +
                               kOutputTailBytes};
}
