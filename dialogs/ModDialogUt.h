// Utilities of the dialog framework; here, the least its callers need so far.
#pragma once

namespace ModDialogUt {

// Does nothing: passed where a procedure is required and nothing is to be
// done.
inline void NoProc() {}

}  // namespace ModDialogUt
