// Moves samples between one plain array per slot and frames, where the
// sample of slot s in frame f is element f x slot count + s. The
// interleaved side is addressed by its first element (the frame's start
// plus the slot) and a stride in elements. Each call moves count (> 0)
// samples; pointers must not be null and strides must be positive.
#pragma once

#include <cstdint>

// target[0], target[target_increment], ... := value.
void QRN55Utility_InterleavedFill(int count, std::int16_t value, std::int16_t* target,
                                  int target_increment);
// target[k x target_increment] := source[k].
void QRN55Utility_InterleavedWrite(int count, const std::int16_t* source, std::int16_t* target,
                                   int target_increment);
// target[k] := source[k x source_increment].
void QRN55Utility_InterleavedRead(int count, const std::int16_t* source, std::int16_t* target,
                                  int source_increment);

// The frames (>= 0) of a ring of capacity frames from position on, in blocks
// that do not cross the ring's end: move(count, frame, done) for each, frame
// being the block's first frame in the ring and done the frames before it.
// position ends behind the last frame, modulo the capacity.
template <typename Move>
void QRN55Utility_RingBlocks(int& position, int frames, int capacity, Move move) {
  for (int done = 0; done < frames;) {
    const int count = frames - done < capacity - position ? frames - done : capacity - position;
    move(count, position, done);
    done += count;
    position = (position + count) % capacity;
  }
}
