// The controller image of the QRN 5+5 USB interface, held inside the program
// so that every connected unit can be brought to the firmware version the
// program needs without any file. QRN55Tools copies it and writes it
// unchanged to the start of a unit's EEPROM, from which the unit's
// controller boots; a unit whose firmware version is below Get's version is
// updated.
//
// The image is in the EZ-USB FX2 "C2" boot-EEPROM load format:
//   offset 0      0xC2, the format's marker
//          1..2   USB vendor id, little-endian
//          3..4   USB product id, little-endian
//          5..6   device release number, little-endian (here: the version)
//          7      configuration byte of the controller's boot loader
//          8..    load records, each a 16-bit big-endian length (bits 0-9
//                 the byte count 1..1023, bit 15 set only in the last
//                 record), a 16-bit big-endian load address and the bytes.
// The last record writes one byte to 0xE600, the controller's CPU control
// register, and so releases the controller from reset after loading.
#pragma once

#include <cstdint>

namespace QRN55Firmware {

inline constexpr std::int32_t ImageLength = 6494;

// Stores the image into TheFirmware.
void InitModule();

// image := TheFirmware, length := 6494, checksum := 653233 (the byte sum of
// the image, as VectorInt::Checksum8 gives it), version := 7. The caller
// copies the image before use and checks the copy's sum. No failure.
void Get(const std::uint8_t*& image, std::int32_t& length, std::int32_t& checksum,
         std::int32_t& version);

// Filled once by InitModule and never changed afterwards.
extern std::uint8_t TheFirmware[ImageLength];

}  // namespace QRN55Firmware
