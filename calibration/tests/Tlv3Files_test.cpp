// Scale and C-fast files through the load and store commands of a board
// without EEPROM: what a bad file does, and that a store that fails or is
// cut short leaves the old file whole.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "amplifier/T3Auto.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Init.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3ScaleFiles.h"
#include "amplifier/T3Types.h"
#include "calibration/Tlv3Files.h"
#include "dialogs/Alert.h"
#include "dialogs/FileSelect.h"
#include "foundation/GLP.h"
#include "foundation/RealTime.h"
#include "foundation/Strings.h"
#include "foundation/tests/FileSizeLimit_fixture.h"
#include "foundation/tests/TempDirectory_fixture.h"
#include "shell/tests/Session_fixture.h"

namespace {

using Bytes = std::vector<std::byte>;

constexpr char kSerial[] = "123456";
constexpr char kScaleName[] = "SCALE-123456.TLV";
constexpr char kCFastName[] = "CFAST-123456.TLV";

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class FileCommands : public TempDirectoryTest {
 protected:
  class Console : public ConsoleSessionTest {
   public:
    void TestBody() override {}
    using ConsoleSessionTest::SetUp;
    using ConsoleSessionTest::TearDown;
  };
  void SetUp() override {
    TempDirectoryTest::SetUp();
    console_.SetUp();
    RealTime::InitModule();
    GLP::InitModule();
    T3Base::InitModule();
    Strings::Assign(T3Base::SerialNumber, kSerial);
    T3Base::BoardVersion = 'R';
    T3Scale::LoadDefaults();
    T3Types::State.EEPROMKind = 0;
    T3Types::State.Board = 0;
    T3Types::State.Selector = 0;
    Strings::Assign(T3Init::ScaleFileName, Path(kScaleName));
    Strings::Assign(T3Init::CFastFileName, Path(kCFastName));
  }
  void TearDown() override {
    FileSelect::ClearChoices();
    Alert::ClearAnswers();
    GLP::InitModule();
    T3Base::InitModule();
    console_.TearDown();
    TempDirectoryTest::TearDown();
  }

  static Bytes ScaleImage() {
    std::span<std::byte> file;
    EXPECT_TRUE(T3ScaleFiles::ScaleToFile(T3Scale::Scale, file));
    return {file.begin(), file.end()};
  }
  static Bytes CFastImage() {
    std::span<std::byte> file;
    EXPECT_TRUE(T3ScaleFiles::CFastToFile(T3Auto::CFastTable, file));
    return {file.begin(), file.end()};
  }
  void Put(const char* name, const Bytes& bytes) const {
    std::ofstream(Path(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  Bytes Read(const char* name) const {
    std::ifstream in(Path(name), std::ios::binary);
    std::vector<char> chars((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Bytes bytes(chars.size());
    for (std::size_t n = 0; n < chars.size(); ++n) bytes[n] = static_cast<std::byte>(chars[n]);
    return bytes;
  }
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Path(""))) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

 private:
  Console console_;
};

Bytes Resized(Bytes bytes, std::size_t size) {
  bytes.resize(size, std::byte{0});
  return bytes;
}

Bytes WithByte(Bytes bytes, std::size_t at, char value) {
  bytes[at] = static_cast<std::byte>(value);
  return bytes;
}

TEST_F(FileCommands, BadScaleFilesAreRefusedWithTheirReason) {
  const Bytes good = ScaleImage();
  ASSERT_EQ(good.size(), 2330u);
  Strings::Assign(T3Base::SerialNumber, "654321");
  const Bytes otherSerial = ScaleImage();
  T3Base::SerialNumber[0] = 0;
  T3Scale::Scale.BoardLetter = 'Q';
  const Bytes otherLetter = ScaleImage();
  Strings::Assign(T3Base::SerialNumber, kSerial);
  T3Scale::LoadDefaults();
  const std::string lengthMismatch = "This is not a SCALE file (file length mismatch).";
  const struct {
    const char* what;
    Bytes file;
    bool check;
    const char* alert;  // nil: loaded
  } cases[] = {
      {"empty", {}, false, lengthMismatch.c_str()},
      {"281 bytes", Resized(good, 281), false, lengthMismatch.c_str()},
      {"282 bytes", Resized(good, 282), false, lengthMismatch.c_str()},
      {"2,329 bytes", Resized(good, 2329), false, lengthMismatch.c_str()},
      {"2,330 bytes", good, false, nullptr},
      // The header's block counts; what follows it is not read.
      {"10,240 bytes", Resized(good, 10240), false, nullptr},
      {"10,241 bytes", Resized(good, 10241), false, "This is not a SCALE file (file too long): "},
      {"another serial number", otherSerial, false, "The Serial No (654321"},
      {"another board letter", otherLetter, false, "The board version (Q"},
      {"another identification", WithByte(good, 2, 'x'), false, "(wrong file ID)."},
      {"a wrong checksum, checked", WithByte(good, 1000, 7), true, "CRC value of SCALE file is incorrect."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Put(kScaleName, c.file);
    GLP::Check = c.check;
    testing::internal::CaptureStderr();
    const bool loaded = Tlv3Files::LoadScaleFile();
    const std::string alerts = testing::internal::GetCapturedStderr();
    EXPECT_EQ(loaded, c.alert == nullptr);
    if (c.alert != nullptr) {
      EXPECT_TRUE(Has(alerts, c.alert)) << alerts;
    }
    EXPECT_EQ(Read(kScaleName), c.file);
    GLP::Check = false;
  }
}

TEST_F(FileCommands, BadCFastFilesAreRefusedWithTheirReason) {
  const Bytes good = CFastImage();
  ASSERT_EQ(good.size(), 9510u);
  const std::string lengthMismatch = "This is not a CFAST file (file length mismatch).";
  const struct {
    std::size_t size;
    const char* alert;
  } cases[] = {{9509, lengthMismatch.c_str()}, {9510, nullptr}, {9511, nullptr}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    const Bytes file = Resized(good, c.size);
    Put(kCFastName, file);
    testing::internal::CaptureStderr();
    const bool loaded = Tlv3Files::LoadCFastFile();
    const std::string alerts = testing::internal::GetCapturedStderr();
    EXPECT_EQ(loaded, c.alert == nullptr);
    if (c.alert != nullptr) {
      EXPECT_TRUE(Has(alerts, c.alert)) << alerts;
    }
    EXPECT_EQ(Read(kCFastName), file);
  }
}

TEST_F(FileCommands, AMissingScaleFileFailsWithoutAnAlert) {
  testing::internal::CaptureStderr();
  EXPECT_FALSE(Tlv3Files::LoadScaleFile());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(FileCommands, ALoadedScaleRecordSetsTheReferenceGainTrim) {
  T3Scale::Scale.RefGainTrimDac = 2600;
  Put(kScaleName, ScaleImage());
  T3Types::State.RefGainTrimDac = 0;
  ASSERT_TRUE(Tlv3Files::LoadScaleFile());
  EXPECT_EQ(T3Types::State.RefGainTrimDac, 2600);
}

TEST_F(FileCommands, TheQuestionsNameTheExtendedRange) {
  const struct {
    bool vrefX2;
    bool forced;
    const char* load;
    const char* save;
  } cases[] = {{false, false, "Load the SCALE file from disk?", "Save the modified SCALE file to disk?"},
               {true, false, "Load the Extended SCALE file from disk?", "Save the modified Extended SCALE file to disk?"},
               {false, true, "Load the Extended SCALE file from disk?", "Save the modified Extended SCALE file to disk?"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.load);
    T3Types::State.VrefX2 = c.vrefX2;
    T3Base::ForceVrefX2 = c.forced;
    Alert::PushAnswer(2);
    Alert::PushAnswer(2);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Tlv3Files::AskAndLoadScaleFile());
    EXPECT_FALSE(Tlv3Files::AskAndSaveScaleFile());
    const std::string alerts = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(Has(alerts, c.load)) << alerts;
    EXPECT_TRUE(Has(alerts, c.save)) << alerts;
    EXPECT_FALSE(Has(alerts, "Error")) << alerts;
  }
}

TEST_F(FileCommands, TheChooserCancelledLoadsAndStoresNothing) {
  Put(kScaleName, ScaleImage());
  const Bytes before = Read(kScaleName);
  T3Scale::Scale.ExtGain[1] = 1.1;
  Alert::PushAnswer(1);
  Alert::PushAnswer(1);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(Tlv3Files::AskAndLoadScaleFile());
  EXPECT_FALSE(Tlv3Files::AskAndSaveScaleFile());
  const std::string alerts = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(Has(alerts, "Find \"SCALE-123456.TLV\" to load:")) << alerts;
  EXPECT_FALSE(Has(alerts, "Error")) << alerts;
  EXPECT_EQ(T3Scale::Scale.ExtGain[1], 1.1);
  EXPECT_EQ(Read(kScaleName), before);
}

TEST_F(FileCommands, AStoreCutShortByAFullDiskLeavesTheOldFileAndNoTemporary) {
  Put(kScaleName, ScaleImage());
  const Bytes before = Read(kScaleName);
  T3Scale::Scale.ExtGain[1] = 1.1;
  Alert::PushAnswer(1);
  FileSelect::PushChoice(Path(kScaleName));
  testing::internal::CaptureStderr();
  {
    const FileSizeLimit limit(1000);
    EXPECT_FALSE(Tlv3Files::AskAndSaveScaleFile());
  }
  const std::string alerts = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(Has(alerts, "Error saving SCALE file:")) << alerts;
  EXPECT_FALSE(Has(alerts, "SCALE record saved.")) << alerts;
  EXPECT_EQ(Read(kScaleName), before);
  EXPECT_EQ(Files(), std::vector<std::string>{kScaleName});
}

TEST_F(FileCommands, AStoreKilledAnywhereLeavesTheOldFileOrTheWholeNewOne) {
  const Bytes old = ScaleImage();
  T3Scale::Scale.ExtGain[1] = 1.1;
  const Bytes changed = ScaleImage();
  std::mt19937 random(7);
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE(round);
    Put(kScaleName, old);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (;;) Tlv3Files::SaveScaleFile();
    }
    usleep(std::uniform_int_distribution<useconds_t>(0, 20000)(random));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    const Bytes now = Read(kScaleName);
    EXPECT_TRUE(now == old || now == changed);
  }
}

}  // namespace
