// The "Test Plot" window of the self-tests and the calibration: six
// operator buttons bound to TestBase's flags, up to three graphics panes
// (data, top, bottom) with the plots of measured data, and the polls
// through which a running test learns that the operator wants to abort,
// stop, repeat or continue.
//
// The window is optional. Every plot returns at once when its pane is not
// shown, and the abort poll reads one key from the notebook's terminal
// (EditState::ListConsole) when the window is not open: the calibration
// application never opens it. SetAbortDialog lets another dialog carry the
// buttons.
//
// The buttons only set their flags; the polls process pending input first
// and then report the flags. Aborted stays set until Initialize (or the
// calibration menu) clears it; offering a button with Activate clears its
// flag. The operator cannot close the window. Every wait ends when the
// program is told to terminate or no input will come any more. Main thread
// only.
#pragma once

#include <cstdint>
#include <span>

#include "selftest/TestPlotDialog.h"
#include "shell/Graphics.h"

namespace T3TestGraphics {

// ---- State ---------------------------------------------------------------

extern TestPlotDialog::DialogRecord GraphDialog;
// Nil while the pane is not shown.
extern Graphics::GraphicsWindow DataWindow;
extern Graphics::GraphicsWindow TopWindow;
extern Graphics::GraphicsWindow BottomWindow;
extern std::int32_t DataWindowHeight;
extern std::int32_t TopWindowHeight;
extern std::int32_t BottomWindowHeight;
extern std::int32_t DataWindowControl;  // 7
extern std::int32_t TopWindowControl;   // 8
extern std::int32_t BottomWindowControl;  // 9
// The dialog whose buttons the polls read, and their item numbers.
extern TestPlotDialog::DialogRecord* AbortDialogPtr;
extern std::int32_t AbortItem;
extern std::int32_t StopItem;
extern std::int32_t ContinueItem;
extern std::int32_t RepeatItem;
extern std::int32_t GeneratorItem;
// The choice of the last Initialize.
extern bool InitDataWindow;
extern bool InitTopWindow;
extern bool InitBottomWindow;
extern bool ControlIcons;
// Activate put up the watch cursor once.
extern bool CursorChanged;

// ---- Window control ----------------------------------------------------------

// No panes, GraphDialog cleared and polled with items 1 to 5, heights 0.
void InitModule();

// Pane heights from the choice of the last Initialize (H = 232 with the
// control icons, else 256; stacked from the top with 2 pixels of margin
// and 4 between panes); the bottoms in window pixels come back.
void GetWindowHeights(std::int32_t& dataBottom, std::int32_t& topBottom, std::int32_t& bottomBottom);

// Clears Aborted, Stopped and Continue; with nothing asked for, that is
// all. Otherwise opens the window (built on the first call; a failed build
// is shut and leaves no window) with the chosen panes, Abort and Write
// State shown with the control icons, the other buttons hidden, in front.
void Initialize(bool data, bool top, bool bottom, bool controlIcons);
// Hides the window; no panes; the polls read GraphDialog again.
void Hide();
// Hide, then closes the window.
void Shutdown();
// Shuts the window and polls another dialog's items; its Repeat, Stop,
// Continue and Generator items are withdrawn.
void SetAbortDialog(TestPlotDialog::DialogRecord* dialog, std::int32_t abortItem, std::int32_t stopItem,
                    std::int32_t continueItem, std::int32_t repeatItem, std::int32_t generatorItem);
// The polled dialog is open.
bool DialogOpen();
// The shown panes and the window to be redrawn.
void MarkForUpdate();

// ---- Polling -------------------------------------------------------------------

// Every waiting event of the polled dialog's terminal to the dialog; what
// it does not take goes to EventNotProcessed.
void NextInput();
// Key codes 2 to 47 (characters, cursor, function and keypad keys) set
// Continue: any key that is no command key continues a waiting test.
void EventNotProcessed(std::int32_t code, char character);

// With the window: optionally waits for Continue, else advances the
// cursor and processes pending input; TestBase::Aborted. Without it:
// TRUE once Aborted is set; else Stopped, Continue and Repeat are cleared
// and one key of the console is read: character 2, "q" or "Q" abort
// (TRUE), "s" or "S" stop, any other character continues.
bool Abort(bool wait);
// NextInput, then the flag.
bool DoAbort();
bool DoStop();
bool DoContinue();
bool GeneratorOn();
// NextInput; TRUE (and the flag cleared) when Repeat was pressed.
bool DoRepeat();
// Offers or withdraws the Repeat, Stop, Continue and Generator buttons;
// an offered button's flag is cleared, Generator's set to generatorOn.
void Activate(bool repeat, bool stop, bool cont, bool generator, bool generatorOn);
// Until a shown Abort, Repeat, Stop or Continue is pressed or Generator
// flips.
void WaitForInput();
// With TestBase::Pausing: Continue offered, WaitForInput, withdrawn.
void Wait();

// ---- Plots (each does nothing while its pane is nil) ------------------------------

// Log-frequency axes of a transfer function: decades from half a decade
// below the frequency step 1/(n dt) to half a decade above Nyquist.
void AxesForGainAndPhase(std::int32_t n, double dt, double gainTop, double gainBottom, double phaseBottom,
                         Graphics::GraphicsWindow gainWindow, Graphics::GraphicsWindow phaseWindow);
// Clears and grids the window in its world coordinates, labelled.
void PlotAndLabelAxes(Graphics::GraphicsWindow window, double xStart, double xStep, double yStart,
                      double yStep);
// Gains from index 0, phases in degrees from index n.
void PlotGainAndPhase(std::int32_t n, std::span<const float> response, double dt,
                      Graphics::GraphicsWindow gainWindow, Graphics::GraphicsWindow phaseWindow);
// A second-order low-pass of gain k, corner f0 (Hz) and quality q, in red.
void PlotReferenceGainAndPhase(double k, double f0, double q, Graphics::GraphicsWindow gainWindow,
                               Graphics::GraphicsWindow phaseWindow);
// A trace in the data pane; without clear the last trace stays in yellow.
void PlotData(double yBottom, double yTop, std::int32_t count, std::span<const std::int16_t> samples, bool clear);
void DrawZeroAxes(Graphics::GraphicsWindow window);
void PlotRealData(double yBottom, double yTop, std::int32_t count, std::span<const float> samples);
// Yellow: count values from 2 x index scaled -a..+a reversed; black: the
// first count values scaled -b..+b.
void PlotChirpData(double a, double b, std::int32_t index, std::int32_t count, std::span<const float> data,
                   bool clear);

// The raw-data grid: y in ADC units, x from -0.14 T to T (T = dt (count - 1)).
void SetRawDataCoords(double yBottom, double yTop, double dt, std::int32_t channel, std::int32_t count);
void PlotRawDataAxis(double yBottom, double yTop, double dt, std::int32_t channel, std::int32_t count);
// The labelled grid of the data pane in its real coordinates; the y step.
double LabelAxes(Graphics::GraphicsWindow window);
void LabelY(Graphics::GraphicsWindow window, double x0, double x1, double h, double y, bool label);
void LabelX(Graphics::GraphicsWindow window, double y0, double y1, double h, double w, double x, bool label);
// With newAxes the grid first; else the last trace again in colour.
void PlotRawData(double yBottom, double yTop, double dt, std::int32_t channel, std::int32_t count,
                 std::span<const std::int16_t> samples, bool newAxes, const Color::RGB& color);

}  // namespace T3TestGraphics
