// Shared by the macro and help tests: a console session with the graphics,
// terminal and dialog modules, a File menu, and the dialog "Amplifier"
// (macro ID "E") with an item of every value kind, all taking part in
// macros, in either naming mode.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dialogs/ModDialogUt.h"
#include "shell/tests/Session_fixture.h"

class MacroDialogsTest : public ConsoleSessionTest {
 public:
  // Items of the fixture dialog.
  enum Item { kGain = 1, kRs, kCount, kShort, kBoxes, kEnabled, kMode, kLabel, kRun, kLetter, kItems = kLetter };

  void SetUp() override;
  void TearDown() override;

  // The naming mode, the File menu ("Open", "Save As...", "Close") and the
  // dialog; call once, first.
  void Build(bool combined);
  // The console lines written since SetUp.
  static std::vector<std::string> ConsoleLines();
  // A file of these lines in the test's scratch folder; its path.
  std::string WriteFile(const char* name, const std::string& content) const;

  ModDialogUt::DialogRecord dialog_;
  ModDialogUt::DialogItem* items_[kItems + 1] = {};
  int fileMenu_ = 0;

  // The bound variables.
  double gain_ = 0;  // in V
  float rs_ = 0;     // in Ohm, shown in MOhm
  std::int32_t count_ = 0;
  std::int16_t short_ = 0;
  std::uint16_t boxes_ = 0;
  std::uint8_t enabled_ = 0;
  std::uint8_t mode_ = 0;
  char label_[41] = "";
  std::uint8_t letter_ = 0;

  // How often each item's procedure and each menu item ran.
  static inline int runs_[kItems + 1] = {};
  static inline int menuRuns_[4] = {};
  std::string folder_;
};
