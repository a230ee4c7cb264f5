#include "shell/ModSound.h"

namespace ModSound {

void InitModule() {}

void Off() {}

}  // namespace ModSound
