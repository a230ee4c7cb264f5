// The USB HID device layer: opens HID devices that exchange 64-byte
// reports, sends output reports, delivers input reports and the removal of a
// device through callbacks, and keeps a status text per device.
//
// Handles: a handle names one opened device from UnivUSB_Initialize until
// UnivUSB_Shutdown or the device's removal; 0 is no device. Handles are
// never reused, and every function looks its handle up first: a stale or
// foreign one is answered with "Invalid Device Handle" by the status
// functions and ignored by the others.
//
// Status: "OK" after opening and after UnivUSB_Flush; the first error after
// that stays until the next UnivUSB_Flush, later ones are dropped.
//
// Delivery: while a device is open an event-loop timer (platform/Timers.h)
// looks for arrived reports every tick, so the reply and detach callbacks
// run on the main thread wherever the program pumps events (UnivUSB_Poll
// does the same at once). A removed device gets its detach callback, then is
// shut down, unless the callback did so itself.
//
// Sends never hang: every send gives up after kSendTimeout seconds, the port
// test's time-out, and records "Command failed". Everything here runs on the
// main thread; no thread is started.
#pragma once

#include "platform/HidPort.h"

#include <cstdint>
#include <span>

using UnivUSB_Handle = std::uint32_t;

using UnivUSB_DetachProc = void (*)(void* context);
using UnivUSB_ReplyProc = void (*)(const HidPort::Report& reply, void* context);

inline constexpr double UnivUSB_SendTimeout = 5.0;

inline constexpr char UnivUSB_ReplyOkay[] = "OK";
inline constexpr char Status_InvalidHndl[] = "Invalid Device Handle";
inline constexpr char Status_Disconnected[] = "No Connection to Device";
inline constexpr char Status_CmdFail[] = "Command failed";
inline constexpr char Status_NoReply[] = "No Reply from Device";

// The port the layer opens devices on (the hidraw port until set). Set it
// while no device is open.
void UnivUSB_UsePort(HidPort::Port& port);

// Opens the n-th (1-based) attached device with the ids; 0 when there is no
// such device or it cannot be opened (UnivUSB_GetError tells which).
UnivUSB_Handle UnivUSB_Initialize(std::uint32_t vendorId, std::uint32_t productId, int n);
// Sends the report: 0 when the device took it; 1 otherwise, with "No
// Connection to Device" recorded for a device that has gone and "Command
// failed" for a refused or timed-out report.
int UnivUSB_Command(UnivUSB_Handle handle, const HidPort::Report& report);
// Reads the input report into buffer (zeroed first); "No Reply from Device"
// when the device gives none.
void UnivUSB_Reply(UnivUSB_Handle handle, HidPort::Report& buffer);
// 0 when the device took the command within timeout seconds, 1 when not.
int UnivUSB_TestPort(UnivUSB_Handle handle, const HidPort::Report& command, double timeout);
void UnivUSB_RegisterDetachNotification(UnivUSB_Handle handle, UnivUSB_DetachProc proc,
                                        void* context);
void UnivUSB_RegisterReplyCallback(UnivUSB_Handle handle, UnivUSB_ReplyProc proc, void* context);
// The device's version number; version unchanged for an unknown handle.
void UnivUSB_GetVersion(UnivUSB_Handle handle, std::uint32_t& version);
// Status := "OK".
void UnivUSB_Flush(UnivUSB_Handle handle);
// Copies the status into text (when it has room); TRUE when an error is
// recorded or the handle is unknown.
bool UnivUSB_GetStatus(UnivUSB_Handle handle, std::span<char> text);
// The last layer-level error ("" when none).
const char* UnivUSB_GetError();
// Closes the device; nothing for an unknown handle.
void UnivUSB_Shutdown(UnivUSB_Handle handle);
// Delivers every report that has arrived and every removal now, as the
// event-loop timer does.
void UnivUSB_Poll();
// How many devices are open.
int UnivUSB_OpenCount();
