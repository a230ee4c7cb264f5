// Questions about the platform, by four-character selector. Nothing here
// answers any selector: there is no CarbonLib to report a version, and Quit
// is not kept in an application menu. Tests make the platform answer
// otherwise through SetAnswer. Main thread only.
#pragma once

#include <cstdint>

namespace Gestalt {

// TRUE with the response when the platform answers the selector.
bool Gestalt(std::uint32_t selector, std::int32_t& response);

// Test seam: the platform answers the selector with the response from now
// on; ClearAnswers goes back to answering nothing.
void SetAnswer(std::uint32_t selector, std::int32_t response);
void ClearAnswers();

}  // namespace Gestalt
