#include "amplifier/T3Types.h"

namespace T3Types {

AmplifierState State{};

void InitModule() {}

}  // namespace T3Types
