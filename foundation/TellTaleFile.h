#pragma once

// Feature switches: the existence of a small file with a fixed name (such as
// "ZRVSync.On" or "ZRVAllowTimerTask.Off") switches a behaviour; some carry a
// number or a text in their first line. The name resolves like every file
// name, against the current directory (at start the program's folder). Every
// switch found is announced on the console as a highlighted line with the
// alert beep, so that a service engineer sees which switches are active; a
// missing switch is silent.

#include <span>

namespace TellTaleFile {

// TRUE when the file exists; announces it.
bool Exists(std::span<const char> name);

// TRUE when the file could be opened; line := its first line (empty
// otherwise, and for an empty file). Announces the switch with the line.
bool FirstLine(std::span<const char> name, std::span<char> line);

// The first line read as a number (a number followed by other text counts);
// 0 when the file is missing or its first line holds no number.
double Number(std::span<const char> name);

}  // namespace TellTaleFile
