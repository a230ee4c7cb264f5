#include "potentiostat/K2Types.h"

namespace K2Types {

bool Initialised = false;

void Initialise() { Initialised = true; }

}  // namespace K2Types
