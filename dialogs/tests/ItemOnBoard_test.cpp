// End to end on a simulated AD/DA board: a number item bound to a measured
// voltage shows it in engineering form, and after a new measurement its own
// redraw touches no other item; the progress dialog runs sweeps one a pass.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "acquisition/ADMeasure.h"
#include "acquisition/ZRV.h"
#include "acquisition/tests/Measurement_fixture.h"
#include "dialogs/IODialog.h"
#include "dialogs/LoopDialog.h"
#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogConfig.h"
#include "dialogs/ModDialogUt.h"
#include "foundation/Strings.h"
#include "platform/UIPlatform.h"
#include "platform/Windows.h"
#include "platform/headless/Headless.h"
#include "shell/Graphics.h"
#include "terminal/ANSITerm.h"

namespace {

using namespace ModDialogUt;

ModDialogUt::DialogRecord gDialog;
std::array<ModDialogUt::DialogItem*, 3> gItems;
double gVolts = 0;

void FillMeter() {
  FillTextField(&gDialog, 1, kFramedNumber, "volts", false, "U = ", 20, 40, 150, 20);
  FillDragField(&gDialog, 1, " V", kEngineering, kDouble, 12, 3, 0, 0, 0, 1, false, 0);
  FillTextField(&gDialog, 2, kFramedText, "label", false, "ADC 0", 200, 40, 80, 20);
}

class ItemOnBoard : public MeasurementBench {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(MeasurementBench::SetUp());
    ASSERT_TRUE(UIPlatform::InitModule(Headless::Ops(), 640, 480));
    Graphics::InitModule();
    ASSERT_TRUE(Graphics::Initialize());
    ASSERT_TRUE(ANSITerm::Initialize());
    ModDialog::InitModule();
    ClearRecord(&gDialog);
    ASSERT_TRUE(InitializeRecord(&gDialog, gItems, true, false, "Meter", "Meter", 3, 12, 2, 40, 200, 300, 80, 0));
    ASSERT_TRUE(ModDialog::Initialize(&gDialog, 0, FillMeter, NoProc, false, true, true, true, false, "Meter"));
    FillProcField(&gDialog, 1, &gVolts, nullptr, nullptr);
    Connect(AnalogCircuit::Gain(0.5));
  }
  void TearDown() override {
    ModDialog::Shutdown(&gDialog);
    Graphics::InitModule();
    Headless::ClearSteps();
    UIPlatform::Shutdown();
    MeasurementBench::TearDown();
  }

  // Drives DAC 0 and measures ADC 0.
  void Measure(double dac) {
    ASSERT_EQ(ZRV::SetDacReal(0, dac), 0);
    gVolts = ADMeasure::SampleMean(0);
  }

  // The number the item shows, in volts, checking its form "U = <n> mV".
  static double ShownMillivolts() {
    const std::string text = gDialog.Items[1]->Text;
    EXPECT_EQ(text.substr(0, 4), "U = ") << text;
    EXPECT_EQ(text.substr(text.size() - 3), " mV") << text;
    return std::strtod(text.c_str() + 4, nullptr);
  }
};

INSTANTIATE_TEST_SUITE_P(Boards, ItemOnBoard, ::testing::Values(ZRVBase::BoardZRV28, ZRVBase::BoardQRN55),
                         BoardName);

TEST_P(ItemOnBoard, AMeasuredVoltageShowsInEngineeringFormAndRedrawsAlone) {
  Measure(0.1);
  ModDialog::Update(&gDialog);
  EXPECT_NEAR(ShownMillivolts(), 50.0, 0.5);
  const Surface::Pixels before = Windows::PixelsOf(gDialog.MacWindow);
  Measure(-0.5);
  ModDialog::UpdateItem(&gDialog, 1);
  EXPECT_NEAR(ShownMillivolts(), -250.0, 1.0);
  const Surface::Pixels& after = Windows::PixelsOf(gDialog.MacWindow);
  const Geometry::Rect area = Geometry::InsetRect(gDialog.Items[1]->Rect, -1, -1);
  int changed = 0;
  for (int v = 0; v < after.Height(); ++v) {
    for (int h = 0; h < after.Width(); ++h) {
      if (before.At(h, v) == after.At(h, v)) continue;
      ++changed;
      EXPECT_TRUE(Geometry::PtInRect(Geometry::Point{h, v}, area)) << h << "," << v;
    }
  }
  EXPECT_GT(changed, 0);
}

