#include "foundation/platform/Host.h"

#include <bit>
#include <cstring>

#include <dlfcn.h>
#include <spawn.h>
#include <sys/statvfs.h>
#include <unistd.h>

extern char** environ;

namespace Platform {

namespace {

constexpr std::size_t kLongestDiskPath = 1024;

PointerWarp registeredWarp = nullptr;
BeepProc registeredBeep = nullptr;

}  // namespace

bool IsLittleEndian() { return std::endian::native == std::endian::little; }

void Sys_Beep(std::int16_t) {
  if (registeredBeep != nullptr) {
    registeredBeep();
  } else if (isatty(STDERR_FILENO)) {
    const char bell = '\a';
    // A bell that cannot be written is simply not heard.
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, &bell, 1);
  }
}

double FreeDiskBytes(const char* path) {
  if (path == nullptr || std::strlen(path) > kLongestDiskPath) return 0.0;
  struct statvfs stats {};
  if (statvfs(path, &stats) != 0) return 0.0;
  // f_bfree counts fragments of f_frsize bytes, which Linux reports in place
  // of the BSD block size.
  return static_cast<double>(stats.f_frsize) * static_cast<double>(stats.f_bfree);
}

bool ApplicationStart(const char* path, const char*, const char*, const char*, bool) {
  if (path == nullptr || path[0] == '\0') return false;
  posix_spawnattr_t attributes;
  if (posix_spawnattr_init(&attributes) != 0) return false;
  // A session of its own, so the program outlives our terminal like an
  // application started from the desktop.
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  char* const argv[] = {const_cast<char*>(path), nullptr};
  pid_t child = 0;
  const int status = posix_spawn(&child, path, nullptr, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  return status == 0;
}

void* AddADR(void* address, std::ptrdiff_t count) {
  return static_cast<std::byte*>(address) + count;
}

const void* AddADR(const void* address, std::ptrdiff_t count) {
  return static_cast<const std::byte*>(address) + count;
}

void* SubADR(void* address, std::ptrdiff_t count) {
  return static_cast<std::byte*>(address) - count;
}

const void* SubADR(const void* address, std::ptrdiff_t count) {
  return static_cast<const std::byte*>(address) - count;
}

void SetPointerWarp(PointerWarp warp) { registeredWarp = warp; }
void SetBeep(BeepProc beep) { registeredBeep = beep; }

void WarpTo(int x, int y) {
  if (registeredWarp != nullptr) registeredWarp(x, y);
}

int LoadFrameworkBundle(const char* name, Bundle* bundle) {
  if (bundle == nullptr) return kParamErr;
  *bundle = nullptr;
  if (name == nullptr) return kCouldNotLoadBundle;
  void* library = dlopen(name, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return kCouldNotLoadBundle;
  *bundle = library;
  return 0;
}

void WMInitialize() {}

}  // namespace Platform
