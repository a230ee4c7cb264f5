#include "platform/tests/Golden_fixture.h"

#include "foundation/platform/Clock.h"
#include "platform/Fonts.h"
#include "platform/Png.h"
#include "platform/TextEdit.h"
#include "platform/UIPlatform.h"
#include "platform/headless/Headless.h"

#include <cstdlib>
#include <string>

::testing::AssertionResult MatchesGolden(const Surface::Pixels& actual, const char* name) {
  const std::string golden = std::string(MERETH_GOLDEN_DIR) + "/" + name + ".png";
  const char* update = std::getenv("MERETH_UPDATE_GOLDEN");
  if (update != nullptr && std::string(update) == "1") {
    if (!Png::Save(actual, golden)) return ::testing::AssertionFailure() << "cannot write " << golden;
    return ::testing::AssertionSuccess();
  }
  Surface::Pixels expected;
  if (!Png::Load(golden, expected)) {
    Png::Save(actual, std::string(name) + ".actual.png");
    return ::testing::AssertionFailure() << "no golden " << golden << " (" << Png::ErrorText() << ")";
  }
  if (expected == actual) return ::testing::AssertionSuccess();
  Png::Save(actual, std::string(name) + ".actual.png");
  if (expected.Width() != actual.Width() || expected.Height() != actual.Height()) {
    return ::testing::AssertionFailure() << name << ": size " << actual.Width() << "x" << actual.Height()
                                         << ", golden " << expected.Width() << "x" << expected.Height();
  }
  int differing = 0;
  int firstX = -1;
  int firstY = -1;
  for (int y = 0; y < actual.Height(); ++y) {
    for (int x = 0; x < actual.Width(); ++x) {
      if (actual.At(x, y) == expected.At(x, y)) continue;
      if (differing++ == 0) {
        firstX = x;
        firstY = y;
      }
    }
  }
  return ::testing::AssertionFailure() << name << ": " << differing << " pixels differ, first at (" << firstX
                                       << ", " << firstY << "); see " << name << ".actual.png";
}

void UiTest::SetUp() {
  Platform::UseVirtualClock(1000.0);
  ASSERT_TRUE(UIPlatform::InitModule(Headless::Ops(), 640, 480));
}

void UiTest::TearDown() {
  Headless::ClearSteps();
  UIPlatform::Shutdown();
  Platform::UseRealClock();
}

Canvas::Canvas(int width, int height) : world_(Offscreen::NewWorld(Geometry::SetRect(0, 0, width, height))) {
  EXPECT_TRUE(Fonts::InitModule()) << Fonts::ErrorText();
  Port::SetPort(&world_->port);
}

Canvas::~Canvas() { Offscreen::DisposeWorld(world_); }

int RunModalUntilScriptUsed(Dialogs::ModalFilter filter) {
  int item = -1;
  do {
    Dialogs::ModalDialog(filter, item);
  } while (Headless::PendingSteps() > 0);
  return item;
}

std::string DialogItemText(Dialogs::Dialog* dialog, int item) {
  char text[TextEdit::kMaxLength + 1];
  Dialogs::GetItemText(dialog, item, text);
  return text;
}
