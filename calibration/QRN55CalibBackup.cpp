#include "calibration/QRN55CalibBackup.h"

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "acquisition/QRN55Tools.h"
#include "dialogs/Alert.h"
#include "foundation/Decode.h"
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
// first name not taken.
void DatedName(std::span<const char> serial6, std::span<char> name) {
  char date[32] = {};
  RealTime::ToAltDate(RealTime::GetTime(), date, false, false);
  for (int n = 1;; ++n) {
    Strings::Assign(name, "QRN55Calib_");
    Strings::Concat(name, serial6);
    Strings::Concat(name, "_");
    Strings::Concat(name, date);
    if (n > 1) {
      Strings::Concat(name, "_");
      Decode::Integer(n, name, 0);
    }
    Strings::Concat(name, ".txt");
    if (!Exists(name)) return;
  }
}

bool Refuse(std::span<const char> reason) {
  char message[256] = "No backup of the QRN 5+5 calibration record could be written: ";
  Strings::Concat(message, reason);
  Strings::Concat(message, Alert::LF);
  Strings::Concat(message, "Nothing was written to the unit.");
  Alert::OK(message);
  return false;
}

}  // namespace

bool Save() {
  if (!QRN55Tools::ReadDeviceInformation(0)) return Refuse(QRN55Tools::ErrorMessage);
  char serial[32] = {};
  QRN55Tools::GetUnitSerialNumber(serial);
  char serial6[8] = {};
  Strings::Substring(serial6, serial, 0, 6);
  char kept[kNameSize] = "QRN55Calib_";
  Strings::Concat(kept, serial6);
  Strings::Concat(kept, ".txt");
  if (Exists(kept) && KeptFileIsCurrent(kept)) return true;
  char written[kNameSize] = {};
  if (Exists(kept)) {
    DatedName(serial6, written);
  } else {
    Strings::Assign(written, kept);
  }
  if (!QRN55Tools::SaveCalibInfoAsASCII(written, false)) return Refuse(QRN55Tools::ErrorMessage);
  TermIO::WriteString("QRN 5+5 calibration record saved to ");
  TermIO::WriteLine(written);
  return true;
}

}  // namespace QRN55CalibBackup
