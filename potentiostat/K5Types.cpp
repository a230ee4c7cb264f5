#include "potentiostat/K5Types.h"

namespace K5Types {

bool Initialised = false;

// The AD/DA layer's module state it builds on is the program's own start
// (ZRVBase's defaults are static), so marking it done is all that is left.
void Initialise() { Initialised = true; }

}  // namespace K5Types
