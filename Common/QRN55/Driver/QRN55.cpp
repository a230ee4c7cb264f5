#include "Common/QRN55/Driver/QRN55.h"

#include <algorithm>

#include "foundation/platform/Clock.h"

extern "C" void QRN55_SystemDelay(double seconds) {
  Platform::SleepSeconds(std::max(seconds, 0.001));
}
