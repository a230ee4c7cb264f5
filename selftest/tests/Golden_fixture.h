#pragma once

// Golden texts of selftest/tests/golden. With MERETH_UPDATE_GOLDEN set in
// the environment a mismatch rewrites the golden file instead (review the
// difference before committing it).

#include <string>

// TRUE when text equals the golden file's content; adds a failure naming
// the first differing line otherwise.
bool MatchesGolden(const std::string& text, const std::string& name);
