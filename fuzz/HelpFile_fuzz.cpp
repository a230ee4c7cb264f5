// libFuzzer target: help files loaded over the macro fixture's dialog in
// both naming modes. Every tip read must carry its texts and a size within
// the window's limits, and every item's tip number must name a tip.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <unistd.h>

#include "fuzz/MacroFuzz.h"
#include "shell/HelpDialog.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  MacroFuzz::Start();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using MacroFuzz::Check;
  if (size < 1) return 0;
  MacEnv::CombinedNames = (data[0] & 1) != 0;
  MacrosTools::InitModule();
  static const std::string path = "/tmp/mereth_help_fuzz_" + std::to_string(::getpid());
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data + 1),
                                                                static_cast<std::streamsize>(size - 1));
  HelpDialog::InitModule();
  for (int n = 1; n <= MacroFuzz::dialog.ItemCount; ++n) MacroFuzz::items[n]->HelpIndex = 0;
  const bool loaded = HelpDialog::LoadFile(path);
  Check(loaded == HelpDialog::FileLoaded());
  int tips = 0;
  for (int n = 1; n <= HelpDialog::kMaxTips; ++n) {
    const HelpDialog::TipEntry& tip = HelpDialog::ItemDescr[n];
    if (tip.title == nullptr) break;
    ++tips;
    Check(tip.text != nullptr);
    Check(tip.height >= 28 && tip.height <= 400 && tip.width > 0 && tip.width <= 400);
  }
  Check(loaded == (tips > 0));
  for (int n = 0; n <= MacroFuzz::dialog.ItemCount; ++n) {
    const int index = MacroFuzz::items[n]->HelpIndex;
    Check(index >= 0 && index <= tips);
  }
  HelpDialog::Shutdown();
  return 0;
}
