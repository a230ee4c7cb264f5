#include "foundation/VrnlTypes.h"

#include <cstring>

#include "foundation/platform/Host.h"

namespace VrnlTypes {

void MakeFourCharCode(FourCharCode& code, char c1, char c2, char c3, char c4) {
  static_assert(sizeof(FourCharCode) == 4);
  const bool littleEndian = Platform::IsLittleEndian();
  const char readingOrder[4] = {c1, c2, c3, c4};
  char inMemory[4];
  for (int i = 0; i < 4; ++i) inMemory[i] = readingOrder[littleEndian ? 3 - i : i];
  std::memcpy(&code, inMemory, sizeof code);
}

void InitModule() {
  MakeFourCharCode(type_pref, 'p', 'r', 'e', 'f');
  MakeFourCharCode(type_ttxt, 't', 't', 'x', 't');
  MakeFourCharCode(type_fsrf, 'f', 's', 'r', 'f');
  MakeFourCharCode(type_fss, 'f', 's', 's', ' ');
  MakeFourCharCode(type_null, 'n', 'u', 'l', 'l');
  MakeFourCharCode(type_any, '?', '?', '?', '?');
  MakeFourCharCode(type_list, 'l', 'i', 's', 't');
  MakeFourCharCode(type_none, '-', '-', '-', '-');
  MakeFourCharCode(type_quit, 'q', 'u', 'i', 't');
  MakeFourCharCode(type_aevt, 'a', 'e', 'v', 't');
  MakeFourCharCode(type_odoc, 'o', 'd', 'o', 'c');
  MakeFourCharCode(type_cbon, 'c', 'b', 'o', 'n');
  MakeFourCharCode(type_fs, 'f', 's', ' ', ' ');
  MakeFourCharCode(type_menu, 'm', 'e', 'n', 'u');
  MakeFourCharCode(type_midx, 'm', 'i', 'd', 'x');
  MakeFourCharCode(type_item, 'i', 't', 'e', 'm');
  MakeFourCharCode(type_FONT, 'F', 'O', 'N', 'T');
  MakeFourCharCode(type_CURS, 'C', 'U', 'R', 'S');
  MakeFourCharCode(type_empty, 0, 0, 0, 0);
  MakeFourCharCode(type_TEXT, 'T', 'E', 'X', 'T');
  MakeFourCharCode(type_PICT, 'P', 'I', 'C', 'T');
  MakeFourCharCode(type_BINA, 'B', 'I', 'N', 'A');
  MakeFourCharCode(type_Tlv3, 'T', 'l', 'v', '3');
}

}  // namespace VrnlTypes
