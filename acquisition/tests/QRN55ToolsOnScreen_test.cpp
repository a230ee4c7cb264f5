// The tools with their boxes drawn on the headless screen: joining two
// simulated units answered by clicks on the drawn buttons, and the FPGA
// upload choosing its file in the file chooser over a folder of its own.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "acquisition/QRN55Tools.h"
#include "acquisition/QrnLattice.h"
#include "acquisition/tests/QRN55Tools_fixture.h"
#include "dialogs/DialogUtils.h"
#include "foundation/platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/FileChooser.h"
#include "platform/Resources.h"
#include "platform/TextEdit.h"
#include "platform/UIPlatform.h"
#include "platform/headless/Headless.h"

namespace {

// The choice box's message and its third button ("OK", "Continue").
constexpr int kChoiceMessageItem = 5;
constexpr int kThirdButtonItem = 4;

class OnScreenTest : public QRN55ToolsTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(QRN55ToolsTest::SetUp());
    ASSERT_TRUE(UIPlatform::InitModule(Headless::Ops(), 640, 480));
    DialogUtils::InitModule();
  }

  void TearDown() override {
    Headless::ClearSteps();
    UIPlatform::Shutdown();
    QRN55ToolsTest::TearDown();
  }

  // A step that notes the front box's message, then a click on its third
  // button.
  void AnswerThirdButton() {
    Headless::Call(
        [](void* user) {
          char text[TextEdit::kMaxLength + 1] = "";
          Dialogs::GetItemText(Dialogs::FrontDialog(), kChoiceMessageItem, text);
          static_cast<std::vector<std::string>*>(user)->push_back(text);
        },
        &boxes_);
    Headless::ClickItem(kThirdButtonItem);
  }

  std::vector<std::string> boxes_;
};

bool StartsWith(const std::string& text, const char* start) { return text.rfind(start, 0) == 0; }

TEST_F(OnScreenTest, JoiningTwoUnitsShowsItsBoxesAnsweredByClicks) {
  QRN55SimUnit* master = Plug(SingleUnit("111111"), " M");
  QRN55SimUnit* slave = Plug(SingleUnit("222222"), " S");
  slave->Unplug();
  const double start = Platform::ElapsedSeconds();
  beforeScan = [slave, start] {
    if (Platform::ElapsedSeconds() - start >= 2.5) slave->Plug();
  };
  for (int box = 0; box < 3; ++box) AnswerThirdButton();
  bool cancelled = true;
  ASSERT_TRUE(QRN55Tools::DoJoinUnits(cancelled, false)) << Str(QRN55Tools::ErrorMessage);
  EXPECT_FALSE(cancelled);
  ASSERT_EQ(boxes_.size(), 3u);
  EXPECT_TRUE(StartsWith(boxes_[0], "Connect both units to the USB input")) << boxes_[0];
  EXPECT_TRUE(StartsWith(boxes_[1], "Master unit identified and on-line.")) << boxes_[1];
  EXPECT_TRUE(StartsWith(boxes_[2], "Now, power both units off")) << boxes_[2];
  EXPECT_EQ(SerialOf(StoredRecord(*master)), Serial("111111", 7, 1));
  EXPECT_EQ(SerialOf(StoredRecord(*slave)), Serial("222222", 7, 2));
}

TEST_F(OnScreenTest, TheFpgaUploadChoosesItsFileInTheChooserAndIsRefused) {
  for (const char* name : {"Board.TLV", "notes.txt", "Old.tlv"}) std::ofstream(Path(name)) << "x";
  // Entries: state/, then the files "*.TLV" lets through: Board.TLV, Old.tlv.
  const Resources::DialogTemplate* t = Resources::GetDialog(FileChooser::kDialogID);
  const Geometry::Rect list = t->items[FileChooser::kListItem - 1].rect;
  Headless::Click(Geometry::Point{t->bounds.left + list.left + 20,
                                  t->bounds.top + list.top + 1 + 2 * FileChooser::kRowHeight + 8});
  Headless::ClickItem(FileChooser::kChooseItem);
  testing::internal::CaptureStderr();
  QrnLattice::GetAndUploadFPGA();
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("Select FPGA File: (*.TLV) -> " + Path("Old.tlv")), std::string::npos) << said;
  EXPECT_NE(said.find("Function requires \"Windows\"."), std::string::npos) << said;
  for (const std::string& line : ConsoleLines()) EXPECT_EQ(line.find("FPGA uploaded"), std::string::npos) << line;
}

}  // namespace
