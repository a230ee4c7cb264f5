// An item's bound number read and written by its value kind, the one place
// where a number meets the width of the variable behind it.
#pragma once

#include <cstring>

#include "dialogs/ModDialogUt.h"

namespace ItemValue {

// A value of type T at an address of any alignment: variables bound to
// items are their owners' and may lie anywhere.
template <typename T>
T Load(const void* address) {
  T value;
  std::memcpy(&value, address, sizeof value);
  return value;
}

template <typename T>
void Store(void* address, T value) {
  std::memcpy(address, &value, sizeof value);
}

// The bound number of kinds 0 to 3, 5 and 6; FALSE (value unchanged) for
// sets, strings, an unknown kind or no bound variable.
bool Read(const ModDialogUt::DialogItem& item, double& value);
// Writes the number by kind: reals as they are (a single within its
// range), integers rounded and kept within their kind's range (a byte
// 0..255), a boolean as value > 0. FALSE, nothing written, for a value that
// is not a finite number and for the kinds Read refuses.
bool Write(ModDialogUt::DialogItem& item, double value);
// The value held within what a variable of the kind can take (not
// rounded): integers within their type, a single within its range, a
// boolean or a byte within 0..255; other kinds as it is.
double WithinKind(int kind, double value);

}  // namespace ItemValue
