#include "shell/ModSound.h"

namespace ModSound {

void Off() {}

}  // namespace ModSound
