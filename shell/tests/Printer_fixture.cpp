#include "shell/tests/Printer_fixture.h"

#include <filesystem>
#include <string_view>

#include "dialogs/Alert.h"
#include "dialogs/DialogUtils.h"
#include "platform/Beep.h"
#include "platform/Printing.h"
#include "platform/headless/Headless.h"
#include "shell/Mouse.h"
#include "shell/Printer.h"

void PrinterTest::SetUp() {
  GraphicsTest::SetUp();
  here_ = new InFolder(folder.Path());
  Printing::ClearFailures();
  Alert::ClearAnswers();
  DialogUtils::InitModule();
  Mouse::Initialize();
  Printer::Initialize();
  Beep::ResetCount();
}

void PrinterTest::TearDown() {
  Printer::Shutdown();
  Printing::ClearFailures();
  delete here_;
  GraphicsTest::TearDown();
}

void PrinterTest::AnswerNewJob(bool png, const std::string& name, bool pageSetup) {
  std::string script = pageSetup ? "item 1\n" : "";
  script += png ? "item 5\nitem 1\n" : "item 4\nitem 1\n";
  // The chooser's name field holds the proposed name, all selected.
  script += "type " + name + "\nitem 1\n";
  // An existing file is replaced only when the chooser's alert agrees.
  if (std::filesystem::exists(name)) script += "item 2\n";
  ASSERT_TRUE(Headless::RunScript(std::string_view(script))) << Headless::ErrorLine();
}

bool PrinterTest::NewJob(bool png, const std::string& name) {
  const bool pageSetup = Printer::MainJob == nullptr || !Printer::MainJob->pageSetupAccepted;
  AnswerNewJob(png, name, pageSetup);
  return Printer::NewJob();
}
