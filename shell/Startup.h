// The process entry's work: the whole life of the program, in its fixed
// order. The program's definition must be registered first
// (MacEnv::RegisterProgram), and the UI layer be up.
#pragma once

namespace Startup {

// The values main was given.
extern int ArgC;
extern char** ArgV;
extern char** EnvP;

// Stores the values and builds the command line, then MacEnv::Initialize,
// Shell::Run with the start procedure, and MacEnv::Shutdown; gives 0.
int Main(int argc, char** argv, char** envp);

}  // namespace Startup
