// The program's definition: what the application environment asks of the
// program while it starts.
#pragma once

namespace Program {

// Creator 'T3Te', long and short name "Mereth", the start procedure
// Tlv3Mereth::CallMereth, and the buffer heap: 1,500 KB wanted beside the
// board storage and the results blocks at their fullest, 400 KB least
// without a warning, 400 KB least at all. Called once by
// MacEnv::Initialize.
void Define();

}  // namespace Program
