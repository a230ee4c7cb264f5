// The operator's flags of a test run. The test window sets them from its
// buttons, the calibration menu clears them when it is installed, the test
// procedures read them. Main thread only.
#pragma once

namespace TestBase {

extern bool DataPlotting;  // plot measured data in the test window
extern bool Pausing;       // pause at test steps with the live test signal
extern bool WriteState;    // the amplifier's DAC and switch state into the report at each step
extern bool Continue;      // the operator pressed Continue
extern bool Stopped;       // ... Stop
extern bool Aborted;       // ... Abort
extern bool Repeat;        // ... Repeat
extern bool GeneratorOn;   // the test-signal generator button is on

// Every flag FALSE.
void InitModule();

}  // namespace TestBase
