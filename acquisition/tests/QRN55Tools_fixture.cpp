#include "acquisition/tests/QRN55Tools_fixture.h"

#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <utility>

#include "Common/QRN55/Driver/QRN55DeviceManager.h"
#include "Common/QRN55/Driver/QRN55Service.h"
#include "acquisition/QRN55Interface.h"
#include "acquisition/QRN55Tools.h"
#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "dialogs/Alert.h"
#include "dialogs/FileSelect.h"
#include "dialogs/LoopDialog.h"
#include "foundation/Buffer.h"
#include "foundation/BufferText.h"
#include "foundation/GLP.h"
#include "foundation/RealTime.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "foundation/platform/Clock.h"
#include "shell/Shell.h"

// The in-process mount list, with the test's hook before every scan.
class QRN55ToolsTest::WatchedPort final : public QRN55FilePort {
 public:
  WatchedPort(QRN55SimVolumes& volumes, std::function<void()>& hook)
      : volumes_(volumes), hook_(hook) {}

  bool ListMounts(std::vector<std::string>& paths) override {
    if (hook_) hook_();
    return volumes_.ListMounts(paths);
  }
  int Open(const char* path) override { return volumes_.Open(path); }
  int LockExclusive(int descriptor) override { return volumes_.LockExclusive(descriptor); }
  void AdviseUncached(int descriptor) override { volumes_.AdviseUncached(descriptor); }
  ssize_t ReadAt(int descriptor, std::uint64_t address, void* data, std::size_t size) override {
    return volumes_.ReadAt(descriptor, address, data, size);
  }
  ssize_t WriteAt(int descriptor, std::uint64_t address, const void* data,
                  std::size_t size) override {
    return volumes_.WriteAt(descriptor, address, data, size);
  }
  int Sync(int descriptor) override { return volumes_.Sync(descriptor); }
  void Close(int descriptor) override { volumes_.Close(descriptor); }

 private:
  QRN55SimVolumes& volumes_;
  std::function<void()>& hook_;
};

std::string Str(std::span<const char> text) {
  return std::string(text.data(), static_cast<std::size_t>(Strings::Length(text)));
}

QRN55ToolsTest::QRN55ToolsTest() = default;
QRN55ToolsTest::~QRN55ToolsTest() = default;

void QRN55ToolsTest::SetUp() {
  ASSERT_NO_FATAL_FAILURE(TempDirectoryTest::SetUp());
  ASSERT_EQ(mkdir(Path("state").c_str(), 0755), 0);

  Platform::UseVirtualClock(Platform::ElapsedSeconds());
  Buffer::InitModule();
  Shell::Initialize();
  TermIO::InitModule();
  RealTime::InitModule();
  GLP::InitModule();
  Alert::ClearAnswers();
  FileSelect::ClearChoices();
  LoopDialog::InitModule();
  volumes_.Mount("/");
  port_ = std::make_unique<WatchedPort>(volumes_, beforeScan);
  QRN55Service::UseFilePort(port_.get());
  ZRVBase::InitModule();
  VrnlBoards::InitModule();
  ZRV::InitModule();
  QRN55Tools::InitModule();
}

void QRN55ToolsTest::TearDown() {
  ZRV::Shutdown();
  QRN55Interface::Shutdown();
  QRN55Service::UseFilePort(nullptr);
  beforeScan = nullptr;
  Alert::ClearAnswers();
  FileSelect::ClearChoices();
  TermIO::InitModule();
  Shell::List = nullptr;
  Buffer::Shutdown();
  Platform::UseRealClock();
  TempDirectoryTest::TearDown();
}

std::string QRN55ToolsTest::Serial(const std::string& number, int firmware, int type) {
  const std::string fw = std::to_string(firmware % 100);
  return number + "01" + (fw.size() < 2 ? "0" + fw : fw) + "0001" + std::to_string(type);
}

QRN55SimUnitConfig QRN55ToolsTest::SingleUnit(const std::string& number, int firmware) {
  QRN55SimUnitConfig config;
  config.record.unit_serial = Serial(number, firmware, 0);
  config.record.device_serial = config.record.unit_serial;
  config.record.firmware = firmware;
  config.signature.firmware = static_cast<std::uint8_t>(firmware);
  config.signature.logic = 0;  // no FPGA version to check
  return config;
}

QRN55SimUnit* QRN55ToolsTest::Plug(QRN55SimUnitConfig config, const std::string& suffix) {
  config.eeprom_file = Path("state/unit") + suffix + ".eeprom";
  units_.push_back(std::make_unique<QRN55SimUnit>(std::move(config)));
  QRN55SimUnit* unit = units_.back().get();
  volumes_.Mount(QRN55DeviceManager::VolumePrefix() + suffix, unit);
  return unit;
}

void QRN55ToolsTest::PutSwitch(const std::string& name) const {
  std::ofstream(Path(name)) << "1\n";
}

std::vector<std::string> QRN55ToolsTest::ConsoleLines() const {
  TermIO::Flush();
  std::vector<std::string> lines;
  const std::int32_t count = BufferText::RecordCount(Shell::List);
  for (std::int32_t n = 1; n <= count; ++n) {
    char text[512];
    BufferText::Get(Shell::List, n, text);
    lines.emplace_back(text);
  }
  return lines;
}

std::int32_t Int32At(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | bytes.at(offset + i);
  return static_cast<std::int32_t>(value);
}

double DoubleAt(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  std::uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = bits << 8 | bytes.at(offset + i);
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

void PutInt32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<std::uint8_t>(bits >> 8 * i);
}

void PutDouble(std::vector<std::uint8_t>& bytes, std::size_t offset, double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  for (int i = 0; i < 8; ++i) bytes.at(offset + i) = static_cast<std::uint8_t>(bits >> 8 * i);
}

std::string TextAt(const std::vector<std::uint8_t>& bytes, std::size_t offset, std::size_t size) {
  std::string text;
  for (std::size_t i = 0; i < size && bytes.at(offset + i) != 0; ++i) {
    text += static_cast<char>(bytes[offset + i]);
  }
  return text;
}

std::string SerialOf(const std::vector<std::uint8_t>& record) {
  std::string serial;
  for (int i = 0; i < (record.at(0) - 2) / 2; ++i)
    serial += static_cast<char>(record.at(2 + 2 * i));
  return serial;
}

std::uint32_t RecordSum(const std::vector<std::uint8_t>& record) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < record.size(); ++i) {
    if (i < 400 || i >= 404) sum += record[i];
  }
  return sum;
}

std::vector<std::uint8_t> StoredRecord(const QRN55SimUnit& unit) {
  return unit.ReadEEPROM(QRN55Tools::DeviceInfoAddress, QRN55Tools::DeviceInfoSize);
}

void StoreRecord(QRN55SimUnit& unit, std::vector<std::uint8_t> record, bool fixCRC) {
  if (fixCRC) PutInt32(record, 400, static_cast<std::int32_t>(RecordSum(record)));
  unit.WriteEEPROM(QRN55Tools::DeviceInfoAddress, record);
}
