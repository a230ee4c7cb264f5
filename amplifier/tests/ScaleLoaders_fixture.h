// The application's part of scale and C-fast loading as the tests play it:
// loaders that read the named file from the current folder and record what
// they were asked, and the files written by the program's own writers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "amplifier/T3Scale.h"

struct TestLoader {
  enum Mode { kFromFolder, kClaimsWithoutData };
  Mode mode = kFromFolder;
  std::vector<std::pair<std::string, bool>> calls;  // name, ask
  std::vector<std::byte> bytes;

  std::int32_t Load(std::span<char> name, std::byte*& address, std::int32_t& length, bool ask);
  // The names asked for, " (ask)" after those the operator was to locate.
  std::vector<std::string> Names() const;
};

extern TestLoader scaleLoader;
extern TestLoader cFastLoader;

// T3Init::FileLoaderProc through scaleLoader and cFastLoader.
std::int32_t LoadScale(std::span<char> name, std::byte*& address, std::int32_t& length, bool ask);
std::int32_t LoadCFast(std::span<char> name, std::byte*& address, std::int32_t& length, bool ask);

// The record as a scale file (its serial T3Base::SerialNumber) and the
// table as a C-fast file, in the current folder. FALSE when not written.
bool SaveScaleFile(const std::string& name, T3Scale::ScaleRecord record);
bool SaveCFastFile(const std::string& name, T3Scale::CFastTable table);
