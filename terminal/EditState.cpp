#include "terminal/EditState.h"

namespace EditState {

BufferText::TextBuffer EditBuffer = nullptr;
ANSITerm::TerminalRecord* Console = nullptr;
Graphics::GraphicsWindow Window = nullptr;
ANSITerm::TerminalRecord* ListConsole = nullptr;

std::int32_t CursorLine = 1;
std::int32_t CursorColumn = 1;
std::int32_t DesiredColumn = 1;
bool SelectActive = false;
std::int32_t SelectLine = 1;
std::int32_t SelectColumn = 1;
bool Forward = true;

std::int32_t FirstLine = 1;
std::int32_t FirstColumn = 0;
std::int32_t WindowHeight = 0;
std::int32_t WindowWidth = 0;
std::int32_t WindowBandSize = 1;
bool Scrolled = false;

bool MessageActive = false;
LineText MessageText = "";
bool ShowLineNumbers = false;

LineText SearchString = "";
bool DoSearchLine = false;

std::int32_t TabInterval = 3;
bool FixHorizontalTab = false;

char DeletedChar = 0;
bool DeletedCharCR = false;
LineText DeletedWord = "";
bool DeletedWordCR = false;
LineText DeletedLine = "";
bool DeletedLineCR = false;

std::array<TraceEntryRecord, kTraceSize> TraceData{};
std::int32_t TraceEntry = 0;
std::int32_t TraceLimit = 0;
std::uint8_t TraceState = kTraceOff;
bool TraceUpdate = true;

}  // namespace EditState
