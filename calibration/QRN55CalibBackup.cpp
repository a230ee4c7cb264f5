#include "calibration/QRN55CalibBackup.h"

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "acquisition/QRN55Tools.h"
#include "dialogs/Alert.h"
#include "foundation/Decode.h"
#include "foundation/IOBase.h"
#include "foundation/IOBytes.h"
#include "foundation/IOFiles.h"
#include "foundation/RealTime.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"

namespace QRN55CalibBackup {

namespace {

constexpr int kNameSize = 256;
// A record's text file is a few kilobytes; anything far beyond is no
// backup of one.
constexpr std::int32_t kLongestFile = 65536;

bool ReadWhole(std::span<const char> name, std::vector<std::uint8_t>& bytes) {
  bytes.assign(kLongestFile, 0);
  std::int32_t count = kLongestFile;
  if (!IOBytes::LoadFile(name, nullptr, count, bytes.data())) return false;
  bytes.resize(static_cast<std::size_t>(count));
  return true;
}

bool Exists(std::span<const char> name) {
  std::int32_t length = 0;
  return IOFiles::Lookup(name, length);
}

// The kept file holds exactly what the current record's file would.
bool KeptFileIsCurrent(std::span<const char> kept) {
  const std::string scratch =
      (std::filesystem::temp_directory_path() / ("mereth-qrn55-" + std::to_string(getpid()) + ".txt")).string();
  char scratchName[kNameSize] = {};
  Strings::Assign(scratchName, std::span<const char>(scratch.c_str(), scratch.size() + 1));
  std::vector<std::uint8_t> current;
  std::vector<std::uint8_t> held;
  const bool same = QRN55Tools::SaveCalibInfoAsASCII(scratchName, true) && ReadWhole(scratchName, current) &&
                    ReadWhole(kept, held) && current == held;
  IOFiles::Delete(scratchName);
  return same;
}

// "QRN55Calib_<serial6>_<date>" and ".txt", or with "_2", "_3" ... the
// first name not taken, as a full path.
void DatedName(std::span<const char> serial6, std::span<char> name) {
  char date[32] = {};
  RealTime::ToAltDate(RealTime::GetTime(), date, false, false);
  for (int n = 1;; ++n) {
    char plain[kNameSize] = "QRN55Calib_";
    Strings::Concat(plain, serial6);
    Strings::Concat(plain, "_");
    Strings::Concat(plain, date);
    if (n > 1) {
      Strings::Concat(plain, "_");
      Decode::Integer(n, plain, 0);
    }
    Strings::Concat(plain, ".txt");
    IOBase::ExtendFileName(plain, name);
    if (!Exists(name)) return;
  }
}

// The notebook line: prefix, the name in double quotes.
void NameLine(std::span<char> line, std::span<const char> prefix, std::span<const char> name) {
  Strings::Assign(line, prefix);
  Strings::Concat(line, "\"");
  Strings::Concat(line, name);
  Strings::Concat(line, "\"");
}

// The line goes to the notebook and, with the reason, into the alert.
bool Refuse(std::span<const char> line) {
  TermIO::WriteLine(line);
  char message[512] = {};
  Strings::Assign(message, line);
  if (Strings::Length(QRN55Tools::ErrorMessage) > 0) {
    Strings::Concat(message, Alert::LF);
    Strings::Concat(message, QRN55Tools::ErrorMessage);
  }
  Strings::Concat(message, Alert::LF);
  Strings::Concat(message, "Nothing was written to the unit.");
  Alert::OK(message);
  return false;
}

}  // namespace

bool Save() {
  QRN55Tools::ErrorMessage[0] = 0;
  if (!QRN55Tools::ReadDeviceInformation(0)) return Refuse("QRN55 device information could not be read.");
  char serial[32] = {};
  QRN55Tools::GetUnitSerialNumber(serial);
  char serial6[8] = {};
  Strings::Substring(serial6, serial, 0, 6);
  char plain[kNameSize] = "QRN55Calib_";
  Strings::Concat(plain, serial6);
  Strings::Concat(plain, ".txt");
  char kept[kNameSize] = {};
  IOBase::ExtendFileName(plain, kept);
  char line[kNameSize + 64] = {};
  const bool keptExists = Exists(kept);
  if (keptExists && KeptFileIsCurrent(kept)) {
    NameLine(line, "QRN55-Calibration saved to: ", kept);
    TermIO::WriteLine(line);
    return true;
  }
  char written[kNameSize] = {};
  if (keptExists) {
    DatedName(serial6, written);
  } else {
    Strings::Assign(written, kept);
  }
  if (!QRN55Tools::SaveCalibInfoAsASCII(written, false)) {
    NameLine(line, "Error saving QRN55-Calibration: ", written);
    return Refuse(line);
  }
  NameLine(line, "QRN55-Calibration saved to: ", written);
  TermIO::WriteLine(line);
  return true;
}

}  // namespace QRN55CalibBackup
