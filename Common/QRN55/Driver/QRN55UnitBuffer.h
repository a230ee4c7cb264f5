// One unit's share of a device session's buffer, as the unit session (the
// polling side) sees it: the unit descriptor and two rings of interleaved
// 16-bit samples, input frames coming from the unit's input FIFO and output
// frames going to its output FIFO. Ring positions count frames.
//
// Layout of a unit's areas (offsets from the start of the session buffer):
// input data (B samples), input padding, output command area (the settings
// head of a pulse block), output data (B samples) right after it, a tail of
// 4096 bytes. Transfers are rounded up to 4096 bytes: the padding and the
// tail take what a transfer runs past the end of a ring, so data never pass
// through a bounce buffer.
//
// The rings are single-producer, single-consumer. Each position has one
// writer: the client (the caller's side, QRN55UnitBufferClient) writes the
// output write frame and the input read frame, the unit session the output
// read frame and the input write frame. A side moves its own position only
// after the data are in place (release), and reads the other side's position
// before touching the data it covers (acquire).
#pragma once

#include <atomic>
#include <cstdint>
#include <span>

#include "Common/QRN55/Driver/QRN55.h"

struct QRN55UnitDescriptor {
  struct OutputSlot {
    std::int16_t value;  // the constant of an asynchronous slot
    bool asynchronous;
    int position;  // frame; the client's alone
  };
  struct InputSlot {
    bool asynchronous;
    int position;
  };

  // The unit session's own, under the poll's lock.
  bool output_underflow_detected;
  bool input_overflow_detected;
  // The last error of the unit's polls; the client reads it at any time.
  std::atomic<QRN55Status> status;

  int output_active_slot_count;
  int output_frame_bytes;
  int output_buffer_frames;
  std::atomic<int> output_read_frame;   // unit session
  std::atomic<int> output_write_frame;  // client
  int input_active_slot_count;
  int input_frame_bytes;
  int input_buffer_frames;
  int input_padding_frames;
  std::atomic<int> input_write_frame;  // unit session
  std::atomic<int> input_read_frame;   // client

  // The unit buffer's layout, for the client.
  int input_buffer_data_offset;
  int input_buffer_data_samples;
  int input_buffer_padding_samples;
  int output_buffer_command_offset;
  int output_buffer_command_size;
  int output_buffer_data_offset;
  int output_buffer_data_samples;

  OutputSlot output_slots[QRN55_MAXIMUM_FRAME_SAMPLES];
  InputSlot input_slots[QRN55_MAXIMUM_FRAME_SAMPLES];
};
static_assert(std::atomic<int>::is_always_lock_free);
// The areas after the descriptors hold 16-bit samples.
static_assert(sizeof(QRN55UnitDescriptor) % alignof(QRN55UnitDescriptor) == 0);
static_assert(alignof(QRN55UnitDescriptor) % alignof(std::int16_t) == 0);

class QRN55UnitBuffer {
 public:
  static constexpr int kInputPaddingSamples = 2048;
  static constexpr int kOutputTailBytes = 4096;

  // Offsets >= 0; input data samples, command size, output data offset and
  // output data samples > 0; padding >= 0.
  void SetupOffsets(int descriptor_offset, int input_data_offset, int input_data_samples,
                    int input_padding_samples, int command_offset, int command_size,
                    int output_data_offset, int output_data_samples);
  // Places the descriptor in the buffer and copies the layout into it.
  void SetupPointers(std::uint8_t* buffer);
  // 0..16 slots a direction, not both 0. Empties both rings, clears the
  // status and both flags, and sets every active slot synchronous. A ring
  // holds the data samples / slots frames, rounded down to a multiple of 4
  // (none without slots).
  void SetupAcquisition(int input_slots, int output_slots);

  // Output frames ready to send from the read frame (`data`): up to the
  // write frame, or to the end of the ring when the write frame lies behind
  // (wrap set: more follow from the start); a multiple of 4. The 1-3 frames
  // after the last whole group stay until the caller's next write completes
  // it: the end of a stimulus is the caller's to complete.
  int DataOutputGetFramesAvailable(std::int16_t*& data, bool& wrap) const;
  // frames > 0: the read frame moves on, to 0 at the end of the ring.
  void DataOutputRead(int frames);
  // Room for input at the write frame (`data`), at most maximum rounded down
  // to a multiple of 4. Behind the read frame the room stops the padding's
  // frames short of it; else it runs to the end of the ring (wrap set when
  // more room follows at the start, and cleared when the maximum is the
  // smaller). One frame always stays free, so a full ring is never empty.
  int DataInputGetAvailable(int maximum, std::int16_t*& data, bool& wrap) const;
  // frames > 0: the write frame moves on, to 0 at the end of the ring.
  void DataInputWrite(int frames);

  // An asynchronous output slot's constant, for callers that do not write
  // the slot themselves. FillSlot: the active asynchronous slot `index`
  // gets its value in frames (>= 0) frames from its position on, wrapping
  // at the end of the ring; its position moves on. Fill: every asynchronous
  // slot whose position is fewer than maximum (0 <= maximum < the ring's
  // frames) frames ahead of the read frame is filled up to that many.
  void AsynchronousOutputFillSlot(int index, int frames);
  void AsynchronousOutputFill(int maximum);

  int DataOutputGetFramesCapacity() const { return _descriptor->output_buffer_frames; }
  int DataInputGetFramesCapacity() const { return _descriptor->input_buffer_frames; }
  int GetInputFrameBytes() const { return _descriptor->input_frame_bytes; }
  int GetOutputFrameBytes() const { return _descriptor->output_frame_bytes; }

  // The bytes of a transfer of `bytes` (> 0) from `data` in the input data
  // (or output data) area; it may run into the padding (or the tail).
  std::span<std::uint8_t> InputTransfer(std::int16_t* data, int bytes) const;
  std::span<std::uint8_t> OutputTransfer(std::int16_t* data, int bytes) const;
  // The input ring from its start, with the padding.
  std::span<std::uint8_t> DataInputGetBuffer() const;
  // The command area followed by the output data and the tail: a pulse block.
  std::span<std::uint8_t> GetOutputCommand() const;

  void SetStatus(QRN55Status status) { _descriptor->status.store(status); }
  void SetInputOverflowDetected() { _descriptor->input_overflow_detected = true; }
  void SetOutputUnderflowDetected() { _descriptor->output_underflow_detected = true; }
  bool IsInputOverflowDetected() const { return _descriptor->input_overflow_detected; }
  bool IsOutputUnderflowDetected() const { return _descriptor->output_underflow_detected; }

 private:
  int _unit_descriptor_offset = 0;
  int _input_buffer_data_offset = 0;
  int _input_buffer_data_samples = 0;
  int _input_buffer_padding_samples = 0;
  int _output_buffer_command_offset = 0;
  int _output_buffer_command_size = 0;
  int _output_buffer_data_offset = 0;
  int _output_buffer_data_samples = 0;
  QRN55UnitDescriptor* _descriptor = nullptr;
  std::int16_t* _input_data = nullptr;
  std::int16_t* _output_data = nullptr;
  std::uint8_t* _output_command = nullptr;
};
