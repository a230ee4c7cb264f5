// One to four numbers asked in one modal dialog (templates 2010 to 2013):
// a title, a label and an edit field per number, each bound to a variable
// of the caller by its address and kind. OK is taken only when every field
// reads as a number of its kind within its range; a field that does not
// read beeps and is selected. Cancel (or a quit request) gives every
// variable back the value it had before the call. Each of the four
// dialogs is made on first use, hidden after each use and reused. Answers
// come as for the alerts (ModalAnswer): 1 OK, 2 Cancel. Main thread only.
#pragma once

#include <span>

namespace InputDialog {

// Number kinds: the variable at the address, shown and read as
//   kInt16   16-bit signed integer, -32768 .. 32767
//   kInt32   32-bit signed integer
//   kSingle  float, engineering notation (SI prefix letters), finite and
//            within the float's range
//   kDouble  double, engineering notation, finite
// Any other kind shows an empty field that never reads.
inline constexpr int kInt16 = 0;
inline constexpr int kInt32 = 1;
inline constexpr int kSingle = 2;
inline constexpr int kDouble = 3;

// FALSE at once, showing nothing, when an address is nil; else TRUE when
// the operator accepted valid numbers with OK (the variables hold them),
// FALSE after Cancel (the variables as before).
bool One(std::span<const char> title, std::span<const char> label1, void* address1, int kind1);
bool Two(std::span<const char> title, std::span<const char> label1, void* address1, int kind1,
         std::span<const char> label2, void* address2, int kind2);
bool Three(std::span<const char> title, std::span<const char> label1, void* address1, int kind1,
           std::span<const char> label2, void* address2, int kind2, std::span<const char> label3,
           void* address3, int kind3);
bool Four(std::span<const char> title, std::span<const char> label1, void* address1, int kind1,
          std::span<const char> label2, void* address2, int kind2, std::span<const char> label3,
          void* address3, int kind3, std::span<const char> label4, void* address4, int kind4);

// Forgets the four dialogs without disposing them.
void InitModule();
// Disposes the dialogs made, at the end with the other dialog modules.
void Shutdown();

}  // namespace InputDialog
