// The AD/DA layer over the stand-in board library: the module started as the
// program starts it, on the virtual clock, with a folder of its own for the
// feature switches.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "acquisition/ZRV.h"
#include "acquisition/tests/ZRVStandIn_fixture.h"

class ZRVBoard : public ZRVStandIn {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A feature switch file with the text as its first line.
  void PutSwitch(const std::string& name, const std::string& text = "1") const;
  static std::string ErrorText();

 private:
  std::string dir_;
  std::string savedCwd_;
  std::string savedDefaultDir_;
};

// n samples of a ramp from first in steps of step.
std::vector<std::int16_t> Ramp(std::int32_t n, std::int32_t first, std::int32_t step);
