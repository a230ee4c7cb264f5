// The whole program started as the process entry starts it (Startup::Main
// with Program::Define), headless on the virtual clock, on the simulated
// hardware of a chosen rack file; the test's steps run inside the running
// program, as the operator's would, and the program quits after them.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/tests/Setting_fixture.h"
#include "foundation/tests/TempDirectory_fixture.h"

class MerethTest : public TempDirectoryTest {
 protected:
  MerethTest();
  ~MerethTest() override;
  void SetUp() override;
  void TearDown() override;

  // The rack file MERETH_SIM_RACK names for the next run.
  void UseRack(const std::string& text);
  // Runs the program; steps runs once the main dialog is up, with the
  // test's folder the current one. The program's exit status must be 0.
  void Run(const std::function<void()>& steps);

  // Inside the steps: the main dialog's items as the operator sees them.
  static int ItemValue(int item);
  static bool ItemEnabled(int item);
  static bool EntryEnabled(int item, int entry);
  // Chooses a list entry (0-based) as a popup's final choice does.
  static void Choose(int item, int entry);
  // Runs the item's update procedure.
  static void Update(int item);
  // Presses "Initialize".
  static void Initialize();
  // Inside the steps: a wait of the program while no step is queued ends
  // the scripted input, which asks the program to quit (Initialize's waits
  // do). The modal dialogs of their own loop end at once on that request;
  // this takes it back, so that the dialogs the test queues input for next
  // run.
  static void KeepRunning();
  // The notebook's lines.
  static std::vector<std::string> Notebook();
  // What the alerts showed (stderr of the run).
  const std::string& Alerts() const { return alerts_; }

 private:
  class Session;
  std::unique_ptr<Session> session_;
  std::vector<std::unique_ptr<Setting>> settings_;
  std::string alerts_;
};

// The first line that contains text, or "" when none does.
std::string LineWith(const std::vector<std::string>& lines, const std::string& text);
// Inside the steps: the live scale record and C-fast table, dated (an empty
// date for none), written to the EEPROM of each of the boards
// 0 .. boards - 1.
void WriteRecords(int boards, const char* date);
