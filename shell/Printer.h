// Printing of text buffers. This platform has no printing connection yet:
// no job is ever open.
#pragma once

namespace Printer {

// No job, margins not set. Called once at start-up.
void Initialize();

}  // namespace Printer
