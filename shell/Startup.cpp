#include "shell/Startup.h"

#include "shell/MacEnv.h"
#include "shell/Shell.h"

namespace Startup {

int ArgC = 0;
char** ArgV = nullptr;
char** EnvP = nullptr;

int Main(int argc, char** argv, char** envp) {
  ArgC = argc;
  ArgV = argv;
  EnvP = envp;
  MacEnv::BuildCommandLine(argc, argv);
  MacEnv::Initialize();
  Shell::Run(MacEnv::StartupProc);
  MacEnv::Shutdown();
  return 0;
}

}  // namespace Startup
