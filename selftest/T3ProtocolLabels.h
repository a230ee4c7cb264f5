// Labels that the range file and the result file share.
#pragma once

#include "selftest/TestResultsBlock.h"

namespace T3Protocol {

// The DAC tests, in the order of SelfTestResults::DacTests. The trailing
// blanks keep "IC4A" from finding "IC41A".
inline constexpr const char* kDacTestLabels[TestResultsBlock::kDacTests] = {
    "DacTest-IC4A ", "DacTest-IC4B ", "DacTest-IC7A ", "DacTest-IC7B ", "DacTest-IC8A ",
    "DacTest-IC8B ", "DacTest-IC12A", "DacTest-IC12B", "DacTest-IC25A", "DacTest-IC25B",
    "DacTest-IC34A", "DacTest-IC34B", "DacTest-IC41A", "DacTest-IC41B", "DacTest-IC50A",
    "DacTest-IC50B", "DacTest-IC56A", "DacTest-IC56B"};

}  // namespace T3Protocol
