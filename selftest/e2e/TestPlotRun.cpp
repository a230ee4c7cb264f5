// The test plot window's scene (selftest/tests/TestPlotScene_fixture.h) on
// either backend, drawn from a simulated QRN 2400 rack with one K board on
// the virtual clock:
//   selftest_plot_run --headless OUT.png   the screen as a PNG
//   selftest_plot_run --sdl COMMAND        COMMAND (a screenshot) runs
//                                          once the scene is on the screen
// The status is 0 when the scene was drawn and captured.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/StandInBoard.h"
#include "platform/Desktop.h"
#include "platform/UIPlatform.h"
#include "platform/headless/Headless.h"
#include "platform/sdl/SdlDisplay.h"
#include "selftest/T3TestGraphics.h"
#include "selftest/tests/RackBoard.h"
#include "selftest/tests/TestPlotScene_fixture.h"
#include "shell/Graphics.h"
#include "shell/Mouse.h"
#include "sim/amplifier/AmplifierRackWiring.h"
#include "terminal/ANSITerm.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

bool DrawAndCapture(bool headless, const std::string& capture) {
  AmplifierRackConfig config;
  config.interface = RackInterface::kQRN2400;
  config.boards[0].letter = 'K';
  config.analog = true;
  AmplifierRackWiring rack(config);
  if (!OpenStandInBoard(ZRVBase::BoardQRN2400)) return false;
  ZRVSim_SetWiring(&rack);
  StartRackBoard('K', ZRVBase::BoardQRN2400, 0);
  Graphics::InitModule();
  bool drawn = Graphics::Initialize() && ANSITerm::Initialize();
  Mouse::Initialize();
  drawn = drawn && DrawTestPlotScene();
  Desktop::Flush();
  const bool captured = drawn && (headless ? Desktop::SavePNG(std::span<const char>(capture.c_str(), capture.size() + 1))
                                           : std::system(capture.c_str()) == 0);
  T3TestGraphics::Shutdown();
  ZRVSim_SetWiring(nullptr);
  CloseStandInBoard();
  return captured;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc == 3 ? argv[1] : "";
  if (mode != "--headless" && mode != "--sdl") {
    std::fprintf(stderr, "usage: selftest_plot_run --headless OUT.png | --sdl COMMAND\n");
    return 2;
  }
  const bool headless = mode == "--headless";
  if (!UIPlatform::InitModule(headless ? Headless::Ops() : SdlDisplay::Ops(), kWidth, kHeight)) {
    std::fprintf(stderr, "selftest_plot_run: cannot start the screen\n");
    return 1;
  }
  const bool done = DrawAndCapture(headless, argv[2]);
  UIPlatform::Shutdown();
  return done ? 0 : 1;
}
