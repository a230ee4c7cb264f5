// Console output of a measurement in the console's terminal window, on
// either backend: a square-wave gain and time-constant measurement on a
// simulated QRN 5+5 unit writes its lines through TermIO; the screen is
// captured, a key goes in through the layer's input as a backend's would,
// and the console's Input must hand it back.
//   terminal_console_run --headless OUT.png   the screen after the lines
//   terminal_console_run --sdl COMMAND        COMMAND (a screenshot) runs then
// The console's lines are printed on standard output, then "Input: " with
// the key's code and character. The status is 0 when the key came back
// and the screen was captured.
#include "acquisition/ADMeasure.h"
#include "foundation/Buffer.h"
#include "foundation/RealTime.h"
#include "foundation/TermIO.h"
#include "platform/Desktop.h"
#include "platform/Input.h"
#include "platform/KeyCodes.h"
#include "platform/Session.h"
#include "shell/Shell.h"
#include "terminal/ANSIBase.h"
#include "terminal/ANSITerm.h"
#include "terminal/EditState.h"
#include "terminal/tests/SimulatedQRN55.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

constexpr double kAmplitude = 1.0;
constexpr double kInterval = 2e-5;
constexpr unsigned char kKey = 'q';

bool Capture(bool headless, const std::string& target) {
  Desktop::Flush();
  if (headless) return Desktop::SavePNG(std::span<const char>(target.c_str(), target.size() + 1));
  return std::system(target.c_str()) == 0;
}

// The measurement, its lines written to the console.
bool Measure() {
  const SimulatedQRN55 interface("CONSOLE1");
  if (interface.Open()) {
    ADMeasure::TestWriteMode = 3;
    TermIO::WriteLine("Square wave on DAC 0, measured on ADC 0 of the QRN 5+5");
    TermIO::WriteString("Gain:");
    TermIO::WriteRealFixed(ADMeasure::Gain(0, 0, kAmplitude, kInterval), 9, 4);
    TermIO::WriteLn();
    double tau = 0;
    double amplitude = 0;
    double base = 0;
    ADMeasure::TimeConstant(0, 0, kAmplitude, kInterval, 2, true, tau, amplitude, base);
    TermIO::WriteLine("Measurement done.");
  }
  return interface.Open();
}

void PrintConsole() {
  for (int line = 1; line <= Shell::RootTerminal->lines; ++line) {
    char text[ANSITerm::kMaxColumns + 1];
    ANSITerm::ScreenLine(Shell::RootTerminal, line, text);
    if (text[0] != '\0') std::printf("%s\n", text);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc == 3 ? argv[1] : "";
  if (mode != "--headless" && mode != "--sdl") {
    std::fprintf(stderr, "usage: terminal_console_run --headless OUT.png | --sdl COMMAND\n");
    return 2;
  }
  const bool headless = mode == "--headless";
  if (headless) setenv("MERETH_UI_HEADLESS", "1", 1);
  if (!Session::Open()) {
    std::fprintf(stderr, "terminal_console_run: %s\n", Session::ErrorText());
    return 1;
  }
  Buffer::InitModule();
  RealTime::InitModule();
  Shell::Initialize();
  TermIO::InitModule();
  if (Shell::RootTerminal == nullptr) {
    std::fprintf(stderr, "terminal_console_run: no console window\n");
    return 1;
  }
  EditState::ListConsole = Shell::RootTerminal;
  ANSITerm::EDc(Shell::RootTerminal);
  const bool measured = Measure();
  const bool captured = Capture(headless, argv[2]);
  PrintConsole();

  KeyCodes::Key key;
  KeyCodes::ForCharacter(kKey, key);
  Input::Key(key.virtualKey, key.character, true, false);
  Input::Key(key.virtualKey, key.character, false, false);
  char character = 0;
  int code = ANSIBase::KeyNone;
  do {
    ANSITerm::Input(Shell::RootTerminal, character, code);
  } while (code == ANSIBase::KeyActivate || code == ANSIBase::KeyUpdate || code == ANSIBase::KeyConsumed);
  std::printf("Input: %d %c\n", code, character);

  EditState::ListConsole = nullptr;
  Shell::Shutdown();
  Buffer::Shutdown();
  Session::Close();
  return measured && captured && code == ANSIBase::KeyCharacter && character == static_cast<char>(kKey) ? 0 : 1;
}
