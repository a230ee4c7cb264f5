// Shared by the printing tests of the shell: the printer module set up on
// the graphics fixture, with a scratch folder as the current directory
// (where the print dialog's file chooser saves), and the script steps
// that answer the page-setup, print and file dialogs.
#pragma once

#include <string>

#include "platform/tests/PrintedFiles_fixture.h"
#include "shell/tests/Graphics_fixture.h"

class PrinterTest : public GraphicsTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Queues the answers to Printer::NewJob: the page setup confirmed (when
  // none was accepted yet), the destination chosen and the file named.
  static void AnswerNewJob(bool png, const std::string& name, bool pageSetup = true);
  // NewJob answered so; its result.
  static bool NewJob(bool png, const std::string& name);

  ScratchFolder folder;

 private:
  InFolder* here_ = nullptr;
};
