#include "amplifier/T3Auto.h"

namespace T3Auto {

T3Scale::CFastTable CFastTable;

}  // namespace T3Auto
