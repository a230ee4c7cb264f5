// Printing of text buffers (the editor's buffer or a selection of it, a test
// report) through the printing connection (platform/Printing.h), page by
// page, in one font within page margins, with form feeds and optional
// wrapping at blanks; and the settings dialog for margins, font and
// wrapping. There is no paper here: the print dialog sends the document to
// a PDF file or to PNG pages.
//
// One print job lives from its first use to the end of the program
// (MainJob, in the single-block buffer named by the job). Typical order,
// as the "Print..." command has it: NewJob; unless MarginsSet, SetMargins
// must be confirmed; PrintRange or PrintBuffer with the font and size of
// Defaults; CloseJob.
//
// Failures. Preparing the job shows "Error (" code ") " and what failed in
// an OK alert with a beep and gives FALSE; the job stays usable. A refused
// dialog closes the job. Failures of the page bracket end document and page
// quietly, except that a document that cannot be written is reported with
// Alert::IOError and leaves no file behind (an earlier file of the name
// stays as it was). `err` holds the connection's code of the last call.
//
// The printed page has a root graphics window (PageWindow) whose output
// device is the printer, so graphics can be drawn on a page too; any
// graphics window switched to the printer draws into the open page
// (PrintingPort), and into nothing without one.
//
// Main thread only.
#pragma once

#include <cstdint>
#include <span>

#include "foundation/Buffer.h"
#include "foundation/BufferText.h"
#include "platform/Port.h"
#include "platform/Printing.h"
#include "shell/Graphics.h"

namespace ModWindow {
struct PlatformWindowRecord;
}

namespace Printer {

inline constexpr int kNameSize = 32;

struct PrintJobRecord {
  bool pageSetupAccepted = false;
  bool printAccepted = false;
  Graphics::GraphicsWindow pageWindow = nullptr;  // nil outside a page
  bool documentOpen = false;
  bool pageOpen = false;
  Printing::Session* connection = nullptr;
  Printing::PageFormat* pageFormat = nullptr;  // survives CloseJob
  Printing::PrintSettings* printSettings = nullptr;
  Port::GrafPort* printingPort = nullptr;  // the current page's
  Buffer::NamedBuffer heap = nullptr;      // "Graphics.Heap", for the page's records
  ModWindow::PlatformWindowRecord* pageWindowRecord = nullptr;
  char name[kNameSize] = "";  // "PrintJob" and a number 0 .. 98
  Buffer::NamedBuffer ownBuffer = nullptr;  // the buffer holding this record
};

// The one job; nil before the first use.
extern PrintJobRecord* MainJob;
// The connection's code of the last call.
extern int err;

// What shapes printed text. Margins are fractions of the page.
struct PrinterDefaults {
  double topMargin = 0;
  double bottomMargin = 0;
  double leftMargin = 0;
  double rightMargin = 0;
  std::int32_t fontSize = 0;  // points
  std::int32_t fontNumber = 0;
  bool textWrapping = false;  // break long lines at blanks
};
extern PrinterDefaults Defaults;
// The operator has confirmed the settings dialog; "Print..." asks for them
// only while it is FALSE.
extern bool MarginsSet;

// No job, margins not set, the defaults 0.05, 0.05, 0.125, 0.05, size 12,
// the font named "Courier", wrapping on. Called once at start-up.
void Initialize();

// Releases what the job holds (connection, page format, settings) and its
// buffer; no job afterwards. Called at shut-down.
void Shutdown();

// Prepares the job and runs the print dialog (after the page-setup dialog
// when none was accepted yet); TRUE when the operator confirmed printing.
bool NewJob();
// Prepares the job and runs the page-setup dialog; the job is closed
// afterwards either way (an accepted page format stays for later jobs).
void PageSetupDialog();
// Forgets the print settings and the connection, and that printing was
// accepted; the page format, the job record and its buffer stay.
void CloseJob();

// Prints the text from line firstLine, column firstColumn up to line
// lastLine, before column lastColumn (from 1), in the font number and size,
// on the open job, then closes the page and the job. Only text buffers:
// another buffer gets the alert "Only text buffers can be printed.".
void PrintRange(BufferText::TextBuffer buffer, std::int32_t firstLine, std::int32_t firstColumn,
                std::int32_t lastLine, std::int32_t lastColumn, int font, int size);
// The whole buffer; a line is printed up to its 256th character.
void PrintBuffer(BufferText::TextBuffer buffer, int font, int size);
// Lays out one page inside the graphics window's pixel rectangle from line,
// column on (both advanced to where the next page goes on); FALSE for a nil
// window or buffer, without a job, or when nothing is left to print.
bool PrintPage(Graphics::GraphicsWindow window, BufferText::TextBuffer buffer, std::int32_t& line,
               std::int32_t& column, std::int32_t lastLine, std::int32_t lastColumn, int font, int size);

// The page bracket. StartPage sets the resolution (at most 288 dpi, the
// page window's size factor = resolution / 72), begins the document and a
// page, and makes the page window with its printing port; the window given
// supplies the pixel depth. FALSE (document and page ended) when a step
// fails.
bool StartPage(Graphics::GraphicsWindow window);
// Ends the open page and begins the next; TRUE when its port was taken.
bool NewPage();
// Ends page and document (which writes the file) and frees the page window.
void ClosePage();
// The page's graphics window; nil without a job or outside a page.
Graphics::GraphicsWindow PageWindow();
// The port that graphics windows switched to the printer draw into: the
// open page's, nil without one.
Port::GrafPort* PrintingPort();

// ---- Settings ----------------------------------------------------------------------

// Size 4 and above stays, 1 to 3 becomes 4; 0 or less (never set) restores
// every field: 0.08, 0.08, 0.125, 0.1, size 12, font 22, wrapping on.
void CheckSettings();
// The settings dialog on Defaults with "Text Wrapping" as its check box;
// TRUE (and MarginsSet) when confirmed. The defaults are repaired before
// and after.
bool SetMargins();
// The settings dialog: check boxes 4 and 5 titled (hidden for an empty
// title), size, font, the four margins, and with the flags the rows and
// columns and the height. OK reads the fields in order into the variables
// (an empty one keeps its value) and stops at the first that does not
// read whole or lies out of range: its text is selected with a beep and
// the dialog stays; so it does for margins that leave less than the page
// ("Horizontal page dimension is too small !", "Vertical page dimension is
// too small !"). Cancel gives every variable its value back. TRUE for OK;
// FALSE for Cancel or without the dialog's template.
bool GetSettings(bool showRowsAndColumns, bool showHeight, std::span<const char> title4,
                 std::span<const char> title5, bool& flag4, bool& flag5, std::int32_t& rows,
                 std::int32_t& columns, std::int32_t& fontNumber, std::int32_t& fontSize, double& left,
                 double& right, double& top, double& bottom, double& height);

}  // namespace Printer
