// The server side of one unit of an open device: it moves data between the
// unit's rings in the session buffer and the unit, one shot for a pulse or
// polled during continuous acquisition, and keeps the counts that show an
// input overflow or an output underflow.
//
// A continuous poll is: the status step (read the unit's frame count, status
// and clipping bits; work out how many input frames wait in its FIFO and how
// many output frames it has room for), the output step (send what the output
// ring holds, within that room) and the input step (receive what waits, into
// the room of the input ring). Transfers are pieces of at most 16384 bytes,
// whole multiples of 4 frames, each announced by a data transfer size block.
//
// An input overflow (reported by the unit, or counted) sets status 15; no
// further input is counted until the next acquisition set-up. An output
// underflow (reported or counted) stops the output; status 16 follows as
// soon as output frames wait in the ring, so a run whose stimulus was sent
// completely, or that has no outputs, keeps status 0. Both are statuses of
// the unit, not failures of the poll.
//
// Results are statuses; a failed transfer's status is also kept as the
// unit's status.
#pragma once

#include <cstdint>
#include <span>

#include "Common/QRN55/Driver/QRN55.h"
#include "Common/QRN55/Driver/QRN55Unit.h"
#include "Common/QRN55/Driver/QRN55UnitBuffer.h"

class QRN55UnitSession {
 public:
  // Transfers are pieces of at most this many bytes.
  static constexpr int kMaximumTransfer = 16384;
  static constexpr int kCommandAreaSize = 512;

  // The bytes a unit's areas take for rings of at least buffer_samples
  // (>= 0) samples: 4 x B + 8704, B the larger of buffer_samples and the
  // unit's FIFO depths.
  static std::int64_t AreaBytes(const QRN55Unit& unit, int buffer_samples);

  // Lays the unit's areas out from current_offset (>= 0), which moves on by
  // AreaBytes; the caller makes sure the layout stays within int offsets.
  void SetupOffsets(QRN55Unit& unit, int& current_offset, int descriptor_offset,
                    int buffer_samples);
  void SetupPointers(std::uint8_t* buffer);
  // The unit's acquisition set-up (0, 2, 27, 28 or 31; 28 also for a
  // sequence that uses no channel at all); on success the rings are emptied
  // and the counts cleared.
  QRN55Status SetupAcquisition(int sequence_count, std::span<const int> input_slot_1,
                               std::span<const int> input_slot_2,
                               std::span<const int> output_slot_1,
                               std::span<const int> output_slot_2, int interval, int trigger_mode);

  // One pulse: the first write_frames (at most the output ring's frames) of
  // the output ring go out with the settings, and read_frames (at most the
  // input ring's frames) and the unit's sequence counter delay come back
  // into the input ring from its start: 0, 43 when they do not fit, or the
  // command's status.
  QRN55Status Pulse(int write_frames, int read_frames);

  // Clears the counts and writes the settings to the unit.
  QRN55Status ContinuousArm();
  // Fills the output FIFO from the ring, then starts the unit.
  QRN55Status ContinuousStart();
  QRN55Status ContinuousStop();
  // The status, output and input steps. `clipping` gets the clipping bits
  // gathered since the last report; then only those in clipping_mask stay
  // gathered (-1 keeps all).
  QRN55Status ContinuousPoll(int clipping_mask, int& clipping);

 private:
  QRN55Status StatusStep(int clipping_mask, int& clipping);
  QRN55Status OutputStep();
  QRN55Status InputStep();
  QRN55Status ContinuousOutputWrite(std::int16_t* data, int frames);
  QRN55Status ContinuousInputRead(std::int16_t* data, int frames);
  template <typename Move>
  QRN55Status TransferPieces(std::int16_t* data, int frames, int frame_bytes, Move move);
  // The longest piece: 16384 bytes, less what makes it a multiple of 4
  // frames.
  static int MaximumPiece(int frame_bytes);
  // Keeps a failure as the unit's status and gives it back.
  QRN55Status Fail(QRN55Status status);

  QRN55Unit* _unit = nullptr;
  QRN55UnitBuffer _buffer;
  std::uint64_t _sequence_count = 0;
  std::uint64_t _output_frames_sent = 0;
  std::uint64_t _input_frames_received = 0;
  int _output_frames_allowed = 0;
  int _input_frames_available = 0;
  int _clipping = 0;
};
