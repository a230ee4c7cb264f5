#include "Golden_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

bool MatchesGolden(const std::string& text, const std::string& name) {
  const std::string path = std::string(SELFTEST_GOLDEN_DIR) + "/" + name;
  std::ifstream in(path, std::ios::binary);
  std::stringstream golden;
  golden << in.rdbuf();
  if (golden.str() == text) return true;
  if (std::getenv("MERETH_UPDATE_GOLDEN") != nullptr) {
    std::ofstream(path, std::ios::binary) << text;
    return true;
  }
  std::istringstream expected(golden.str());
  std::istringstream actual(text);
  std::string e;
  std::string a;
  for (int line = 1;; ++line) {
    const bool moreExpected = static_cast<bool>(std::getline(expected, e));
    const bool moreActual = static_cast<bool>(std::getline(actual, a));
    if (!moreExpected && !moreActual) break;
    if (!moreExpected || !moreActual || e != a) {
      ADD_FAILURE() << name << " differs at line " << line << ":\n  golden: \"" << e
                    << "\"\n  actual: \"" << a << "\"";
      return false;
    }
  }
  ADD_FAILURE() << name << " differs in its line ends";
  return false;
}
