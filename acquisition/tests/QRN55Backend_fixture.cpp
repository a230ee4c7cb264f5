#include "acquisition/tests/QRN55Backend_fixture.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <utility>

#include "Common/QRN55/Driver/QRN55DeviceManager.h"
#include "Common/QRN55/Driver/QRN55Service.h"
#include "acquisition/QRN55Interface.h"
#include "acquisition/QRN55InterfaceState.h"
#include "acquisition/ZRVDebug.h"
#include "dialogs/Alert.h"
#include "foundation/Buffer.h"
#include "foundation/BufferText.h"
#include "foundation/RealTime.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "shell/Shell.h"
#include "foundation/tests/TempDirectory_fixture.h"
#include "sim/QRN55SimFuseVolume.h"

// The foundation's temporary directory, held rather than inherited: tests
// that use this fixture have a Text of their own, which its header's would
// make ambiguous.
class QRN55BackendTest::Scratch final : public TempDirectoryTest {
 public:
  using TempDirectoryTest::Dir;
  using TempDirectoryTest::Path;
  using TempDirectoryTest::SetUp;
  using TempDirectoryTest::TearDown;

 private:
  void TestBody() override {}
};

QRN55BackendTest::QRN55BackendTest() : scratch_(std::make_unique<Scratch>()) {}
QRN55BackendTest::~QRN55BackendTest() = default;

std::string QRN55BackendTest::Directory() const { return scratch_->Dir(); }

QRN55SimUnitConfig SimUnitConfig(const std::string& deviceSerial, int unitCount, int unitIndex) {
  QRN55SimUnitConfig config;
  config.record.device_serial = deviceSerial;
  config.record.unit_serial =
      "12345" + std::string(1, static_cast<char>('0' + (unitIndex & 7))) + "010700010";
  config.record.unit_count = unitCount;
  config.record.unit_index = unitIndex;
  return config;
}

void QRN55BackendTest::SetUp() {
  ASSERT_NO_FATAL_FAILURE(scratch_->SetUp());

  Buffer::InitModule();
  Shell::Initialize();
  TermIO::InitModule();
  RealTime::InitModule();
  Alert::ClearAnswers();
  ZRVDebug::InitModule();
  volumes_.Mount("/");
  QRN55Service::UseFilePort(&volumes_);
  QRN55Interface::InitModule();
}

void QRN55BackendTest::TearDown() {
  // The units take whole groups of 4 frames only.
  for (const auto& unit : units_) EXPECT_EQ(unit->RefusedTransfers(), std::vector<std::string>{});
  QRN55Interface::Shutdown();
  QRN55Interface::Configuration = QRN55Interface::kRealConfiguration;
  QRN55Service::UseFilePort(nullptr);
  ZRVDebug::InitModule();
  ZRVDebug::InterfaceActivateLogging = ZRVDebug::NoActivateLogging;
  Alert::ClearAnswers();
  TermIO::InitModule();
  Shell::List = nullptr;
  Buffer::Shutdown();
  scratch_->TearDown();
}

QRN55SimUnit* QRN55BackendTest::Plug(QRN55SimUnitConfig config, const std::string& suffix) {
  units_.push_back(std::make_unique<QRN55SimUnit>(std::move(config)));
  QRN55SimUnit* unit = units_.back().get();
  volumes_.Mount(QRN55DeviceManager::VolumePrefix() + suffix, unit);
  return unit;
}

std::vector<QRN55SimUnit*> QRN55BackendTest::PlugDevice(const std::string& serial, int units) {
  std::vector<QRN55SimUnit*> plugged;
  for (int index = 0; index < units; ++index) {
    plugged.push_back(
        Plug(SimUnitConfig(serial, units, index), " " + serial + "-" + std::to_string(index)));
  }
  return plugged;
}

void QRN55BackendTest::Switch(const std::string& name, const std::string& line) {
  std::ofstream(scratch_->Path(name)) << line << "\n";
  QRN55Interface::Shutdown();
  QRN55Interface::InitModule();
}

std::vector<std::string> QRN55BackendTest::ConsoleLines() const {
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

QRN55FuseVolumes::QRN55FuseVolumes() {
  const char* root = std::getenv(QRN55DeviceManager::kVolumeRootVariable);
  hadRoot_ = root != nullptr;
  if (hadRoot_) savedRoot_ = root;
  char pattern[] = "/tmp/mereth-qrn55if-volumes-XXXXXX";
  if (mkdtemp(pattern) != nullptr) root_ = pattern;
  setenv(QRN55DeviceManager::kVolumeRootVariable, root_.c_str(), 1);
}

QRN55FuseVolumes::~QRN55FuseVolumes() {
  // The units take whole groups of 4 frames only.
  for (const auto& unit : units_) EXPECT_EQ(unit->RefusedTransfers(), std::vector<std::string>{});
  while (!volumes_.empty()) volumes_.pop_back();
  for (auto directory = directories_.rbegin(); directory != directories_.rend(); ++directory) {
    rmdir(directory->c_str());
  }
  if (!root_.empty()) rmdir(root_.c_str());
  if (hadRoot_) {
    setenv(QRN55DeviceManager::kVolumeRootVariable, savedRoot_.c_str(), 1);
  } else {
    unsetenv(QRN55DeviceManager::kVolumeRootVariable);
  }
}

QRN55SimUnit* QRN55FuseVolumes::Plug(QRN55SimUnitConfig config, const std::string& suffix,
                                     std::string& reason) {
  if (root_.empty()) {
    reason = "no folder for the volumes";
    return nullptr;
  }
  const std::string path = QRN55DeviceManager::VolumePrefix() + suffix;
  if (mkdir(path.c_str(), 0755) != 0) {
    reason = "cannot make " + path;
    return nullptr;
  }
  directories_.push_back(path);
  units_.push_back(std::make_unique<QRN55SimUnit>(std::move(config)));
  auto volume = std::make_unique<QRN55SimFuseVolume>(*units_.back());
  if (!volume->Mount(path, reason)) return nullptr;
  volumes_.push_back(std::move(volume));
  return units_.back().get();
}
