#include "acquisition/QRN55Firmware.h"

#include <array>

namespace QRN55Firmware {

std::uint8_t TheFirmware[ImageLength];

namespace {

constexpr std::int32_t kChecksum = 653233;
constexpr std::int32_t kVersion = 7;

// How this image is made. The interface's own controller program comes with
// the device, not with this program; what the program carries is an image of
// its own in the same load format, with the length, byte sum and version
// that the updater is given. Its controller program is a minimal 8051 one:
// the reset vector jumps to 0x0080, the three interrupt vectors return at
// once, and at 0x0080 the controller waits in a loop ("SJMP $"). Behind the
// loop follow an identification text for whoever reads an EEPROM dump, and a
// data table from a fixed pseudo-random sequence, so that a writer that
// misplaces or repeats a chunk never reads back the same bytes. The last
// bytes of the table are nudged by one until the image's byte sum is the
// published one. The whole image is computed while compiling; the
// static_asserts below hold it to its length, sum and record layout.
//
// Written to a real unit this image leaves its controller idle, without the
// USB function of the vendor's program: it serves the simulated units.

// The pid.codes test ids: the image claims no vendor's identity.
constexpr std::uint16_t kVendorId = 0x1209;
constexpr std::uint16_t kProductId = 0x0001;
// All boot-loader options off.
constexpr std::uint8_t kBootConfiguration = 0x00;

constexpr std::uint8_t kMarker = 0xC2;
constexpr std::uint16_t kLastRecord = 0x8000;
constexpr std::uint16_t kCpuControl = 0xE600;
constexpr std::uint8_t kRunCpu = 0x00;  // CPUCS with the reset bit clear

constexpr int kDataRecords = 11;
constexpr std::uint16_t kRecordCounts[kDataRecords] = {3,    3, 3,    1023, 768, 1023,
                                                       1023, 1, 1023, 1023, 544};
// The reset vector and the vectors of external interrupt 0 and timer 0;
// the other records load one block from 0x0080 on.
constexpr std::uint16_t kVectorAddresses[3] = {0x0000, 0x0003, 0x000B};
constexpr std::uint16_t kMainAddress = 0x0080;
// Every load address lies below this.
constexpr std::uint16_t kLoadLimit = 0x1A1E;

constexpr std::uint8_t kResetVector[3] = {0x02, 0x00, 0x80};  // LJMP 0x0080
constexpr std::uint8_t kReturn[3] = {0x32, 0x00, 0x00};       // RETI, NOP, NOP
constexpr std::uint8_t kIdleLoop[2] = {0x80, 0xFE};           // SJMP $
constexpr char kIdentification[] = "Mereth QRN 5+5 controller image, version 7";

// Table bytes are spread evenly over 0..204, whose mean lies close to the
// one the byte sum asks for, so the balance moves few bytes.
constexpr std::uint32_t kTableSeed = 0x4D455245;
constexpr std::uint32_t kTableSpan = 205;

using Image = std::array<std::uint8_t, ImageLength>;

constexpr Image Build() {
  Image image{};
  std::array<bool, ImageLength> isTable{};
  int at = 0;
  auto put = [&](std::uint8_t byte) { image[at++] = byte; };
  auto putLittle = [&](std::uint16_t word) {
    put(static_cast<std::uint8_t>(word & 0xFF));
    put(static_cast<std::uint8_t>(word >> 8));
  };
  auto putBig = [&](std::uint16_t word) {
    put(static_cast<std::uint8_t>(word >> 8));
    put(static_cast<std::uint8_t>(word & 0xFF));
  };

  put(kMarker);
  putLittle(kVendorId);
  putLittle(kProductId);
  putLittle(static_cast<std::uint16_t>(kVersion));
  put(kBootConfiguration);

  std::uint32_t random = kTableSeed;
  std::uint16_t blockAddress = kMainAddress;
  for (int r = 0; r < kDataRecords; ++r) {
    const std::uint16_t count = kRecordCounts[r];
    if (r < 3) {
      putBig(count);
      putBig(kVectorAddresses[r]);
      const std::uint8_t* code = r == 0 ? kResetVector : kReturn;
      for (int i = 0; i < count; ++i) put(code[i]);
      continue;
    }
    putBig(count);
    putBig(blockAddress);
    for (int i = 0; i < count; ++i) {
      const int offset = blockAddress + i - kMainAddress;
      const int text = offset - static_cast<int>(sizeof kIdleLoop);
      if (offset < static_cast<int>(sizeof kIdleLoop)) {
        put(kIdleLoop[offset]);
      } else if (text < static_cast<int>(sizeof kIdentification)) {
        put(static_cast<std::uint8_t>(kIdentification[text]));
      } else {
        random = random * 1664525u + 1013904223u;
        isTable[at] = true;
        put(static_cast<std::uint8_t>(((random >> 16) * kTableSpan) >> 16));
      }
    }
    blockAddress = static_cast<std::uint16_t>(blockAddress + count);
  }

  putBig(kLastRecord | 1);
  putBig(kCpuControl);
  put(kRunCpu);

  std::int32_t sum = 0;
  for (std::uint8_t byte : image) sum += byte;
  for (int i = ImageLength - 1; sum != kChecksum; i = i > 0 ? i - 1 : ImageLength - 1) {
    if (!isTable[i]) continue;
    if (sum < kChecksum && image[i] < 0xFF) {
      ++image[i];
      ++sum;
    } else if (sum > kChecksum && image[i] > 0) {
      --image[i];
      --sum;
    }
  }
  return image;
}

constexpr Image kImage = Build();

constexpr std::int32_t ByteSum(const Image& image) {
  std::int32_t sum = 0;
  for (std::uint8_t byte : image) sum += byte;
  return sum;
}

// The record walk from offset 8 ends exactly at the image's end, with the
// one record that has bit 15 set; every data record loads 1 to 1023 bytes
// below the load limit.
constexpr bool WellFormed(const Image& image) {
  if (image[0] != kMarker) return false;
  int at = 8;
  for (;;) {
    if (at + 4 > ImageLength) return false;
    const int length = image[at] << 8 | image[at + 1];
    const int address = image[at + 2] << 8 | image[at + 3];
    const int count = length & 0x3FF;
    at += 4 + count;
    if (count == 0 || at > ImageLength) return false;
    if ((length & kLastRecord) != 0) {
      return at == ImageLength && address == kCpuControl && count == 1;
    }
    if (address + count > kLoadLimit) return false;
  }
}

constexpr int DataBytes() {
  int total = 0;
  for (std::uint16_t count : kRecordCounts) total += count;
  return total;
}

// Header, data records, the last record.
static_assert(8 + kDataRecords * 4 + DataBytes() + 5 == ImageLength);
static_assert(DataBytes() == 6437);
static_assert(ByteSum(kImage) == kChecksum);
static_assert(WellFormed(kImage));

}  // namespace

void InitModule() {
  for (int i = 0; i < ImageLength; ++i) TheFirmware[i] = kImage[i];
}

void Get(const std::uint8_t*& image, std::int32_t& length, std::int32_t& checksum,
         std::int32_t& version) {
  image = TheFirmware;
  length = ImageLength;
  checksum = kChecksum;
  version = kVersion;
}

}  // namespace QRN55Firmware
