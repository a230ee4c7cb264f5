#include "shell/Printer.h"

namespace Printer {

void Initialize() {}

}  // namespace Printer
