// The calibration text file: the device information record as keyed lines,
// saved before a firmware update and by the calibration menu, loaded back
// into the working copy, and the form of every debug dump.
#include <algorithm>

#include "acquisition/QRN55Interface.h"
#include "acquisition/QRN55Tools.h"
#include "foundation/FileReplace.h"
#include "foundation/IOBase.h"
#include "foundation/IOFiles.h"
#include "foundation/Strings.h"
#include "foundation/TextFile.h"

namespace QRN55Tools {

namespace {

// A text field of the record. Reading replaces the whole field (so no
// bytes of the old text stay behind its end) only when the key was there.
template <std::size_t N>
void ProcessText(std::span<const char> key, char (&field)[N], bool toDisk) {
  char text[N + 1] = {};
  Strings::Substring(text, field, 0, Strings::Length(field));
  TextFile::ProcessString(key, std::span<char>(text, N));
  if (toDisk) return;
  std::fill_n(field, N, '\0');
  std::copy_n(text, Strings::Length(std::span<const char>(text, N)), field);
}

void DefaultFileName(std::span<const char> directory, std::span<char> target) {
  char serial[80] = "";
  QRN55Interface::GetUnitSerialNumber(1, serial);
  char six[7] = "";
  Strings::Substring(six, serial, 0, std::min(Strings::Length(serial), 6));
  Strings::Assign(target, directory);
  Strings::Concat(target, "QRN55Calib_");
  Strings::Concat(target, six);
  Strings::Concat(target, ".txt");
}

}  // namespace

bool ProcessDeviceInfoAsASCII(IOBytes::FileHandle& file, QRN55DeviceInfo& record, bool toDisk,
                              bool withIdentification) {
  TextFile::InitVariables(file, toDisk);
  if (toDisk || withIdentification) {
    char serial[128] = "";
    UnicodeToAscii(record.unitSerialNumber, serial);
    TextFile::ProcessString("unit_serial_number", serial);
    ProcessText("device_serial_number", record.deviceSerialNumber, toDisk);
    ProcessText("description", record.description, toDisk);
    TextFile::ProcessInt32("model", record.model);
    TextFile::ProcessInt32("unit_count", record.unitCount);
    TextFile::ProcessInt32("unit_index", record.unitIndex);
    TextFile::ProcessInt32("input_fifo_size", record.inputFifoSize);
    TextFile::ProcessInt32("output_fifo_size", record.outputFifoSize);
    TextFile::ProcessInt32("sequence_counter_delay", record.sequenceCounterDelay);
    TextFile::ProcessInt32("pipeline_length", record.pipelineLength);
    TextFile::ProcessInt32("revision", record.revision);
    TextFile::ProcessInt32("firmware", record.firmware);
    TextFile::ProcessInt32("production", record.production);
    ProcessText("EEPROM_version", record.eepromVersion, toDisk);
    if (toDisk) {
      TextFile::ProcessString("write_date", record.writeDate);
    } else {
      // A missing key left the record's own serial in the text.
      SetUnitSerialNumber(record, serial);
    }
  }
  for (int channel = 0; channel < InputChannels; ++channel) {
    TextFile::ProcessIndexedLongReal("input_calibration_scale",
                                     record.inputCalibrationScale[channel], channel);
    TextFile::ProcessIndexedLongReal("input_calibration_offset",
                                     record.inputCalibrationOffset[channel], channel);
  }
  for (int channel = 0; channel < OutputChannels; ++channel) {
    TextFile::ProcessIndexedLongReal("output_calibration_scale",
                                     record.outputCalibrationScale[channel], channel);
    TextFile::ProcessIndexedLongReal("output_calibration_offset",
                                     record.outputCalibrationOffset[channel], channel);
  }
  std::uint32_t stored = 0;
  std::uint32_t computed = 0;
  if (TextFile::ErrorNumber != 0 || !TextFile::ProcessCRC(stored, computed)) return false;
  // A CRC line set to 0 by hand turns the check off.
  if (!toDisk && stored != 0 && stored != computed) {
    TextFile::ErrorNumber = -1;
    Strings::Assign(TextFile::ErrorDescr, "CRC error.");
    return false;
  }
  return true;
}

bool SaveCalibInfoAsASCII(std::span<const char> fileName, bool overwrite) {
  Strings::Clear(ErrorMessage);
  char directory[256] = "";
  char name[256] = "";
  IOBase::ExtractPathAndName(fileName, directory, name);
  char target[256] = "";
  if (Strings::Length(name) > 0) {
    Strings::Assign(target, fileName);
  } else {
    DefaultFileName(directory, target);
  }
  std::int32_t length = 0;
  if (!overwrite && IOFiles::Lookup(target, length)) return true;

  // Written beside the old file and put in its place only when complete.
  FileReplace::Replacement replacement;
  if (!FileReplace::Begin(target, nullptr, replacement)) {
    IOFiles::Message(IOBase::Result, ErrorMessage);
    return false;
  }
  // The text file reads its lines back for the CRC.
  replacement.handle.mode |= IOBytes::ModeRead;
  QRN55DeviceInfo record = DeviceInformation;
  if (!ProcessDeviceInfoAsASCII(replacement.handle, record, true, true)) {
    Strings::Concat(ErrorMessage, TextFile::ErrorDescr);
    return false;
  }
  if (!FileReplace::Commit(replacement)) {
    IOFiles::Message(IOBase::Result, ErrorMessage);
    return false;
  }
  return true;
}

bool LoadCalibInfoAsASCII(std::span<const char> fileName, bool withIdentification,
                          std::int32_t& notFound) {
  Strings::Clear(ErrorMessage);
  notFound = 0;
  IOBytes::FileHandle file;
  if (!IOBytes::Open(fileName, nullptr, IOBytes::ModeRead, file)) {
    IOFiles::Message(IOBase::Result, ErrorMessage);
    return false;
  }
  // A file that fails part-way must not leave a half-loaded working copy
  // that a later write would store in the unit.
  QRN55DeviceInfo scratch = DeviceInformation;
  bool loaded = ProcessDeviceInfoAsASCII(file, scratch, false, withIdentification);
  if (loaded) {
    notFound = TextFile::ID_NotFound;
    loaded = notFound == 0;
  } else {
    Strings::Concat(ErrorMessage, TextFile::ErrorDescr);
  }
  IOBytes::Close(file);
  if (!loaded) return false;

  char key[40] = "";
  if (FindNonFiniteCalibration(scratch, key)) {
    Strings::Assign(ErrorMessage, "\"");
    Strings::Concat(ErrorMessage, key);
    Strings::Concat(ErrorMessage, "\" is no finite number.");
    return false;
  }
  if (!ValidateDeviceInformation(scratch)) {
    GetErrorText(CompareFailed, false);
    return false;
  }
  DeviceInformation = scratch;
  return true;
}

}  // namespace QRN55Tools
