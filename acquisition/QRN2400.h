// The QRN 2400 rack backend: the thin layer between the AD/DA layer and the
// closed board library's ZRV_* functions. It loads the library, opens and
// initialises the rack, fills the library's request records for single
// values, channel set-up, FIFO transfers and state queries, and keeps the
// channel lists of the current sweep for the later FIFO calls. It returns
// the library's status unchanged and writes no texts: texts, retries and
// policies are the AD/DA layer's. While the library is missing every call
// gives ZRVLibrary::kLibraryNotFound and calls nothing.
//
// Channels are the rack's hardware numbers: DACs 0-7 (4-7 on rack 2), ADCs
// 0-15 (8-15 on rack 2), and the digital ports from the offsets that
// QRN2400_GetDigChanOffsets gives.
//
// Main thread only: one sweep at a time.
#pragma once

#include <cstdint>
#include <span>

// The record arrays hold this many channels. A count beyond them (or below
// 0) gives kQRN2400BadCount without a library call.
constexpr int kQRN2400MaxRecords = 47;
constexpr std::int32_t kQRN2400BadCount = -50;

// -3 (ZRVLibrary::kLibraryNotFound) when the library or its ZRV_InitDevice
// cannot be found, else 0. Loads the library on first use.
std::int32_t QRN2400_LoadLibrary();
std::int32_t QRN2400_GetStatusText(void* handle, std::int32_t status, std::span<char> text);
// FIFO of ((samples + 1023) div 1024) x 4096 bytes for the next open.
std::int32_t QRN2400_SetFifoSize(std::int32_t samples);
std::int32_t QRN2400_OpenDevice(void*& handle, std::int32_t boardNumber);
// syncMode 1 master, 2 slave, else alone. The serial numbers are set only
// on success.
std::int32_t QRN2400_Initialize(void* handle, std::int32_t syncMode, std::uint32_t& masterSerial,
                                std::uint32_t& slaveSerial);
// Outputs set only on success; racks = ADC count div 8.
std::int32_t QRN2400_GetInfo(void* handle, std::int32_t& fifoSamples, std::int32_t& dacCount,
                             std::int32_t& adcCount, std::int32_t& racks);
// The driver's major and minor version; both 0 when the call failed.
std::int32_t QRN2400_GetDriverVersion(void* handle, std::int32_t& first, std::int32_t& second);
std::int32_t QRN2400_CloseDevice(void* handle);
std::int32_t QRN2400_SetDac(void* handle, std::int32_t channel, std::int32_t value);
// value is set also when the call fails.
std::int32_t QRN2400_ReadAdc(void* handle, std::int32_t channel, std::int32_t& value);
// Reads count inputs at once: values[0 .. count-3] from the first count - 2
// channels, digital[0] and digital[1] from the last two (the caller puts its
// two port inputs last). Outputs set only on success.
std::int32_t QRN2400_ReadAll(void* handle, std::int32_t count, const std::int32_t channels[],
                             double values[], std::uint16_t digital[2]);

// Starts a sweep. vectors holds the DAC vectors, then the ADC vectors. A
// non-zero singleScan on entry asks for the whole sweep in one library call;
// it stays 1 when that was done (the data are then in the ADC vectors) and
// becomes 0 when the sweep runs continuously.
std::int32_t QRN2400_StartStimAndSample(
    void* handle, std::int32_t dacCount, std::int32_t adcCount, std::int32_t dacSamples,
    std::int32_t adcSamples, bool trigger, bool triggerMode, bool stimulate, bool wholeOutput,
    const std::int32_t dacChannels[], const std::int32_t adcChannels[],
    const std::int32_t dacSlots[], const std::int32_t adcSlots[], double clockInterval,
    std::int32_t adcDivider, std::int32_t dacDivider, std::int16_t* const vectors[],
    std::int32_t& singleScan);
std::int32_t QRN2400_TransferToFIFO(void* handle);
// bits := the overflow word's bits 0x110000.
std::int32_t QRN2400_GetFIFOOverflow(void* handle, std::uint32_t& bits);
std::int32_t QRN2400_GetClipping(void* handle, std::uint32_t& bits);
// Samples ready on the sweep's last ADC channel.
std::int32_t QRN2400_GetFIFOReadAvailable(void* handle, std::int32_t& samples);
// Reads samples per ADC channel of the sweep into vectors[0 .. adcCount-1].
std::int32_t QRN2400_ReadStimAndSample(void* handle, std::int32_t adcCount, std::int32_t samples,
                                       bool ignored, std::int16_t* const vectors[]);
// Queues samples per DAC channel of the sweep; last ends the output.
std::int32_t QRN2400_AppendToFIFO(void* handle, std::int32_t dacCount, std::int32_t samples,
                                  bool last, std::int16_t* const vectors[]);
std::int32_t QRN2400_Stop(void* handle);
// The hardware numbers of the digital input (26) and output (8) ports.
void QRN2400_GetDigChanOffsets(std::int32_t& adcCode, std::int32_t& dacCode);

// Forgets the sweep's channel lists.
void QRN2400_InitModule();
