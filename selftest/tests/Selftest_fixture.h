#pragma once

// A console (notebook capture and a temporary directory) with the self-test
// modules freshly initialised: software version 2.3, test output on, the
// clock frozen at one date in UTC, a QRN 5+5 interface ('R' board, no
// options) with the AD/DA layer closed.

#include <string>

#include "foundation/tests/Console_fixture.h"

class SelftestTest : public ConsoleTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The notebook's records joined by line feeds, each ended by one; the
  // console's pending line is stored first.
  std::string Notebook() const;
  // A file of selftest/tests/data.
  static std::string DataFile(const std::string& name);
  static std::string ReadWhole(const std::string& path);

 private:
  std::string savedTz_;
  bool hadTz_ = false;
};
