#include "potentiostat/K5Measure.h"

namespace K5Measure {

// The tests' working values arrive with the tests; nothing to set yet.
void InitModule() {}

}  // namespace K5Measure
