#include "usb_amplifier/Tlv6Port.h"

#include "usb_amplifier/Tlv6_USB.h"

#include <cstdlib>
#include <string_view>

namespace Tlv6Port {

HidPort::Port& Choose(HidPort::Port& simulated) {
  const char* setting = std::getenv("MERETH_TLV6_PORT");
  const std::string_view forced = setting != nullptr ? setting : "";
  HidPort::Port& hidraw = HidPort::HidrawPort();
  if (forced == "hidraw") return hidraw;
  if (forced == "sim") return simulated;
  const std::uint32_t vendor = Tlv6_USB::VendorId();
  if (vendor != 0 && hidraw.Open(vendor, Tlv6_USB::kProductId, 1) != nullptr) return hidraw;
  return simulated;
}

}  // namespace Tlv6Port
