#include "platform/Session.h"

#include "foundation/platform/Clock.h"
#include "platform/AppleEvents.h"
#include "platform/Fonts.h"
#include "platform/UIPlatform.h"
#include "platform/headless/Headless.h"
#include "platform/sdl/SdlDisplay.h"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace Session {

namespace {

volatile std::sig_atomic_t quitSignalled = 0;

const Backend::Ops* inner = nullptr;
Backend::Ops wrapped{};
bool headless = false;
bool exhaustionPosted = false;
std::string errorText;

void OnSigterm(int) { RequestQuit(); }

Backend::WaitResult Wait(double seconds) {
  if (quitSignalled != 0) {
    quitSignalled = 0;
    AppleEvents::PostQuit();
    return Backend::WaitResult::kInput;
  }
  const Backend::WaitResult result = inner->wait(seconds);
  if (!headless) return result;
  if (result == Backend::WaitResult::kInput) {
    exhaustionPosted = false;
  } else if (result == Backend::WaitResult::kExhausted && !exhaustionPosted) {
    exhaustionPosted = true;
    AppleEvents::PostQuit();
    return Backend::WaitResult::kInput;
  }
  return result;
}

bool Start(const Backend::Ops& backend, bool isHeadless) {
  inner = &backend;
  wrapped = backend;
  wrapped.wait = Wait;
  headless = isHeadless;
  exhaustionPosted = false;
  quitSignalled = 0;
  if (!UIPlatform::InitModule(wrapped, kScreenWidth, kScreenHeight)) {
    inner = nullptr;
    return false;
  }
  std::signal(SIGTERM, OnSigterm);
  return true;
}

bool ReadScript(const char* path, std::string& script) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream text;
  text << in.rdbuf();
  script = text.str();
  return true;
}

}  // namespace

bool Open() {
  errorText.clear();
  const char* scriptPath = std::getenv("MERETH_UI_SCRIPT");
  const bool forceHeadless = scriptPath != nullptr || std::getenv("MERETH_UI_HEADLESS") != nullptr;
  if (!forceHeadless && Start(SdlDisplay::Ops(), false)) return true;
  std::string script;
  if (scriptPath != nullptr && !ReadScript(scriptPath, script)) {
    errorText = std::string("cannot read the script ") + scriptPath;
    return false;
  }
  Platform::UseVirtualClock(0.0);
  if (!OpenHeadless()) return false;
  if (!Headless::RunScript(std::span<const char>(script.c_str(), script.size() + 1))) {
    errorText = "line " + std::to_string(Headless::ErrorLine()) + " of the script cannot be read";
    Close();
    return false;
  }
  return true;
}

bool OpenHeadless() {
  if (Start(Headless::Ops(), true)) return true;
  errorText = Fonts::ErrorText();
  return false;
}

void Close() {
  if (inner == nullptr) return;
  std::signal(SIGTERM, SIG_DFL);
  UIPlatform::Shutdown();
  inner = nullptr;
}

const char* ErrorText() { return errorText.c_str(); }

void RequestQuit() { quitSignalled = 1; }

bool IsHeadless() { return inner != nullptr && headless; }

}  // namespace Session
