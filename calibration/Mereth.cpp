// The process entry: the screen and input are set up, the program's
// definition is registered, and the application environment runs the
// program's whole life.
#include "calibration/Program.h"
#include "platform/Session.h"
#include "shell/MacEnv.h"
#include "shell/Startup.h"

#include <cstdio>

int main(int argc, char** argv, char** envp) {
  if (!Session::Open()) {
    std::fprintf(stderr, "mereth: cannot start the screen: %s\n", Session::ErrorText());
    return 1;
  }
  MacEnv::RegisterProgram(Program::Define);
  const int status = Startup::Main(argc, argv, envp);
  Session::Close();
  return status;
}
