// The protocol mode's file of the day: the notebook saved as
// "Protocol_<dd-Mon-yyyy>.txt" after every initialisation.
//
// A day may see several runs of the program. A run's first save of a file
// reads the text the file already holds; every save of the run then writes
// that text first and the notebook after it, the file replaced whole, so
// that an earlier run's protocol is never lost. Main thread only.
#pragma once

#include <span>

namespace ProtocolNotebook {

// Forgets the text read earlier in the run.
void InitModule();
// Writes the earlier text and the notebook (Shell::List) to the file. An
// existing file that cannot be read is refused with an I/O error alert and
// stays as it is; a failed write too. FALSE when nothing was written.
bool Save(std::span<const char> name);

}  // namespace ProtocolNotebook
