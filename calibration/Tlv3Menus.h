// The amplifier menu ("AmplMenu") that a host program installs for the
// operator's program-level options (batch control, background, the C-fast
// mode and range, the extended stimulus range, logging of tracking, the
// auto C-slow settings, time-outs, the monitor refresh interval, the
// search-mode delay, re-initialisation, joining and splitting of QRN 5+5
// units, the hardware information); this program never installs it (its
// Calibrate menu takes the place) but releases it at its end. Also the
// texts that tell the operator which hardware is connected: the hardware
// information box, the one-line identification the Calibrate menu shows,
// and the interface's display name.
//
// The menu's settings live in Tlv3Base, T3Base and the AmplifierState;
// the texts read the amplifier core's facts (T3Base, T3Types::State) and
// the AD/DA layer's and change nothing. Main thread only.
#pragma once

#include <array>
#include <span>

#include "amplifier/T3Types.h"

namespace Tlv3Menus {

inline constexpr int kInfoSize = 128;

// The amplifier menu and its "CFastMode" submenu; 0 when not installed.
extern int Tlv3Menu;
extern int CFastMenu;
// The menu's item numbers, 0 for an item not in the menu. iCalibMenu is
// the item the Calibrate menu attaches to as a submenu; iSerialNo the
// "Info" item.
extern int iBatchControl, iBackground, iCFastMode, iCFastRange, iVrefX2, iWriteCapTrack, iAutoCSlow,
    iAutoRsComp, iTimeouts, iRmembDelay, iSearchDelay, iPulseInterval, iCalibMenu, iInitTlv3,
    iJoinQrnUnits, iSplitQrnUnits, iSerialNo;

// Forgets the menu (handles and item numbers 0) without deleting it.
void InitModule();
// Deletes the amplifier menu, with its submenus, when it exists.
void Shutdown();

// Builds the menu under the title and appends it to the menu bar. kind 2
// (TLV 3) and above gives the TLV 3 and TLV 4 family's items; the other
// flags choose the optional items. Items are numbered in their order, a
// separator counting where it is appended; the menu ends updated.
void Install(std::span<const char> title, T3Types::AmplifierKind kind, bool background,
             bool refreshInterval, bool searchDelay, bool pulseInterval, bool calibrate,
             bool initialize, bool batchControl);
// Enabling and check marks from the live settings; nothing when the menu
// is not installed. Runs after every item that changes a marked setting.
void UpdateMenu();
// Item procedures: the C-fast range; the doubled stimulus range (the other
// range's scale record loaded, "Changing Stimulus Range: scale file failed
// to load!" when it cannot be); the monitor refresh interval (a negative
// answer gives 0.3 s).
void ToggleCFastRange();
void ToggleVrefX2();
void SetRmembDelay();

// The four paragraphs of the hardware information box, empty ones moved
// to the end.
using HardwareTexts = std::array<std::array<char, kInfoSize>, 4>;
void GetHardwareOptions(HardwareTexts& texts);
// The menu item: GetHardwareOptions shown in the four-text alert.
void ShowHardwareOptions();

// text := the identification line of the amplifier and its interface.
void GetVersionInfo(std::span<char> text);
// Appends the AD/DA interface's display name ("QRN 5+5", "No AD-Board" ...).
void AppendInterfaceName(std::span<char> text);
// The name and, on a QRN 5+5 whose driver reports them, " (Driver: 19,
// Firmware: 8, FPGA: 16)".
void AppendInterfaceInfo(std::span<char> text);
// The amplifier's title, "/" and the board count of several boards,
// ", Serial No " and the serial number, "-" and the version letter.
void GetAmplInfo(std::span<char> text);

}  // namespace Tlv3Menus
