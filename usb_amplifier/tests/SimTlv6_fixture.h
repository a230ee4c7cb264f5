#pragma once

// The console fixture plus simulated TLV 6 amplifiers on the virtual clock:
// a Tlv6Sim::Port installed as the HID layer's port, the TLV 6 modules
// fresh, no scripted answers left over. Device ids default to the ones the
// link asks for.

#include "foundation/tests/Console_fixture.h"
#include "sim/usb_amplifier/Tlv6Sim.h"

#include <string>
#include <vector>

class SimTlv6Test : public ConsoleTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A device with the link's ids and the given changes.
  Tlv6Sim::Device& AddDevice(Tlv6Sim::Config config = LinkConfig());
  static Tlv6Sim::Config LinkConfig();
  // Lets the event loop run for the virtual seconds.
  static void Pump(double seconds);
  // The notebook records holding the text.
  std::vector<std::string> RecordsWith(const std::string& text) const;
  // What went to stderr (alerts, dialogs) since the last call.
  static std::string Stderr();

  Tlv6Sim::Port port_;
};
