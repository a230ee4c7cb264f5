// Shared by the macro and help tests: a console session with the graphics,
// terminal and dialog modules and the fixture's menu and dialog, in either
// naming mode.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dialogs/ModDialogUt.h"
#include "shell/tests/MacroFixtureDialog.h"
#include "shell/tests/Session_fixture.h"

class MacroDialogsTest : public ConsoleSessionTest {
 public:
  using Item = MacroFixture::Item;
  static constexpr int kGain = MacroFixture::kGain, kRs = MacroFixture::kRs, kCount = MacroFixture::kCount,
                       kShort = MacroFixture::kShort, kBoxes = MacroFixture::kBoxes, kEnabled = MacroFixture::kEnabled,
                       kMode = MacroFixture::kMode, kLabel = MacroFixture::kLabel, kRun = MacroFixture::kRun,
                       kLetter = MacroFixture::kLetter, kItems = MacroFixture::kItems;

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
  MacroFixture::Variables values_;
  double& gain_ = values_.gain;
  float& rs_ = values_.rs;
  std::int32_t& count_ = values_.count;
  std::int16_t& short_ = values_.shortValue;
  std::uint16_t& boxes_ = values_.boxes;
  std::uint8_t& enabled_ = values_.enabled;
  std::uint8_t& mode_ = values_.mode;
  char (&label_)[41] = values_.label;
  std::uint8_t& letter_ = values_.letter;

  // How often each item's procedure and each menu item ran.
  static inline int runs_[kItems + 1] = {};
  static inline int menuRuns_[4] = {};
  std::string folder_;
};
