#include "selftest/TestBase.h"

namespace TestBase {

bool DataPlotting = false;
bool Pausing = false;
bool WriteState = false;
bool Continue = false;
bool Stopped = false;
bool Aborted = false;
bool Repeat = false;
bool GeneratorOn = false;

void InitModule() {
  DataPlotting = false;
  Pausing = false;
  WriteState = false;
  Continue = false;
  Stopped = false;
  Aborted = false;
  Repeat = false;
  GeneratorOn = false;
}

}  // namespace TestBase
