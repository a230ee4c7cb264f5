// The closed AD/DA board library as this program calls it: every entry the
// program resolves, with what it passes and what it relies on, and the
// records of the QRN 2400 calls. This is our own statement of the contract;
// the library's remaining fields, values and status codes are its own.
//
// Records are host byte order (little-endian), and every byte we do not
// name is 0 when we send a record. The library was written for a 32-bit
// host, where the data record and the single-scan record end in a 4-byte
// data pointer. Here the pointer is native: it moves to the next 8-byte
// boundary, the 4 bytes it used to occupy are reserved (0), and the two
// records grow to 24 and 40 bytes. Every other record keeps the sizes and
// offsets of the original layout.
//
// Every entry returns a status, 0 for success, unless its comment says
// otherwise. Board numbers of the ZRV-24/28 are 0..2 for the PCI boards and
// 0x10000 + n for USB board n.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ZRVLibraryCalls {

// Statuses this program gives a meaning of its own.
constexpr std::int32_t kStatusNoBoardAnswer = 1;  // ZRV-24/28: power or cable
constexpr std::int32_t kStatusOpticalLinkNotWorking = static_cast<std::int32_t>(0x8A513000u);

// ZRV_OpenDevice's device type of the QRN 2400 rack, and its open flag.
constexpr std::int32_t kDeviceTypeRack = 2;
constexpr std::int32_t kOpenFlags = 1;

// Entries of the ZRV-28 range table (0 x1, 1 x2, 2 x5, 3 x10, indexed by
// board input) and of its DAC shift table (one per DAC output).
constexpr std::size_t kRangeCount = 22;
constexpr std::size_t kDacShiftCount = 4;

// Data record: single-value I/O, FIFO transfers, the data-available query.
struct DataRecord {
  std::int16_t channel_type;  // 0 input (ADC), 1 output (DAC)
  std::uint16_t command;      // kCommand* bits
  std::int16_t channel;       // hardware channel number
  std::int16_t reserved6;
  std::int32_t value;         // single value, sample count, or (result) samples available
  std::int32_t reserved12;    // where the 32-bit host kept the data pointer
  std::int16_t* data;         // FIFO transfers: the 16-bit samples
};
constexpr std::uint16_t kCommandFirstLoad = 2;  // every record of the first FIFO load
constexpr std::uint16_t kCommandLastData = 4;   // this load ends the output
static_assert(sizeof(DataRecord) == 24);
static_assert(offsetof(DataRecord, command) == 2 && offsetof(DataRecord, channel) == 4);
static_assert(offsetof(DataRecord, value) == 8 && offsetof(DataRecord, data) == 16);

// Channel record (ZRV_SetChannels).
struct ChannelRecord {
  std::int32_t reserved0;
  std::int32_t direction;   // 1 output, 0 input
  std::int32_t channel;     // hardware channel number
  std::int32_t reserved12;
  std::int32_t kind;        // 2 outputs, 1 inputs
  std::int32_t reserved20[6];
  std::int32_t constant33;  // always 33
  double clock_interval;    // seconds
  double delay;             // seconds after the frame start
  std::int32_t reserved64[4];
  std::int32_t divider;     // converted every divider-th clock
  std::int32_t reserved84[3];
};
static_assert(sizeof(ChannelRecord) == 96);
static_assert(offsetof(ChannelRecord, direction) == 4 && offsetof(ChannelRecord, channel) == 8);
static_assert(offsetof(ChannelRecord, kind) == 16 && offsetof(ChannelRecord, constant33) == 44);
static_assert(offsetof(ChannelRecord, clock_interval) == 48 && offsetof(ChannelRecord, delay) == 56);
static_assert(offsetof(ChannelRecord, divider) == 80);

// Single-scan record (ZRV_SingleScan): a short sweep done in one call.
struct SingleScanRecord {
  std::int32_t direction;  // 1 output, 0 input
  std::int32_t channel;
  std::int32_t reserved8[3];
  std::int32_t count;      // samples
  std::int32_t interval;   // in 5 us ticks
  std::int32_t reserved28; // where the 32-bit host kept the data pointer
  std::int16_t* data;
};
static_assert(sizeof(SingleScanRecord) == 40);
static_assert(offsetof(SingleScanRecord, channel) == 4 && offsetof(SingleScanRecord, count) == 20);
static_assert(offsetof(SingleScanRecord, interval) == 24 && offsetof(SingleScanRecord, data) == 32);

