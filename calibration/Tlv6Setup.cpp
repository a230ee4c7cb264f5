#include "calibration/Tlv6Setup.h"

#include "usb_amplifier/Tlv6Port.h"
#include "usb_amplifier/Tlv6_USB.h"
#include "usb_amplifier/UnivUSB.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace Tlv6Setup {

namespace {

Tlv6Sim::Config SimulatedConfig() {
  Tlv6Sim::Config config;
  config.vendorId = Tlv6_USB::VendorId();
  config.productId = Tlv6_USB::kProductId;
  const char* rack = std::getenv("MERETH_SIM_RACK");
  if (rack == nullptr || *rack == '\0') return config;
  // The file's lines before a bad one must not half change the amplifier.
  Tlv6Sim::Config changed = config;
  std::string error;
  if (!Tlv6Sim::LoadRackFile(rack, changed, error)) {
    std::fprintf(stderr, "MERETH_SIM_RACK: %s\n", error.c_str());
    return config;
  }
  return changed;
}

}  // namespace

void UseChosenPort(Tlv6Sim::Port& simulated) {
  simulated.Add(SimulatedConfig());
  UnivUSB_UsePort(Tlv6Port::Choose(simulated));
}

}  // namespace Tlv6Setup
