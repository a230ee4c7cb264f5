#include "Common/QRN55/Driver/QRN55UnitSession.h"

#include <algorithm>
#include <cstdint>

#include "Common/QRN55/Driver/QRN55Assert.h"

namespace {

constexpr int kStatusOutputUnderflow = 0x01;
constexpr int kStatusInputOverflow = 0x02;

int RoundDownTo4(int frames) { return frames > 0 ? frames / 4 * 4 : 0; }

// b - a for counts of the unit, which may say anything: never below 0,
// never above `limit`.
int BoundedDifference(std::uint64_t a, std::uint64_t b, int limit) {
  if (b <= a) return 0;
  return static_cast<int>(std::min<std::uint64_t>(b - a, static_cast<std::uint64_t>(limit)));
}

// B: the samples of each ring area.
int RingSamples(const QRN55Unit& unit, int buffer_samples) {
  int input_samples;
  int output_samples;
  unit.GetFIFODepth(input_samples, output_samples);
  return std::max({buffer_samples, input_samples, output_samples});
}

}  // namespace

std::int64_t QRN55UnitSession::AreaBytes(const QRN55Unit& unit, int buffer_samples) {
  QRN55_ASSERT(buffer_samples >= 0);
  return 4 * static_cast<std::int64_t>(RingSamples(unit, buffer_samples)) +
         2 * QRN55UnitBuffer::kInputPaddingSamples + kCommandAreaSize +
         QRN55UnitBuffer::kOutputTailBytes;
}

void QRN55UnitSession::SetupOffsets(QRN55Unit& unit, int& current_offset, int descriptor_offset,
                                    int buffer_samples) {
  QRN55_ASSERT(current_offset >= 0);
  QRN55_ASSERT(descriptor_offset >= 0);
  QRN55_ASSERT(buffer_samples >= 0);
  const std::int64_t area = AreaBytes(unit, buffer_samples);
  QRN55_ASSERT(current_offset + area <= INT32_MAX);
  _unit = &unit;
  const int samples = RingSamples(unit, buffer_samples);
  const int command_offset =
      current_offset + 2 * samples + 2 * QRN55UnitBuffer::kInputPaddingSamples;
  _buffer.SetupOffsets(descriptor_offset, current_offset, samples,
                       QRN55UnitBuffer::kInputPaddingSamples, command_offset, kCommandAreaSize,
                       command_offset + kCommandAreaSize, samples);
  current_offset += static_cast<int>(area);
}

void QRN55UnitSession::SetupPointers(std::uint8_t* buffer) { _buffer.SetupPointers(buffer); }

