#include "calibration/Program.h"

#include "calibration/Tlv3Mereth.h"
#include "foundation/Buffer.h"
#include "foundation/Strings.h"
#include "foundation/VrnlTypes.h"
#include "shell/MacEnv.h"

namespace Program {

void Define() {
  VrnlTypes::MakeFourCharCode(MacEnv::Creator, 'T', '3', 'T', 'e');
  Strings::Assign(MacEnv::ShortName, "Mereth");
  Strings::Assign(MacEnv::LongName, "Mereth");
  MacEnv::StartupProc = Tlv3Mereth::CallMereth;
  Buffer::DefBufferHeap = 1500;
  Buffer::DefBufferHeapMin = 400;
  Buffer::DefAllocHeapMin = 400;
}

}  // namespace Program