// Start record (ZRV_Start).
struct StartRecord {
  std::int32_t trigger;        // 0 none, 1 trigger, 256 trigger in external trigger mode 1
  std::int32_t output_enable;  // 1 when the sweep stimulates
  std::int32_t reserved8[2];
  std::uint32_t flags;         // kStartFlags
  std::int32_t reserved20[7];
};
constexpr std::int32_t kTriggerNone = 0;
constexpr std::int32_t kTrigger = 1;
constexpr std::int32_t kTriggerExternalMode = 256;
constexpr std::uint32_t kStartFlags = 0xA0002;
static_assert(sizeof(StartRecord) == 48);
static_assert(offsetof(StartRecord, output_enable) == 4 && offsetof(StartRecord, flags) == 16);

// State record (ZRV_GetState): one request, two result words.
struct StateRecord {
  std::int32_t request;  // kRequestOverflow or kRequestClipping
  std::int32_t reserved4;
  std::uint32_t overflow;  // only kOverflowBits are ours to use
  std::uint32_t clipping;
  std::int32_t reserved16[8];
};
constexpr std::int32_t kRequestOverflow = 16;
constexpr std::int32_t kRequestClipping = 32;
constexpr std::uint32_t kOverflowBits = 0x110000;
static_assert(sizeof(StateRecord) == 48);
static_assert(offsetof(StateRecord, overflow) == 8 && offsetof(StateRecord, clipping) == 12);

// Device information record (ZRV_GetDeviceInfo).
struct DeviceInfoRecord {
  std::int32_t reserved0[3];
  std::int32_t fifo_bytes;
  std::int32_t reserved16[6];
  std::int32_t dac_count;
  std::int32_t adc_count;
  std::int32_t reserved48[8];
};
static_assert(sizeof(DeviceInfoRecord) == 80);
static_assert(offsetof(DeviceInfoRecord, fifo_bytes) == 12);
static_assert(offsetof(DeviceInfoRecord, dac_count) == 40 && offsetof(DeviceInfoRecord, adc_count) == 44);

// Version record (ZRV_GetVersions): the first two words are the driver's
// major and minor version.
struct VersionRecord {
  std::int32_t first;
  std::int32_t second;
  std::int32_t reserved8[40];
};
static_assert(sizeof(VersionRecord) == 168 && offsetof(VersionRecord, second) == 4);

// Initialisation record (ZRV_InitDevice).
struct InitRecord {
  std::int32_t clock_mode;  // 2 sync master, 1 sync slave, 0 alone
  std::int32_t reserved4[5];
};
static_assert(sizeof(InitRecord) == 24);

// Global configuration record (ZRV_GlobalConfig), sent before an open.
struct GlobalConfigRecord {
  std::int32_t fifo_bytes;
  std::int32_t reserved4[7];
};
static_assert(sizeof(GlobalConfigRecord) == 32);

}  // namespace ZRVLibraryCalls