QRN55Status QRN55UnitSession::SetupAcquisition(int sequence_count,
                                               std::span<const int> input_slot_1,
                                               std::span<const int> input_slot_2,
                                               std::span<const int> output_slot_1,
                                               std::span<const int> output_slot_2, int interval,
                                               int trigger_mode) {
  QRN55UnitStatus& status = _unit->GetUnitStatus();
  const QRN55Status result =
      status.SetupAcquisition(sequence_count, input_slot_1, input_slot_2, output_slot_1,
                              output_slot_2, interval, trigger_mode);
  if (result != QRN55_STATUS_SUCCESS) return result;
  // Rings need a frame of at least one sample.
  if (status.acquisition_input_frame_samples == 0 && status.acquisition_output_frame_samples == 0) {
    return QRN55_STATUS_INVALID_SEQUENCE;
  }
  _buffer.SetupAcquisition(status.acquisition_input_frame_samples,
                           status.acquisition_output_frame_samples);
  _sequence_count = 0;
  _output_frames_sent = 0;
  _input_frames_received = 0;
  _output_frames_allowed = 0;
  _input_frames_available = 0;
  return QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55UnitSession::Pulse(int write_frames, int read_frames) {
  QRN55_ASSERT(write_frames >= 0 && write_frames <= _buffer.DataOutputGetFramesCapacity());
  QRN55_ASSERT(read_frames >= 0 && read_frames <= _buffer.DataInputGetFramesCapacity());
  QRN55UnitStatus& status = _unit->GetUnitStatus();
  // The unit hands over its last samples only after the delay; they are
  // read too and need room in the ring.
  if (read_frames > 0) {
    read_frames += status.sequence_counter_delay;
    if (read_frames > _buffer.DataInputGetFramesCapacity()) return QRN55_STATUS_PULSE_READ_COUNT;
  }
  const QRN55Status result = _unit->GetUnitCommand().Pulse(
      status, write_frames, _buffer.GetOutputCommand(), read_frames, _buffer.DataInputGetBuffer());
  if (result == QRN55_STATUS_SUCCESS && read_frames > 0) _buffer.DataInputWrite(read_frames);
  return result;
}

QRN55Status QRN55UnitSession::ContinuousArm() {
  QRN55UnitStatus& status = _unit->GetUnitStatus();
  _sequence_count = 0;
  _output_frames_sent = 0;
  _input_frames_received = 0;
  _output_frames_allowed = std::max(status.output_fifo_frames - 1, 0);
  _input_frames_available = 0;
  _clipping = 0;
  return _unit->GetUnitCommand().ContinuousInitialize(status);
}

QRN55Status QRN55UnitSession::ContinuousStart() {
  const QRN55Status result = OutputStep();
  if (result != QRN55_STATUS_SUCCESS) return result;
  return _unit->GetUnitCommand().ContinuousStart(_unit->GetUnitStatus());
}

QRN55Status QRN55UnitSession::ContinuousStop() {
  return _unit->GetUnitCommand().ContinuousStop(_unit->GetUnitStatus());
}

QRN55Status QRN55UnitSession::ContinuousPoll(int clipping_mask, int& clipping) {
  QRN55Status result = StatusStep(clipping_mask, clipping);
  if (result == QRN55_STATUS_SUCCESS) result = OutputStep();
  if (result == QRN55_STATUS_SUCCESS) result = InputStep();
  if (result != QRN55_STATUS_SUCCESS) _buffer.SetStatus(result);
  return result;
}

QRN55Status QRN55UnitSession::StatusStep(int clipping_mask, int& clipping) {
  QRN55UnitStatus& status = _unit->GetUnitStatus();
  std::uint64_t sequence_count;
  int status_bits;
  int clipping_bits;
  const QRN55Status result =
      _unit->GetUnitCommand().ContinuousStatus(status, sequence_count, status_bits, clipping_bits);
  if (result != QRN55_STATUS_SUCCESS) return result;
  _sequence_count = sequence_count;
  _clipping |= clipping_bits;
  clipping = _clipping;
  _clipping &= clipping_mask;

  if (status_bits & kStatusInputOverflow) {
    _buffer.SetInputOverflowDetected();
    _buffer.SetStatus(QRN55_STATUS_FIFO_OVERFLOW);
  }
  if (status_bits & kStatusOutputUnderflow) _buffer.SetOutputUnderflowDetected();

  // Only a direction that has slots is counted: a run without inputs never
  // overflows, one without outputs never underflows.
  if (_buffer.DataInputGetFramesCapacity() > 0 && !_buffer.IsInputOverflowDetected()) {
    const int fifo_frames = status.input_fifo_frames;
    int waiting = BoundedDifference(_input_frames_received, _sequence_count, fifo_frames);
    if (waiting >= fifo_frames) {
      _buffer.SetInputOverflowDetected();
      _buffer.SetStatus(QRN55_STATUS_FIFO_OVERFLOW);
    }
    // The last frames counted are still on their way to the FIFO.
    _input_frames_available = std::max(waiting - status.sequence_counter_delay, 0);
  }
  if (_buffer.DataOutputGetFramesCapacity() > 0) {
    // Dry once the unit has run every frame it was sent; before its first
    // frame (a poll between arm and start) nothing has run dry.
    if (_sequence_count > 0 && _output_frames_sent <= _sequence_count) {
      _buffer.SetOutputUnderflowDetected();
    }
    _output_frames_allowed =
        _buffer.IsOutputUnderflowDetected()
            ? 0
            : std::max(status.output_fifo_frames - BoundedDifference(_sequence_count,
                                                                     _output_frames_sent,
                                                                     status.output_fifo_frames),
                       0);
  }
  return QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55UnitSession::OutputStep() {
  if (_buffer.DataOutputGetFramesCapacity() == 0) return QRN55_STATUS_SUCCESS;
  bool wrap;
  do {
    std::int16_t* data;
    int frames = _buffer.DataOutputGetFramesAvailable(data, wrap);
    if (frames == 0) break;
    // Output waits, but the unit ran dry before it came.
    if (_buffer.IsOutputUnderflowDetected()) {
      _buffer.SetStatus(QRN55_STATUS_FIFO_UNDERFLOW);
      break;
    }
    // The unit's FIFO takes whole groups of 4 frames only; the frames after
    // the last group wait in the ring for the caller's next write.
    frames = RoundDownTo4(std::min(frames, _output_frames_allowed));
    if (frames == 0) break;
    const QRN55Status result = ContinuousOutputWrite(data, frames);
    if (result != QRN55_STATUS_SUCCESS) return result;
    _output_frames_sent += static_cast<std::uint64_t>(frames);
    _buffer.DataOutputRead(frames);
    _output_frames_allowed -= frames;
  } while (wrap && _output_frames_allowed > 0);
  return QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55UnitSession::InputStep() {
  if (_buffer.DataInputGetFramesCapacity() == 0) return QRN55_STATUS_SUCCESS;
  bool wrap;
  do {
    std::int16_t* data;
    const int frames = _buffer.DataInputGetAvailable(_input_frames_available, data, wrap);
    if (frames == 0) break;
    const QRN55Status result = ContinuousInputRead(data, frames);
    if (result != QRN55_STATUS_SUCCESS) return result;
    _input_frames_received += static_cast<std::uint64_t>(frames);
    _buffer.DataInputWrite(frames);
    _input_frames_available -= frames;
  } while (wrap && _input_frames_available > 0);
  return QRN55_STATUS_SUCCESS;
}

int QRN55UnitSession::MaximumPiece(int frame_bytes) {
  QRN55_ASSERT(frame_bytes > 0);
  return kMaximumTransfer - kMaximumTransfer % (4 * frame_bytes);
}

// Moves the frames between the caller's data and the unit's FIFO in pieces
// of at most the largest transfer, each announced by its exact byte count.
template <typename Move>
QRN55Status QRN55UnitSession::TransferPieces(std::int16_t* data, int frames, int frame_bytes,
                                             Move move) {
  QRN55UnitStatus& status = _unit->GetUnitStatus();
  QRN55UnitCommand& command = _unit->GetUnitCommand();
  const int piece_limit = MaximumPiece(frame_bytes);
  for (int left = frames * frame_bytes; left > 0;) {
    const int piece = std::min(left, piece_limit);
    QRN55Status result = command.SetDataTransferSize(status, piece, 0);
    if (result != QRN55_STATUS_SUCCESS) return result;
    const int transfer = static_cast<int>(QRN55UnitCommand::RoundToTransfer(piece));
    result = move(command, status, piece, transfer, data);
    if (result != QRN55_STATUS_SUCCESS) return result;
    data += piece / 2;
    left -= piece;
  }
  return QRN55_STATUS_SUCCESS;
}

QRN55Status QRN55UnitSession::ContinuousOutputWrite(std::int16_t* data, int frames) {
  return TransferPieces(data, frames, _buffer.GetOutputFrameBytes(),
                        [this](QRN55UnitCommand& command, QRN55UnitStatus& status, int piece,
                               int transfer, std::int16_t* from) {
                          return command.FIFOWrite(status, piece, transfer,
                                                   _buffer.OutputTransfer(from, transfer));
                        });
}

QRN55Status QRN55UnitSession::ContinuousInputRead(std::int16_t* data, int frames) {
  return TransferPieces(data, frames, _buffer.GetInputFrameBytes(),
                        [this](QRN55UnitCommand& command, QRN55UnitStatus& status, int piece,
                               int transfer, std::int16_t* to) {
                          return command.FIFORead(status, piece, transfer,
                                                  _buffer.InputTransfer(to, transfer));
                        });
}
