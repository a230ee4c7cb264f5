#include "calibration/Program.h"

#include "amplifier/T3Select.h"
#include "calibration/T3TestUt.h"
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
  // Beside the rest of the program, room for the board storage and the
  // results blocks at their fullest.
  constexpr std::int64_t kKilobyte = 1024;
  const std::int64_t blocks = T3Select::StorageHeapBytes() + T3TestUt::ResultsHeapBytes();
  Buffer::DefBufferHeap = static_cast<std::int32_t>(1500 + (blocks + kKilobyte - 1) / kKilobyte);
  Buffer::DefBufferHeapMin = 400;
  Buffer::DefAllocHeapMin = 400;
}

}  // namespace Program
