// The service work on the TLV 6 USB amplifier: opening its command link
// with a retry alert, uploading new firmware block by block with CRC checks,
// reading its serial number and version letter and writing a new serial
// number.
//
// Both long operations are state machines. One PeriodicTask call collects
// the replies that have arrived, watches the time-out of the awaited reply,
// sends keep-alive commands and advances the running operation by at most
// one step; it never waits. The main dialog's event filter calls it on
// every event, and each operation's progress dialog on every pass.
//
// State: one set, owned by this module, main thread only. An operation runs
// from its dialog's Start (SendingPhase leaves 0) until success, a reported
// failure, cancel, the power-up wait giving up, the amplifier's removal or
// Shutdown. Every failure is told to the operator in an alert and, where the
// text says so, as a console alert line; the service password never reaches
// the console.
//
// The serial number and version letter read from the amplifier go into the
// amplifier identity (T3Base.SerialNumber, T3Base.BoardVersion).
#pragma once

#include "usb_amplifier/Tlv6CommandProtocol.h"

namespace Tlv6Firmware {

void InitAllModules();
// Opens the link (0.01 s send delay); TRUE when open, FALSE when the
// operator cancels the retry alert.
bool ConnectToTlv6(bool debug);
void PeriodicTask();
// An operation runs, or a reply is awaited: the program must not quit.
bool Upload_Running();
// A reply is awaited; then also the console alert line
// " ## Is waiting for command "<word>" ## ".
bool IsWaiting();
// Queues a command on the link; with awaitReply its reply is awaited (10 s)
// and keep-alive commands go out meanwhile.
void SendCommand(const Tlv6CommandProtocol::Block& command, bool awaitReply);
// The firmware upload with its progress dialog "Upload new firmware to
// TLV6": connects when needed, lets the operator choose a ".TLV" file,
// then runs until done, failed or aborted. With autoRepeats a failed block
// transfer starts again from the first reset, up to ten times.
void Upload(bool autoRepeats, bool debug);
// The serial-number change with its progress dialog "Set serial number of
// TLV6". With invalidOnly a valid number is not overwritten, and the
// operator enters only the number (the letter becomes C).
void SetSerialNumber(bool invalidOnly, bool debug);
void Shutdown();
// Wraps a raw "*.bin" image into a firmware file (nothing while a reply is
// awaited).
void MakeFirmwareFile();
// Lets the operator choose and check a firmware file; TRUE when valid.
bool CheckFirmwareFile();

}  // namespace Tlv6Firmware
