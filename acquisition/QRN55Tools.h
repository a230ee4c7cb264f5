// The service side of the QRN 5+5 USB interface: every unit keeps a 512-byte
// device information record in its EEPROM (identification, place in a
// joined device, FIFO sizes, and the scale and offset of its 9 inputs and 5
// outputs). This module holds one working copy of that record, reads it
// from a unit, validates it, hands its calibration to QRN55Interface, and
// writes it back with a read-back compare. On that copy work the
// calibration text file, the joining and splitting of units, the controller
// firmware update and the AD/DA calibration procedures; the module also
// holds the FPGA upload hooks that QrnLattice drives.
//
// Units are 0 (the first unit, or the master) and 1 (the slave) of the
// device QRN55Interface has open; EEPROM transfers go through its driver
// handle and device index.
//
// Failures: every operation returns a boolean (or a status) and leaves its
// reason in ErrorMessage. Main thread only.
#pragma once

#include <cstdint>
#include <span>

#include "foundation/IOBytes.h"

namespace QRN55Tools {

// ==== Interface =============================================================

// ---- The device information record ----------------------------------------

inline constexpr std::int32_t DeviceInfoSize = 512;
// Where every unit keeps it in its EEPROM; the firmware image lies below.
inline constexpr std::int32_t DeviceInfoAddress = 0x3E00;
inline constexpr int InputChannels = 9;   // ADC 0..7 and the multiplexed input
inline constexpr int OutputChannels = 5;  // DAC 0..3 and the further output
inline constexpr int SerialLength = 15;   // digits of a unit serial number
// The scale a channel has before it is calibrated: 1/3200 V per unit.
inline constexpr double DefaultScale = 0.0003125;
inline constexpr std::int32_t DefaultFifoSize = 262136;

// The record in host byte order. Its image in the EEPROM is little-endian;
// RecordToImage and ImageToRecord convert field by field.
//   offset  0  unit serial number: a USB string descriptor (byte 0 the
//              length 2 + 2n, byte 1 the type 3, n UTF-16LE characters)
//          32  device serial number, 64 description: NUL-terminated texts
//          96  model, unit count, unit index, input and output FIFO size,
//              sequence counter delay, pipeline length, reserved (int32)
//         128  input scale [9], input offset [9], output scale [5],
//              output offset [5] (doubles)
//         352  reserved (32 bytes)
//         384  revision, firmware, production (int32)
//         396  EEPROM version: "v01", "v02" or "v03" and a NUL
//         400  CRC: the byte sum of the record with this field zero
//         404  write date, NUL-terminated text
//         436  reserved (76 bytes)
struct QRN55DeviceInfo {
  std::uint8_t unitSerialNumber[32];
  char deviceSerialNumber[32];
  char description[32];
  std::int32_t model;
  std::int32_t unitCount;      // 1 single unit, 2 joined device
  std::int32_t unitIndex;      // 0 single unit or master, 1 slave
  std::int32_t inputFifoSize;  // samples
  std::int32_t outputFifoSize;
  std::int32_t sequenceCounterDelay;
  std::int32_t pipelineLength;
  std::int32_t reserved1;
  double inputCalibrationScale[InputChannels];   // volts per unit
  double inputCalibrationOffset[InputChannels];  // volts
  double outputCalibrationScale[OutputChannels];
  double outputCalibrationOffset[OutputChannels];
  std::uint8_t reserved2[32];
  std::int32_t revision;
  std::int32_t firmware;  // controller firmware version of the unit
  std::int32_t production;
  char eepromVersion[4];
  std::uint32_t crc;
  char writeDate[32];
  std::uint8_t reserved3[76];
};

using DeviceInfoImage = std::span<std::uint8_t, DeviceInfoSize>;

// The working copy.
extern QRN55DeviceInfo DeviceInformation;
// The reason of the last failure of any operation here.
extern char ErrorMessage[128];
// The field that failed validation or the compare.
extern char CompareError[80];
// TRUE when "QRN55EEPROMDebug.On" existed at module start: every record read
// and written is dumped as a calibration text file.
extern bool DebugWrite;
// Number of the next dump, 0..999.
extern std::int32_t DebugIndex;

// ---- Record set-up ------------------------------------------------------------

// A fresh record: description "VRNL QRN55", model 1, the given unit count and
// index, FIFO sizes 262136, sequence counter delay 2, version "v03", the
// given revision, firmware and production, default calibration; then the
// serial (first 15 characters, padded with '0') with its type, revision,
// firmware and production digits, the device serial of a master, and the
// scaling handed to the backend for both units.
void InitDeviceAndVrnlInformation(std::int32_t unitIndex, std::int32_t unitCount,
                                  std::int32_t revision, std::int32_t firmware,
                                  std::int32_t production, std::span<const char> serial);
// The same with revision, firmware and production 0.
void InitDeviceInformation(std::int32_t unitIndex, std::int32_t unitCount,
                           std::span<const char> serial);
// Every scale DefaultScale, every offset 0.
void InitCalibInformation();

// The serial number text (digit positions counted from 0):
//   0-5 the unit's own number, 6-7 revision, 8-9 firmware version,
//   10-13 production, 14 type (0 single, 1 master, 2 slave).
// Stores the first 15 characters of the text, padded with '0'.
void SetUnitSerialNumber(std::span<const char> text);
// The same on any record.
void SetUnitSerialNumber(QRN55DeviceInfo& record, std::span<const char> text);
void GetUnitSerialNumber(std::span<char> text);
// text := the low bytes of the descriptor's characters (at most 15); empty
// when its length byte is below 3.
void UnicodeToAscii(std::span<const std::uint8_t, 32> descriptor, std::span<char> text);
// The descriptor of the text (at most 15 characters), the rest zero.
void AsciiToUnicode(std::span<const char> text, std::span<std::uint8_t, 32> descriptor);
// Serial position 14 from unit count and index.
void UpdateDeviceType();
// Serial positions 6-13 from revision, firmware and production; pipeline
// length := 0.
void UpdateVrnlFields();
// A master's (or single unit's) device serial := its unit serial; a slave
// keeps the one it has.
void UpdateDeviceSerialNumbers();
// Write date := now, as dd-Mon-yyyy hh:mm:ss.
void UpdateDeviceDate();
void UpdateCRC();
// Hand the working copy's output (input) scales and offsets to
// QRN55Interface for the unit.
void SyncDacScaling(std::int32_t unit);
void SyncAdcScaling(std::int32_t unit);

// ---- EEPROM transfer ------------------------------------------------------------

// Status of an EEPROM transfer: 0, a driver status, or this for a read-back
// that differs from what was written.
inline constexpr std::int32_t CompareFailed = -8;

bool ReadDeviceInformation(std::int32_t unit);
bool WriteDeviceInformation(std::int32_t unit);
// The name labels the debug dump. A read that fails (transfer, validation,
// CRC) leaves the working copy unchanged. A successful read replaces it,
// hands its scaling to the backend, and puts a calibration value that is no
// finite number back to its default, naming it on the console.
bool DoReadDeviceInformation(std::span<const char> name, std::int32_t unit);
// Sets version "v03", the device serial, the date and the CRC in the working
// copy (kept even when the write fails), then writes and compares it.
bool DoWriteDeviceInformation(std::span<const char> name, std::int32_t unit);

// buffer.size() bytes from the address, in 64-byte chunks.
std::int32_t ReadFromEEPROM(std::int32_t unit, std::span<std::uint8_t> buffer,
                            std::int32_t address);
// Writes and compares the data in whole 64-byte chunks (a last partial
// chunk is padded with zeros), between unlocking and locking the EEPROM.
// An attempt that fails after some chunk of it was written is repeated, up
// to 6 attempts; wroteAny tells whether any chunk of any attempt was
// written. Returns the last attempt's status.
std::int32_t WriteToEEPROM(std::int32_t unit, std::span<const std::uint8_t> data,
                           std::int32_t address, bool& wroteAny);
// One attempt.
std::int32_t DoWriteToEEPROM(std::int32_t unit, std::span<const std::uint8_t> data,
                             std::int32_t address, bool& wroteAny);

// Between the little-endian EEPROM image and host order: nothing on a
// little-endian host; else reverses the numbers in place, never the texts.
void SwapDeviceInformation(DeviceInfoImage image);
// The record's image in host order, and back.
void RecordToImage(const QRN55DeviceInfo& record, DeviceInfoImage image);
void ImageToRecord(std::span<const std::uint8_t, DeviceInfoSize> image, QRN55DeviceInfo& record);

// Identification checks in their order; the first failure names its field in
// CompareError ("unit_serial_number_1", "unit_serial_number_2",
// "device_serial_number", "description", "EEPROM_version").
bool ValidateDeviceInformation(const QRN55DeviceInfo& record);
// Exactly 15 characters, all digits.
bool ValidateAllDigits(std::span<const char> text);
// "v03": a stored CRC other than 0 must equal the byte sum ("EEPROM_CRC").
// "v01" and "v02" carry no CRC: the field gets the sum.
bool ValidateCRC(QRN55DeviceInfo& record);
// The first calibration value that is no finite number: TRUE with its key
// in the calibration text file ("input_calibration_scale3" ...).
bool FindNonFiniteCalibration(const QRN55DeviceInfo& record, std::span<char> key);
// Old records ("v01") had smaller FIFOs: version "v03" and both FIFO sizes
// 262136, TRUE. Any other version: FALSE, nothing changed.
bool FixOldFifoSize();
// ErrorMessage := the text of an EEPROM transfer's status: a file error's
// text, "Compare failed (" CompareError ")." for CompareFailed, else the
// backend's text.
void GetErrorText(std::int32_t code, bool isFileError);

// ---- Other operations -------------------------------------------------------------

// Not available on this platform: "Function requires "Windows"." and FALSE.
// The four arguments of the form that does exist elsewhere are not used.
bool InitializeEEPROM(std::int32_t, std::int32_t, std::int32_t, std::int32_t);
// The serial numbers under a ruler that names each digit position.
void SerialNumbersToNotebook();
// The whole working copy on the console.
void DeviceInformationToNotebook();

// Clears the texts, the FPGA upload state and the remembered DAC values,
// reads "QRN55EEPROMDebug.On", starts the working copy as a single unit with
// an empty serial, and starts QRN55Firmware.
void InitModule();

// ---- The calibration text file ------------------------------------------------------
// The exchange form of the record: keyed lines (unit_serial_number,
// device_serial_number, description, model, unit_count, unit_index,
// input_fifo_size, output_fifo_size, sequence_counter_delay,
// pipeline_length, revision, firmware, production, EEPROM_version,
// write_date; input_calibration_scale0, input_calibration_offset0 ... for
// channels 0..8, output_calibration_scale0 ... for 0..4) closed by a CRC.

// Writes the working copy. A name without its file part (a directory, or
// nothing) stands for "QRN55Calib_" + the first six characters of unit 0's
// serial + ".txt" in that directory. Without overwrite an existing file is
// kept and the result is TRUE.
bool SaveCalibInfoAsASCII(std::span<const char> fileName, bool overwrite);
// Reads the file (identification too, when asked) into a scratch copy of the
// working copy; the working copy takes it only when every key was found, the
// CRC holds, every calibration value is a finite number and the record
// validates. notFound := the keys that were missing.
bool LoadCalibInfoAsASCII(std::span<const char> fileName, bool withIdentification,
                          std::int32_t& notFound);
// The one key sequence for both directions on an open file; a reading with
// identification gives the record the serial number read (first 15
// characters, padded with '0'; kept when the key is missing).
bool ProcessDeviceInfoAsASCII(IOBytes::FileHandle& file, QRN55DeviceInfo& record, bool toDisk,
                              bool withIdentification);

// ---- Joining and splitting units ------------------------------------------------------
// A master and a slave work as one device when both records carry unit
// count 2, their unit index, the type digit 1 or 2, and the master's unit
// serial as device serial; the driver groups units by that device serial.
// The new grouping takes effect after both units were powered off and on.

// Guides the operator through the join (quiet: without the alerts before
// and after; the power-on prompt inside is always shown). cancelled is set
// when the operator gave up before anything was written.
bool DoJoinUnits(bool& cancelled, bool quiet);
bool JoinUnits(bool& cancelled);
// Splits every connected unit of the selected device back to a single unit.
bool DoSplitUnits(bool quiet);
bool SplitUnits();
// The unit of the device selected in QRN55Interface exists and reports
// status 0.
bool UnitConnected(std::int32_t unit);
bool GetDeviceCount(std::int32_t& count);
// Units of the open device; 0 (with ErrorMessage) when it cannot be had.
std::int32_t GetUnitCount();
// Opens the driver, then the first device, where they are not open.
bool OpenIfNotOpen();
// Closes the device, scans again and reopens it.
bool DriverRefresh();

// ---- Controller firmware ------------------------------------------------------------
// The controller boots from an image at the start of the unit's EEPROM; the
// image may not reach the device information record at 0x3E00.

inline constexpr std::int32_t MaxFirmwareLength = DeviceInfoAddress;

// Some connected unit needs the program's image, or its record needs the
// FIFO-size repair.
bool FirmwareNeedsUpdating();
// TRUE when nothing needed updating. Otherwise updates what needs it, shuts
// the AD/DA layer down, closes the interface and returns FALSE; message
// says what was done or what failed, powerCycle that the units must be
// powered off and on.
bool UpdateFirmware(std::span<char> message, bool& powerCycle);
// With the QRN 5+5 open and "QRN55AutoFirmware.Off" absent: the program's
// image and its numbers, the lowest firmware of the units (0 when none was
// read), and what the units need. A record that cannot be read ends the
// check with its message.
void CheckFirmware(std::span<char> message, const std::uint8_t*& image, std::int32_t& length,
                   std::int32_t& checksum, std::int32_t& version, std::int32_t& minFirmware,
                   bool& needsFirmware, bool& needsFifoFix);
// Uploads the image (checked against its byte sum) to every readable unit
// whose firmware is below version; TRUE when no upload failed.
bool DoUpdateFirmware(std::span<char> message, bool& powerCycle, const std::uint8_t* image,
                      std::int32_t length, std::int32_t checksum, std::int32_t version,
                      std::int32_t minFirmware);
// Writes the FIFO-size repair into every readable "v01" record.
bool DoUpdateFifoSize(std::span<char> message, bool& powerCycle);
// Unit -1: unit 0 and, when it is the master of two, unit 1 as well.
bool UploadFirmware(std::span<const std::uint8_t> image, std::int32_t version, std::int32_t unit);
// Writes the image from address 0 and the version into the unit's record.
// An image longer than MaxFirmwareLength is refused before anything is
// written. A write that fails after some chunk was written zeroes the first
// 64 bytes, so that the unit never boots a partial image.
bool DoUploadFirmware(std::span<const std::uint8_t> image, std::int32_t version, std::int32_t unit);
// Uploads a firmware file: a single-block file with the ID "QRN55-Firmware"
// whose version is the firmware version and whose data are the image.
bool WriteFirmware(std::span<const char> fileName, std::int32_t unit);
// Reads exactly size bytes of the file into buffer.
bool LoadFile(std::span<const char> name, std::int32_t size, std::span<std::uint8_t> buffer);
// The scratch area (SingleBlockFile::TempBuffer): roundedSize := size
// rounded up to 64; those bytes are cleared. FALSE when they do not fit.
bool GetWorkSpace(std::int32_t size, std::span<std::uint8_t>& buffer, std::int32_t& roundedSize);

// FPGA upload hooks. The transfer is not available on this platform:
// Prepare refuses with "Function requires "Windows"."; the others follow
// the state: from 1 there is something to shut down, from 2 the upload
// runs, from 3 it is done.
struct FPGAParams {
  std::int32_t state = 0;
};
extern FPGAParams FPGA_Params;

bool FPGA_Upload_Prepare(std::span<const char> fileName);
void FPGA_Upload_Start();
bool FPGA_Upload_Running();
bool FPGA_Upload_Done();
// State 1 or more: back to 0. Always FALSE here.
bool FPGA_Upload_Shutdown();
void FPGA_Upload_Abort();
void FPGA_Upload_Cleanup();

// ---- AD/DA calibration ------------------------------------------------------------
// A DAC output of a unit drives an ADC input wired to it (or a reference);
// the measured gain and offset are folded into the working copy's scale and
// offset of the channel and handed to the backend at once. Nothing reaches
// the unit until WriteDeviceInformation.
//
// Channels within a unit: DAC 0..3 and 10 (board channels + 4 x unit, 10 ->
// 10 + 3 x unit), ADC 0..7 and 18 (board channels + 8 x unit, 18 -> 18 +
// 3 x unit). A measurement that gives no finite gain or offset (equal
// readings, a failed sampling) is refused: the record stays as it was
// before the procedure and the operator is told on the console.

inline constexpr double CalibrationVolts = 6.852000000000001;
inline constexpr std::int32_t CalibSamples = 10000;

// The last voltage set on DAC channels 0..4.
extern double DacValues[5];
// The codes of the last reading.
extern std::int16_t CalibArray[CalibSamples];

void SetDac(std::int32_t unit, std::int32_t channel, double volts);
// After 0.5 s of settling, the mean of 10,000 samples at 100 us (the first
// two and the last two left out) in volts; NaN when sampling failed.
double Sample(std::int32_t unit, std::int32_t adcChannel);
void ReadADLow(std::int32_t unit, std::int32_t adcChannel, double& volts);
// Calibrates an input against two references, the low reading given.
bool ReadADHigh(std::int32_t unit, std::int32_t adcChannel, double lowReference,
                double highReference, double lowReading, double& highReading, double& gain,
                double& offset);
// Two passes of DoCalibDA: the gains multiplied, the offsets added.
bool CalibDA(std::int32_t unit, std::int32_t dacChannel, std::int32_t adcChannel, double& gain,
             double& offset);
bool DoCalibDA(std::int32_t unit, std::int32_t dacChannel, std::int32_t adcChannel, double& gain,
               double& offset);
bool CalibAD(std::int32_t unit, std::int32_t dacChannel, std::int32_t adcChannel, double& gain,
             double& offset);
// A scale above twice DefaultScale becomes DefaultScale, an offset beyond
// 0.1 V becomes 0; then the backend gets the unit's scaling.
void CheckAdcScaling(std::int32_t unit, std::int32_t channel);
void CheckDacScaling(std::int32_t unit, std::int32_t channel);
// scale := scale x gain, offset := offset + offset; FALSE (nothing changed)
// when gain or offset is no finite number.
bool CorrectAdcScaling(std::int32_t unit, std::int32_t channel, double gain, double offset);
bool CorrectDacScaling(std::int32_t unit, std::int32_t channel, double gain, double offset);
std::int32_t AdcChannelToIndex(std::int32_t channel);
std::int32_t DacChannelToIndex(std::int32_t channel);

}  // namespace QRN55Tools
