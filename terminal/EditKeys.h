#pragma once

// The editor's keypad commands; here, the one that other editor modules
// call before the keypad commands themselves exist.

#include <cstdint>

namespace EditKeys {

// The cursor to the line (which must exist, or be 1 of an empty buffer) at
// the desired column, cut to the line's end and to the window's right edge;
// the desired column survives the move.
void MoveUpOrDown(std::int32_t line);

}  // namespace EditKeys
