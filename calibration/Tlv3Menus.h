// The texts that tell the operator which hardware is connected: the
// hardware information box, the one-line identification the Calibrate menu
// shows, and the interface's display name. Also the amplifier menu's
// handles, which this program never installs but releases at its end.
//
// Everything reads the amplifier core's facts (T3Base, T3Types::State) and
// the AD/DA layer's; nothing here changes them. Main thread only.
#pragma once

#include <array>
#include <span>

namespace Tlv3Menus {

inline constexpr int kInfoSize = 128;

// The amplifier menu and the Calibrate submenu's item in it; 0 when not
// installed.
extern int Tlv3Menu;
extern int iCalibMenu;

// Forgets the menu (handles 0) without deleting it.
void InitModule();
// Deletes the amplifier menu when it exists.
void Shutdown();

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