// Reconfigured to engineering form with five digits in the configuration
// dialog, stored and opened again from its layout file: the next
// measurement shows in the new form.
TEST_P(ItemOnBoard, AReconfiguredNumberKeepsItsFormThroughItsLayoutFile) {
  char folder[] = "/tmp/item_on_board_XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  Strings::Assign(IODialog::DiaFilesPath, std::string(folder) + "/");
  gDialog.Items[1]->NumberFormat = kFixed;
  Measure(0.1);
  ModDialog::Update(&gDialog);
  EXPECT_EQ(std::string(gDialog.Items[1]->Text).substr(0, 4), "U = ");
  EXPECT_EQ(std::string(gDialog.Items[1]->Text).find("mV"), std::string::npos) << gDialog.Items[1]->Text;

  ModDialogConfig::InitModule();
  ModDialogConfig::ConfigureDialog(&gDialog, 1, nullptr);
  DialogRecord* config = &ModDialogConfig::ConfigDialog;
  ModDialog::Execute(config, ModDialogConfig::kFirstFormatItem + kEngineering);
  *static_cast<std::int32_t*>(config->Items[ModDialogConfig::kDigitsItem]->Value) = 5;
  ModDialog::Execute(config, ModDialogConfig::kDoneItem);
  gDialog.Storable = true;
  ASSERT_TRUE(IODialog::Store(&gDialog, ""));
  ModDialogConfig::Shutdown();
  ModDialog::Shutdown(&gDialog);

  ClearRecord(&gDialog);
  ASSERT_TRUE(InitializeRecord(&gDialog, gItems, true, true, "Meter", "Meter", 3, 12, 2, 40, 200, 300, 80, 0));
  ASSERT_TRUE(ModDialog::Initialize(&gDialog, 0, FillMeter, NoProc, true, true, true, true, false, "Meter"));
  FillProcField(&gDialog, 1, &gVolts, nullptr, nullptr);
  EXPECT_EQ(gDialog.Items[1]->NumberFormat, kEngineering);
  EXPECT_EQ(gDialog.Items[1]->Digits, 5);
  Measure(-0.2);
  ModDialog::Update(&gDialog);
  EXPECT_NEAR(ShownMillivolts(), -100.0, 0.5) << gDialog.Items[1]->Text << " " << gVolts;
  std::filesystem::remove_all(folder);
}

// ---- The progress dialog over sweeps on the board ------------------------------------

constexpr int kSweeps = 200;
constexpr int kSweepSamples = 64;
int sweeps = 0;
bool sweepFailed = false;

bool StartSweeps() {
  sweeps = 0;
  sweepFailed = false;
  return true;
}
void NoStop() {}
bool AgreeToAbort() { return true; }
bool AllSwept() { return sweeps >= kSweeps; }
// One sweep a pass: the dialog stays responsive between them.
void Sweep() {
  if (sweeps >= kSweeps) return;
  std::array<std::int16_t, kSweepSamples> stimulus{};
  std::array<std::int16_t, kSweepSamples> data{};
  double interval = 1e-4;
  sweepFailed = sweepFailed || !ZRV::StimAndSample(0, 0, interval, stimulus, data, kSweepSamples);
  ++sweeps;
}

bool RunSweeps(bool& aborted) {
  LoopDialog::InitModule();
  return LoopDialog::Show("Sweeps", StartSweeps, NoStop, AgreeToAbort, AllSwept, Sweep, "sweeping", "idle", "",
                          "Abort", "ready", "running", aborted, false);
}

TEST_P(ItemOnBoard, AProgressDialogRunsOneSweepAPassToTheEndOrItsAbort) {
  bool aborted = true;
  ASSERT_TRUE(RunSweeps(aborted));
  EXPECT_FALSE(aborted);
  EXPECT_EQ(sweeps, kSweeps);
  EXPECT_FALSE(sweepFailed);

  Headless::RunScript("wait 1\nkey escape\n");
  ASSERT_TRUE(RunSweeps(aborted));
  EXPECT_TRUE(aborted);
  EXPECT_GT(sweeps, 0);
  EXPECT_LT(sweeps, kSweeps);
  EXPECT_FALSE(sweepFailed);
  // Nothing was left running: the board sweeps again.
  std::array<std::int16_t, kSweepSamples> data{};
  double interval = 1e-4;
  EXPECT_TRUE(ZRV::StimAndSample(0, 0, interval, data, data, kSweepSamples));
}

}  // namespace
