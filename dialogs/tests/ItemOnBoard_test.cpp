// End to end: a number item bound to a voltage measured on a simulated AD/DA
// board shows it in engineering form, and after a new measurement its own
// redraw touches no other item.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <functional>
#include <string>

#include "acquisition/ADMeasure.h"
#include "acquisition/ZRV.h"
#include "acquisition/tests/Measurement_fixture.h"
#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogUt.h"
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

}  // namespace
