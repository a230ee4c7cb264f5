#pragma once

// The console fixture plus simulated TLV 6 amplifiers on the virtual clock:
// a Tlv6Sim::Port installed as the HID layer's port, the TLV 6 modules
// fresh, no scripted answers left over. Device ids default to the ones the
// link asks for. Tests that need the operator's typing bring up the UI
// layer on the headless backend (ShowDialogs): the entry dialogs are then
// drawn and answered by scripted keys, every alert between them by Return.

#include "foundation/tests/Console_fixture.h"
#include "sim/usb_amplifier/Tlv6Sim.h"

#include <initializer_list>
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

  void ShowDialogs();
  // Queues the operator's next steps, each a second after the one before:
  // typing text over the selected field (each further text after a Tab in
  // the next field), then Return; an alert's OK by Return; Escape
  // cancelling an entry dialog.
  static void Enter(std::initializer_list<std::string> texts);
  static void PressReturn();
  static void CancelEntry();

  Tlv6Sim::Port port_;

 private:
  bool dialogsShown_ = false;
};
