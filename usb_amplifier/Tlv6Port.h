// Which HID port the TLV 6 link talks through. The program calls Choose
// once at start, before the link opens, and hands the result to the HID
// layer (UnivUSB_UsePort).
//
// The setting MERETH_TLV6_PORT forces a side: "hidraw" the real devices,
// "sim" the simulated amplifier. Unset (or anything else), the hidraw port
// is taken when a TLV 6 with the link's ids is attached, else the simulated
// one. Without a vendor id (MERETH_TLV6_VENDOR_ID) no device is looked for.
#pragma once

#include "platform/HidPort.h"

namespace Tlv6Port {

HidPort::Port& Choose(HidPort::Port& simulated);

}  // namespace Tlv6Port
