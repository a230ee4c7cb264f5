#include "amplifier/T3Error.h"

namespace T3Error {

T3Types::AmplifierError Error = 0;

void InitModule() { Error = 0; }

}  // namespace T3Error
