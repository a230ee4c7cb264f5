// The one error code of the amplifier core. Every amplifier module sets
// Error before it reports failure (a FALSE result); callers read it and
// take its text from T3Init::ErrorText. Nobody clears it on success except
// where a module says so. Main thread only.
#pragma once

#include "amplifier/T3Types.h"

namespace T3Error {

extern T3Types::AmplifierError Error;

// Error := 0.
void InitModule();

}  // namespace T3Error
