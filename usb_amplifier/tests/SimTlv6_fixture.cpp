#include "usb_amplifier/tests/SimTlv6_fixture.h"

#include "amplifier/T3Base.h"
#include "dialogs/Alert.h"
#include "dialogs/FileSelect.h"
#include "dialogs/LoopDialog.h"
#include "foundation/platform/Clock.h"
#include "platform/Events.h"
#include "platform/Timers.h"
#include "platform/UIPlatform.h"
#include "platform/headless/Headless.h"
#include "usb_amplifier/Tlv6Firmware.h"
#include "usb_amplifier/Tlv6_USB.h"
#include "usb_amplifier/UnivUSB.h"

void SimTlv6Test::SetUp() {
  ConsoleTest::SetUp();
  Platform::UseVirtualClock(1000.0);
  Timers::InitModule();
  Alert::ClearAnswers();
  FileSelect::ClearChoices();
  LoopDialog::InitModule();
  UnivUSB_UsePort(port_);
  T3Base::InitModule();
  Tlv6Firmware::InitAllModules();
  testing::internal::CaptureStderr();
}

void SimTlv6Test::TearDown() {
  testing::internal::GetCapturedStderr();
  Tlv6Firmware::Shutdown();
  if (dialogsShown_) {
    Headless::ClearSteps();
    UIPlatform::Shutdown();
  }
  UnivUSB_UsePort(HidPort::HidrawPort());
  Timers::InitModule();
  Platform::UseRealClock();
  ConsoleTest::TearDown();
}

Tlv6Sim::Config SimTlv6Test::LinkConfig() {
  Tlv6Sim::Config config;
  config.vendorId = Tlv6_USB::VendorId();
  config.productId = Tlv6_USB::kProductId;
  return config;
}

Tlv6Sim::Device& SimTlv6Test::AddDevice(Tlv6Sim::Config config) { return port_.Add(config); }

void SimTlv6Test::Pump(double seconds) { Events::Idle(seconds); }

std::vector<std::string> SimTlv6Test::RecordsWith(const std::string& text) const {
  std::vector<std::string> found;
  for (const std::string& record : Records()) {
    if (record.find(text) != std::string::npos) found.push_back(record);
  }
  return found;
}

void SimTlv6Test::ShowDialogs() {
  ASSERT_TRUE(UIPlatform::InitModule(Headless::Ops(), 640, 480));
  dialogsShown_ = true;
}

namespace {

// The operator reads each dialog for a second before acting: keys due
// earlier would reach the progress dialog's waits for events, not the
// dialog that comes up after them.
void Act(const std::string& keys) {
  const std::string steps = "wait 1\n" + keys;
  EXPECT_TRUE(Headless::RunScript(steps)) << "line " << Headless::ErrorLine();
}

}  // namespace

void SimTlv6Test::Enter(std::initializer_list<std::string> texts) {
  std::string steps;
  for (const std::string& text : texts) {
    if (!steps.empty()) steps += "key tab\n";
    if (text.empty()) steps += "key delete\n";
    // A script's typing starts at the first character that is not a blank.
    std::size_t typed = 0;
    for (; typed < text.size() && text[typed] == ' '; ++typed) steps += "key space\n";
    if (typed < text.size()) steps += "type " + text.substr(typed) + "\n";
  }
  Act(steps + "key return\n");
}

void SimTlv6Test::PressReturn() { Act("key return\n"); }

void SimTlv6Test::CancelEntry() { Act("key escape\n"); }

std::string SimTlv6Test::Stderr() {
  const std::string text = testing::internal::GetCapturedStderr();
  testing::internal::CaptureStderr();
  return text;
}
