#include "terminal/ANSIBase.h"

namespace ANSIBase {

int LastKeyCode = KeyNone;
char LastCharacter = 0;
int LastModifiers = 0;

}  // namespace ANSIBase
