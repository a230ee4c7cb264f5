#include "selftest/TestResultsBlock.h"

namespace T3MakeAuto {

NominalNoise Nominal = {};

}  // namespace T3MakeAuto
