#include "usb_amplifier/Tlv6Port.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "foundation/tests/Setting_fixture.h"
#include "sim/usb_amplifier/Tlv6Sim.h"
#include "usb_amplifier/Tlv6_USB.h"

namespace {

TEST(Tlv6Port, TheSettingForcesASideElseAnAttachedAmplifierDecides) {
  Tlv6Sim::Port simulated;
  {
    const Setting port("MERETH_TLV6_PORT", "hidraw");
    EXPECT_EQ(&Tlv6Port::Choose(simulated), &HidPort::HidrawPort());
  }
  {
    const Setting port("MERETH_TLV6_PORT", "sim");
    EXPECT_EQ(&Tlv6Port::Choose(simulated), &simulated);
  }
  const Setting port("MERETH_TLV6_PORT", nullptr);
  {
    const Setting vendor("MERETH_TLV6_VENDOR_ID", nullptr);
    EXPECT_EQ(&Tlv6Port::Choose(simulated), &simulated) << "without a vendor id nothing is looked for";
  }
  const bool attached =
      Tlv6_USB::VendorId() != 0 && HidPort::HidrawPort().Open(Tlv6_USB::VendorId(), Tlv6_USB::kProductId, 1);
  EXPECT_EQ(&Tlv6Port::Choose(simulated), attached ? &HidPort::HidrawPort() : &simulated);
}

TEST(Tlv6Port, TheVendorIdSettingIsReadStrictly) {
  for (const auto& [text, id] : std::vector<std::pair<const char*, std::uint32_t>>{
           {"0x16C0", 0x16C0}, {"5824", 5824}, {"0x10000", 0}, {"16C0", 0}, {"", 0}, {"12abc", 0}}) {
    SCOPED_TRACE(text);
    const Setting vendor("MERETH_TLV6_VENDOR_ID", text);
    EXPECT_EQ(Tlv6_USB::VendorId(), id);
  }
}

}  // namespace
