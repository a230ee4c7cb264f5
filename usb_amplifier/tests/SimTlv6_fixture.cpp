#include "usb_amplifier/tests/SimTlv6_fixture.h"

#include "amplifier/T3Base.h"
#include "dialogs/Alert.h"
#include "dialogs/FileSelect.h"
#include "dialogs/LoopDialog.h"
#include "foundation/platform/Clock.h"
#include "platform/Events.h"
#include "platform/Timers.h"
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

std::string SimTlv6Test::Stderr() {
  const std::string text = testing::internal::GetCapturedStderr();
  testing::internal::CaptureStderr();
  return text;
}