extern "C" {

// ---- ZRV-24 and ZRV-28 ----------------------------------------------------
// `device` is a record of GetStructureSize bytes that the caller allocates,
// Open fills and every later call takes.

// Bytes of the device record (not a status).
std::int32_t ZRV24_GetStructureSize(void);
std::int32_t ZRV28_GetStructureSize(void);
// kStatusNoBoardAnswer when no board answers to the number.
std::int32_t ZRV24_Open(void* device, std::int32_t board);
std::int32_t ZRV28_Open(void* device, std::int32_t board);
std::int32_t ZRV24_Initialize(void* device);
// mode: the board's logic configuration, 0..2.
std::int32_t ZRV28_Initialize(void* device, std::int32_t mode);
// FIFO length in samples (not a status); 0 for a device that is not open.
std::int32_t ZRV28_GetFIFOSize(void* device);
std::int32_t ZRV24_Close(void* device);
std::int32_t ZRV28_Close(void* device);
// The text of any status, cut to size - 1 characters and ended by a NUL;
// the device need not be open.
std::int32_t ZRV24_GetStatusText(void* device, std::int32_t status, char* text, std::int32_t size);
std::int32_t ZRV28_GetStatusText(void* device, std::int32_t status, char* text, std::int32_t size);
// One sequence step per interval of ticks board ticks (1 us on the ZRV-24,
// 1.25 us on the ZRV-28).
std::int32_t ZRV24_SetSamplingInterval(void* device, std::int32_t ticks);
std::int32_t ZRV28_SetSamplingInterval(void* device, std::int32_t ticks, std::int32_t reserved);
// Clears both FIFOs for a new sweep; the sequence memory keeps its words.
std::int32_t ZRV24_InitializeAcquisition(void* device);
std::int32_t ZRV28_InitializeAcquisition(void* device);
// Loads length words into the sequence memory (one DAC and one ADC per step).
std::int32_t ZRV24_SetSequence(void* device, std::int32_t length, const std::uint16_t* words);
std::int32_t ZRV28_SetSequence(void* device, std::int32_t length, const std::uint16_t* words);
// Starts the sweep; trigger 1 waits for the external trigger first.
std::int32_t ZRV24_Start(void* device, std::int32_t trigger, std::int32_t outputEnable,
                         std::int32_t option3, std::int32_t option4);
std::int32_t ZRV28_Start(void* device, std::int32_t trigger, std::int32_t outputEnable,
                         std::int32_t option3, std::int32_t option4);
std::int32_t ZRV24_WriteFIFO(void* device, std::int32_t count, const std::int16_t* samples);
std::int32_t ZRV28_WriteFIFO(void* device, std::int32_t count, const std::int16_t* samples);
// Values that can be read, all channels together; negative by the pipeline
// values right after a start.
std::int32_t ZRV24_GetFIFOReadAvailable(void* device, std::int32_t* count);
std::int32_t ZRV28_GetFIFOReadAvailable(void* device, std::int32_t* count);
// Reads values in sequence order; the first read of a sweep begins with the
// pipeline values.
std::int32_t ZRV24_ReadFIFO(void* device, std::int32_t count, std::int16_t* samples);
std::int32_t ZRV28_ReadFIFO(void* device, std::int32_t count, std::int16_t* samples);
// flag := whether an input clipped since the last ask.
std::int32_t ZRV24_IsClipping(void* device, std::int32_t* flag);
std::int32_t ZRV28_IsClipping(void* device, std::int32_t* flag);
// flag := whether the input FIFO overflowed.
std::int32_t ZRV24_GetFIFOOverflow(void* device, std::int32_t* flag);
std::int32_t ZRV28_GetFIFOOverflow(void* device, std::int32_t* flag);
std::int32_t ZRV24_Stop(void* device);
std::int32_t ZRV28_Stop(void* device);
// Only in logic configuration mode 2.
std::int32_t ZRV28_SetDACShift(void* device, const std::int32_t* shifts /* kDacShiftCount */);
std::int32_t ZRV28_SetRange(void* device, const std::int32_t* ranges /* kRangeCount */);
std::int32_t ZRV28_SetExternalTriggerMode(void* device, std::int32_t first, std::int32_t second);

// ---- QRN 2400 rack ------------------------------------------------------
// `handle` is what ZRV_OpenDevice gave. ZRV_GetVersions answers for the
// library as a whole, whatever the handle.

std::int32_t ZRV_GlobalConfig(const ZRVLibraryCalls::GlobalConfigRecord* config);
std::int32_t ZRV_OpenDevice(std::int32_t deviceType, std::int32_t board, std::int32_t flags,
                            void** handle);
std::int32_t ZRV_InitDevice(void* handle, const ZRVLibraryCalls::InitRecord* init);
std::int32_t ZRV_GetSerialNumbers(void* handle, std::int32_t which, std::uint32_t* master,
                                  std::uint32_t* slave);
std::int32_t ZRV_GetDeviceInfo(void* handle, ZRVLibraryCalls::DeviceInfoRecord* info);
std::int32_t ZRV_GetVersions(void* handle, ZRVLibraryCalls::VersionRecord* versions,
                             std::int32_t reserved1, std::int32_t reserved2);
std::int32_t ZRV_CloseDevice(void* handle);
std::int32_t ZRV_GetStatusText(void* handle, std::int32_t status, char* text, std::int32_t size);
// Single values: outputs take the record's value, inputs return theirs in it.
std::int32_t ZRV_AsyncIO(void* handle, std::int32_t count, ZRVLibraryCalls::DataRecord* records);
// The whole sweep in one call; the data are complete on return.
std::int32_t ZRV_SingleScan(void* handle, std::int32_t count,
                            ZRVLibraryCalls::SingleScanRecord* records);
std::int32_t ZRV_ResetChannels(void* handle);
std::int32_t ZRV_SetChannels(void* handle, std::int32_t count,
                             const ZRVLibraryCalls::ChannelRecord* records);
std::int32_t ZRV_UpdateChannels(void* handle);
// Output records queue their samples, input records take theirs.
std::int32_t ZRV_ReadWriteFIFO(void* handle, std::int32_t count,
                               ZRVLibraryCalls::DataRecord* records);
std::int32_t ZRV_Start(void* handle, const ZRVLibraryCalls::StartRecord* start);
// Lets the library move queued data now.
std::int32_t ZRV_UpdateNow(void* handle, std::int32_t flags);
std::int32_t ZRV_GetState(void* handle, ZRVLibraryCalls::StateRecord* state);
// Each record's value := the samples its input channel has ready.
std::int32_t ZRV_GetDataAvailable(void* handle, std::int32_t count,
                                  ZRVLibraryCalls::DataRecord* records, std::int32_t flags);
std::int32_t ZRV_Stop(void* handle, std::int32_t flags);
}
