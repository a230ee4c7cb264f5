// One step of the reflected CRC-16 with polynomial 0x8005 (the CRC-16/ARC
// table). The caller picks the initial value and feeds the bytes one by one:
// CRC-16/ARC itself starts from 0.
#pragma once

#include <cstdint>

namespace Platform {

std::uint16_t CRC16_Compute(std::uint16_t crc, std::uint8_t byte);

}  // namespace Platform
