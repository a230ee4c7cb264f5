#include "acquisition/ZRVLibrary.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "foundation/platform/Clock.h"
#include "foundation/platform/Host.h"

namespace ZRVLibrary {

namespace {

Platform::Bundle library = nullptr;
Table table;

using UseClockProc = void (*)(double (*)());
constexpr char kUseClockName[] = "ZRVSim_UseClock";
using UseAdvanceProc = void (*)(void (*)(double));
constexpr char kUseAdvanceName[] = "ZRVSim_UseClockAdvance";

bool Open(const std::string& name) {
  return Platform::LoadFrameworkBundle(name.c_str(), &library) == 0;
}

std::string BesideExecutable() {
  std::error_code error;
  const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  return (executable.parent_path() / kLibraryName).string();
}

bool OpenLibrary() {
  const char* chosen = std::getenv(kPathVariable);
  if (chosen != nullptr && chosen[0] != 0) return Open(chosen);
  const std::string beside = BesideExecutable();
  if (!beside.empty() && Open(beside)) return true;
  return Open(kLibraryName);
}

template <typename Function>
void Resolve(Function& function, const char* name) {
  function = reinterpret_cast<Function>(dlsym(library, name));
}

}  // namespace

bool Load() {
  if (library != nullptr) return true;
  if (!OpenLibrary()) return false;
#define ZRV_LIBRARY_RESOLVE(name) Resolve(table.name, #name);
  ZRV_LIBRARY_FUNCTIONS(ZRV_LIBRARY_RESOLVE)
#undef ZRV_LIBRARY_RESOLVE
  UseClockProc useClock = nullptr;
  Resolve(useClock, kUseClockName);
  if (useClock != nullptr) useClock(&Platform::ElapsedSeconds);
  UseAdvanceProc useAdvance = nullptr;
  Resolve(useAdvance, kUseAdvanceName);
  if (useAdvance != nullptr) useAdvance(&Platform::Advance);
  return true;
}

const Table& Functions() { return table; }

void* Lookup(const char* name) { return library != nullptr ? dlsym(library, name) : nullptr; }

void InitModule() {
  // The library stays mapped: a board record or handle of it may still be
  // held somewhere, and unmapping code that might be called is worse than
  // keeping a few pages.
  library = nullptr;
  table = Table{};
}

}  // namespace ZRVLibrary
