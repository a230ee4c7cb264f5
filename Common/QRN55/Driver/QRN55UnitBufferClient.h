// One unit's rings as the caller's side sees them: copies between the
// caller's arrays (one plain array per slot) and the interleaved frames, and
// the caller's ends of the rings: the output write frame and the input read
// frame (see QRN55UnitBuffer for the layout and the positions' rules).
#pragma once

#include <cstdint>

#include "Common/QRN55/Driver/QRN55.h"
#include "Common/QRN55/Driver/QRN55UnitBuffer.h"

class QRN55UnitBufferClient {
 public:
  // The unit's descriptor (not null) in the session buffer that starts at
  // buffer.
  void Setup(QRN55UnitDescriptor* descriptor, std::uint8_t* buffer);

  // The unit's status word: 0, 15, 16 or the status of a failed poll.
  QRN55Status GetStatus() const;
  int GetInputSlotCount() const { return _descriptor->input_active_slot_count; }
  int GetOutputSlotCount() const { return _descriptor->output_active_slot_count; }
  int GetInputBufferFrames() const { return _descriptor->input_buffer_frames; }
  int GetOutputBufferFrames() const { return _descriptor->output_buffer_frames; }

  // Frames that may be written; one frame of the ring always stays free.
  int DataOutputGetWriteAvailable() const;
  // 0 < frames <= the ring's frames, from one array per output slot (nil
  // for an asynchronous slot, not nil for any other), at the write frame
  // and across the end of the ring in two blocks. During acquisition the
  // caller writes no more than the available frames; a pulse fills the
  // whole ring from its start.
  void DataOutputWrite(int frames, const std::int16_t* const* data);
  int DataInputGetReadAvailable() const;
  // 0 < frames <= the ring's frames, into one array per input slot (nil for
  // an asynchronous slot), from the read frame. During acquisition the
  // caller reads no more than the readable frames.
  void DataInputRead(int frames, std::int16_t* const* data);

  // Slots below the direction's slot count. An asynchronous slot is moved
  // by the functions below, frames > 0 and at most the available ones, from
  // its own position.
  void AsynchronousOutputSet(int slot, bool asynchronous, std::int16_t value);
  int AsynchronousOutputGetAvailable(int slot) const;
  void AsynchronousOutputWrite(int slot, int frames, const std::int16_t* data);
  void AsynchronousInputSet(int slot, bool asynchronous);
  int AsynchronousInputGetAvailable(int slot) const;
  void AsynchronousInputRead(int slot, int frames, std::int16_t* data);

 private:
  void DataOutputWriteBlock(int frames, const std::int16_t* const* data, int offset);
  void DataInputReadBlock(int frames, std::int16_t* const* data, int offset);

  QRN55UnitDescriptor* _descriptor = nullptr;
  std::int16_t* _output_data = nullptr;
  std::int16_t* _input_data = nullptr;
};
