#pragma once

// The PK calibration tests' module. So far it holds only its start, which
// K5Panel::InitAllModules calls with the other PK modules.

namespace K5Measure {

void InitModule();

}  // namespace K5Measure
