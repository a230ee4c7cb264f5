#include "potentiostat/K5Set_518.h"

#include "acquisition/ZRV.h"
#include "potentiostat/K5Set.h"
#include "potentiostat/K5Set_510.h"

namespace K5Set_518 {

void Init_PK510_and_PK518() {
  if (ZRV::Status() == ZRV::StateClosed) ZRV::InitInterface(ZRV::GetBoardType());
  // The PK 510 takes these words whether it was selected or not: its power-on
  // set-up selects it first and the last word deselects it again.
  K5Set::SendToHardware = true;
  K5Set_510::InitHardware();
  K5Set_510::Board.EnableMuxAdc(false);
  K5Set_510::ActiveBoard(K5Set::NoBoard);
  K5Set::SendToHardware = false;
}

void ActivateTlvBoard() {}
void InactivateTlvBoard() {}
void CopyT3StateToPKState() {}
void WriteState() {}
void InitModule() {}

}  // namespace K5Set_518
