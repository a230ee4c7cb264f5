#include "calibration/Tlv6Setup.h"

#include "usb_amplifier/Tlv6Port.h"
#include "usb_amplifier/Tlv6_USB.h"
#include "usb_amplifier/UnivUSB.h"

namespace Tlv6Setup {

void UseChosenPort(Tlv6Sim::Port& simulated, Tlv6Sim::Config config) {
  config.vendorId = Tlv6_USB::VendorId();
  config.productId = Tlv6_USB::kProductId;
  simulated.Add(config);
  UnivUSB_UsePort(Tlv6Port::Choose(simulated));
}

}  // namespace Tlv6Setup
