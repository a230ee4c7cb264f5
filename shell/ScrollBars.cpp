#include "shell/ScrollBars.h"

namespace ScrollBars {

int ScrollBarWidth = 16;

void InitModule() { ScrollBarWidth = 16; }

}  // namespace ScrollBars
