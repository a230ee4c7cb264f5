#include "calibration/tests/Mereth_fixture.h"

#include <filesystem>

#include "amplifier/T3EEPROM.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Scale.h"
#include "calibration/Program.h"
#include "calibration/Tlv3Base.h"
#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogTools.h"
#include "dialogs/ModDialogUt.h"
#include "foundation/BufferText.h"
#include "foundation/IOFiles.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "platform/headless/Headless.h"
#include "shell/MacEnv.h"
#include "shell/Shell.h"
#include "shell/Startup.h"
#include "shell/tests/Session_fixture.h"

// The shell tests' headless session, borrowed whole.
class MerethTest::Session : public SessionTest {
 public:
  void TestBody() override {}
  using SessionTest::SetUp;
  using SessionTest::TearDown;
};

namespace {

std::function<void()> pendingSteps;
std::string testFolder;

// The quit comes only after the steps: a quit request pending while an
// alert waits would answer it.
void RunSteps(void*) {
  // The program starts in its own folder; the test's files are in the
  // test's.
  IOFiles::SetDirectory(Text(testFolder));
  pendingSteps();
  pendingSteps = nullptr;
  Headless::Wait(1.0);
  Headless::Quit();
}

ModDialogUt::DialogItem* Item(int item) { return ModDialogUt::ItemOf(&Tlv3Base::Dialog, item); }

}  // namespace

MerethTest::MerethTest() = default;
MerethTest::~MerethTest() = default;

void MerethTest::SetUp() {
  TempDirectoryTest::SetUp();
  std::filesystem::create_directories(Path("volumes"));
  settings_.push_back(std::make_unique<Setting>("MERETH_SIM_STATE", Path("state").c_str()));
  settings_.push_back(std::make_unique<Setting>("MERETH_SIM_RACK", nullptr));
  settings_.push_back(std::make_unique<Setting>("MERETH_QRN55_VOLUMES", Path("volumes").c_str()));
  settings_.push_back(std::make_unique<Setting>("MERETH_ZRV_LIBRARY", MERETH_ZRV_STANDIN));
  settings_.push_back(std::make_unique<Setting>("MERETH_TLV6_PORT", "sim"));
  session_ = std::make_unique<Session>();
  session_->SetUp();
}

void MerethTest::TearDown() {
  session_->TearDown();
  settings_.clear();
  TempDirectoryTest::TearDown();
}

void MerethTest::UseRack(const std::string& text) {
  PutFile("rack.txt", text);
  settings_.push_back(std::make_unique<Setting>("MERETH_SIM_RACK", Path("rack.txt").c_str()));
}

void MerethTest::Run(const std::function<void()>& steps) {
  pendingSteps = steps;
  testFolder = Dir();
  // What an earlier run left when it ended by itself.
  Headless::ClearSteps();
  Headless::Wait(2.0);
  Headless::Call(RunSteps, nullptr);
  MacEnv::Terminated = false;
  MacEnv::RegisterProgram(Program::Define);
  char name[] = "mereth";
  char* argv[] = {name, nullptr};
  char* envp[] = {nullptr};
  testing::internal::CaptureStderr();
  const int status = Startup::Main(1, argv, envp);
  alerts_ = testing::internal::GetCapturedStderr();
  MacEnv::RegisterProgram(nullptr);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(pendingSteps, nullptr) << "the steps never ran";
}

int MerethTest::ItemValue(int item) { return *static_cast<std::uint8_t*>(Item(item)->Value); }

bool MerethTest::ItemEnabled(int item) { return Item(item)->Enabled; }

bool MerethTest::EntryEnabled(int item, int entry) {
  return ModDialogUt::ItemEnabled(&Tlv3Base::Dialog, item, entry);
}

void MerethTest::Choose(int item, int entry) {
  *static_cast<std::uint8_t*>(Item(item)->Value) = static_cast<std::uint8_t>(entry);
  const int mode = ModDialogTools::ActiveSelectionMode;
  ModDialogTools::ActiveSelectionMode = 3;
  Item(item)->ExecuteProc();
  ModDialogTools::ActiveSelectionMode = mode;
}

void MerethTest::Update(int item) { Item(item)->UpdateProc(); }

void MerethTest::Initialize() { Item(4)->ExecuteProc(); }

void MerethTest::KeepRunning() { MacEnv::Terminated = false; }

std::vector<std::string> MerethTest::Notebook() {
  TermIO::Flush();
  std::vector<std::string> lines;
  for (std::int32_t n = 1; n <= BufferText::RecordCount(Shell::List); ++n) {
    char text[512] = {};
    BufferText::Get(Shell::List, n, text);
    lines.emplace_back(text);
  }
  return lines;
}

std::string LineWith(const std::vector<std::string>& lines, const std::string& text) {
  for (const std::string& line : lines) {
    if (line.find(text) != std::string::npos) return line;
  }
  return {};
}

void WriteRecords(int boards, const char* date) {
  for (int board = 0; board < boards; ++board) {
    T3Panel::SetT3Board(board);
    Strings::Assign(T3Scale::Scale.CalibDate, std::string_view(date));
    std::string message;
    ASSERT_TRUE(T3EEPROM::WriteScale(message)) << message;
    ASSERT_TRUE(T3EEPROM::WriteCFast(message)) << message;
  }
}
