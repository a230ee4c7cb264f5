// The program's one link to the TLV 6 USB amplifier. It opens the device
// through the HID layer (UnivUSB), proves that the device takes a command,
// and then decouples the caller from the device with two queues of 64-byte
// command blocks (Tlv6CommandProtocol): commands wait in the output FIFO
// until PeriodicTask sends them, at least the send delay apart; replies,
// delivered by the HID layer while events are pumped, wait in the input FIFO
// until PeriodicTask hands them out, one per call. The link does not read
// replies: the service operations (Tlv6Firmware) match them.
//
// State: one link, owned by this module, main thread only (the HID layer
// runs the callbacks on the main thread too), so no locks. Closed after
// InitModule, Shutdown, a failed Initialize and a detach; open after a
// successful Initialize. A detach closes the link and is reported once by
// the next PeriodicTask; the FIFOs keep their contents until Flush or
// Initialize.
//
// Console: with debug on, one trace line per command sent ("sending:  ")
// and per report received ("received: "); the service password never
// appears in it. A full output FIFO drops the command with the console alert
// line " ## TLV6 output buffer overflow! ## ".
//
// The device is found by the deployment's vendor id (the setting
// MERETH_TLV6_VENDOR_ID, decimal or 0x-hex; 0 when unset) and product id
// 0x1003.
#pragma once

#include "usb_amplifier/Tlv6CommandProtocol.h"
#include "platform/HidPort.h"

#include <cstdint>

namespace Tlv6_USB {

using Tlv6CommandProtocol::Block;

inline constexpr std::uint32_t kProductId = 0x1003;
inline constexpr int kFifoSize = 50;
inline constexpr double kDefaultSendDelay = 0.05;
inline constexpr double kPortTestTimeout = 5.0;

// The vendor id the link asks for.
std::uint32_t VendorId();

// Link closed (nothing is closed), Detached and InputOverflow cleared.
void InitModule();
// Opens the portIndex-th (0 = first) TLV 6 and tests it with "get_revision".
// TRUE when the link is open, also when it already was (then nothing
// changes). sendDelay <= 0 gives 0.05 s. FALSE with ErrorText
// "TLV6: USB port initialization failed." or "TLV6: USB port not
// responding.".
bool Initialize(double sendDelay, int portIndex, bool debug);
bool IsOpen();
// Open and not detached.
bool IsConnected();
// Queues a command at the tail: a command equal to the last queued one
// replaces it (compared by its first word when it has arguments), except a
// "firmware_write", which is always queued; "get_" commands stay behind all
// others.
void AppendToOutputFifo(const Block& command);
// Queues a command at the head, unless it equals the head.
void PrependToOutputFifo(const Block& command);
// One step: reports a detach or an input overflow once (also while
// closed); then, when the send delay has passed, sends the head of the
// output FIFO (queueing idleCommand first when the FIFO is empty and
// idleCommand is not); then hands out the oldest reply (empty when none).
void PeriodicTask(bool& detached, bool& overflow, const Block& idleCommand, bool& idleQueued,
                  Block& reply);
// Empties both FIFOs, Command and ErrorText, the counters and
// InputOverflow; the link stays as it is (Detached too).
void Flush();
void Shutdown();
void SetDebug(bool on);
// Moves a pending send time by the change of the delay.
void SetSendDelay(double seconds);
// The reason of the last failed Initialize.
const char* ErrorText();

// Handed to the HID layer; the context is the link state.
void USB_DetachNotification(void* context);
void PrivateReplyCallback(const HidPort::Report& reply, void* context);

}  // namespace Tlv6_USB
