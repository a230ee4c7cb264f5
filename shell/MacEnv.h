// The application environment: the globals that every user-interface
// module reads, its start-up and shut-down, the start-up logo that doubles
// as the about box, the program's command line, the two high-level event
// handlers (quit, open documents) and the orderly end through a terminated
// flag.
//
// The program registers its definition procedure (RegisterProgram) before
// start-up; Initialize calls it right after the base modules, and it sets
// the names, the creator, the start procedure and the buffer-heap sizes.
// Everything but Terminated is used from the main thread only.
#pragma once

#include "platform/EventQueue.h"
#include "foundation/VrnlTypes.h"

#include <atomic>
#include <cstdint>
#include <span>

namespace MenuBar {
struct Bar;
}
namespace Windows {
struct Window;
}

namespace MacEnv {

using Procedure = void (*)();
// The start procedure: builds the menus and the main dialog and runs the
// dialog loop until the operator quits; its result is not used.
using StartProcedure = bool (*)();

// The program arguments (each in double quotes, joined by ", "), then the
// documents opened later (each in double quotes, joined by ","); at most
// 1,023 characters, whole arguments only.
inline constexpr int kCommandLineSize = 1024;
extern char CommandLine[kCommandLineSize];
// Arguments and documents left out because they did not fit, and
// documents refused for a path over 255 bytes; reported on the console.
extern int LeftOutArguments;
extern int RefusedDocuments;

extern StartProcedure StartupProc;
// Called by the quit request; Terminate until ModMenus::AddQuitMenu sets
// the program's own.
extern Procedure QuitProc;

// Goes from FALSE to TRUE once, when the program is asked to end, and is
// never cleared; every dialog loop ends when it sees it, so that shut-down
// and the exit procedures still run.
extern std::atomic<bool> Terminated;

// TRUE while the application is in the background, and the last event the
// event pump took; both kept by the pump.
extern bool gInBackground;
extern EventQueue::EventRecord theEvent;

inline constexpr int kNameSize = 40;
extern char LongName[kNameSize];
extern char ShortName[kNameSize];
extern VrnlTypes::FourCharCode Creator;
// Long name, " ", version, ", ", date: the logo's and the report headers'.
extern char Version[80];
extern double WinToMacScaling;
// Scale of screen coordinates against the designed layout, and of font
// sizes.
extern double ScreenFactor;
extern double FontFactor;
// The window-behind value that means in front of all windows.
extern std::int32_t AdrNegOne;
// Menus and dialogs made from now on get combined macro names.
extern bool CombinedNames;
extern MenuBar::Bar* theMenuBar;
// The console window; nil until the shell has made it.
extern Windows::Window* theWindowPtr;
// The logo and about window: nil until first shown.
extern Windows::Window* LogoWindowPtr;
extern bool LogoShown;
// The command line holds "-NOLOGO": no logo window is ever made.
extern bool LogoSuppressed;
extern char LogoMessage[80];

// The program's definition procedure, called by Initialize.
void RegisterProgram(Procedure define);

// Builds CommandLine from the process arguments (argument 0, the program
// path, left out). Arguments that do not fit are left out whole and counted
// in LeftOutArguments.
void BuildCommandLine(int argc, char** argv);

// Start-up of the environment, in its fixed order: defaults; the base
// modules; the program's definition; the high-level event handlers; menu
// bar 129; the platform version check; pending high-level events
// (documents given at launch join the command line); the logo unless
// suppressed, its stages marked 1 to 6 as the remaining modules, the file
// dialogs and the shell start. Fatal problems go through AlertAndExit and
// start-up goes on.
void Initialize();
// Runs the exit procedures (last installed first), switches sound off,
// gives the buffer heap back, disposes of the logo window, unloads the file
// dialogs, and disposes of the menu bar.
void Shutdown();

void Terminate();
// When the message is not empty, sounds the alert beep and shows it in an
// OK alert; then Terminate. It does not stop the caller: start-up goes on,
// and the program ends when the main dialog loop sees the flag.
void AlertAndExit(std::span<const char> message);

// The logo window: created once (unless suppressed) and shown; the logo,
// names, version and contact block drawn, the message under them.
void ShowLogo(std::span<const char> message);
// While the logo is shown: the character at the marks' place.
void MarkLogo(char character);
void HideLogo();
// While shown: ShowLogo with the last message.
void UpdateLogo();
void DisposeLogo();
// The about box: the logo with an OK button until a key, a click or another
// window's event (or the program's end). Nothing when the logo is
// suppressed.
void AboutLogo();

// The open-documents handler: appends "," (nothing before the first
// argument) and the path in double quotes. A path over 255 bytes is
// refused; a document that does not fit is left out. Either is reported on
// the console, once there is one.
void AppendDocument(std::span<const char> path);
// Writes the console lines for arguments left out and documents refused,
// once.
void ReportCommandLine();

// The whole argument in which the first occurrence of key (letter case
// ignored) ends: a quoted argument the key must end; an unquoted one runs
// to the next comma or blank. FALSE when the key is not found or ends
// inside a quoted argument that goes on to the end of the text.
bool GetFromCommandLine(std::span<char> result, std::span<const char> key);

// Has no effect here.
void SetFrameWindow(Windows::Window* window);

}  // namespace MacEnv
