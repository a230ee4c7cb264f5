#include "amplifier/T3Selector.h"

namespace T3Selector {

std::int32_t SelectorPosition = 0;
std::int32_t SelectorBoard = 0;
std::int32_t SelectorDacUnits = 0;
bool SelectorEEPROM = false;

}  // namespace T3Selector
