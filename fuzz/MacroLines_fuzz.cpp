// libFuzzer target: macro lines read in both naming modes, keys decoded
// from any position, help references and both conversions, over the macro
// fixture's menu and dialog, and the input as a macro file's first line.
// A record must name an item of the dialog or no action; every text must
// end within its array; a line read in plain names and written again must
// name the same item.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>

#include "fuzz/MacroFuzz.h"

namespace {

using MacroFuzz::Check;
using MacrosTools::MacroItem;

bool Terminated(const char* text, std::size_t size) { return std::memchr(text, '\0', size) != nullptr; }

void CheckRecord(const MacroItem& item, bool found) {
  Check(found == (item.Item != 0));
  Check(item.Item >= -2 && item.Item <= MacroFixture::kItems);
  Check(Terminated(item.Name, sizeof item.Name) && Terminated(item.Text, sizeof item.Text));
}

void CheckHeader(const std::string& content) {
  static const std::string path = "/tmp/mereth_macro_fuzz_" + std::to_string(::getpid());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
  IOBytes::FileHandle file;
  char line[256] = "";
  bool convert = false;
  const bool accepted = MacrosTools::LoadMacroHeader(path, MacrosTools::MacrosVersion, false, false, line, file, convert);
  Check(accepted == file.open);
  Check(!convert || accepted);
  Check(Terminated(line, sizeof line));
  IOBytes::Close(file);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  MacroFuzz::Start();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::uint8_t flags = data[0];
  const int start = data[1];
  const std::string line(reinterpret_cast<const char*>(data + 2), size - 2);
  MacEnv::CombinedNames = (flags & 1) != 0;
  MacrosTools::InitModule();

  MacroItem item;
  const bool found = MacrosTools::ExtractMacroItem(line, (flags & 2) != 0, (flags & 4) != 0, item);
  CheckRecord(item, found);
  char text[256] = "";
  MacrosTools::MacroItemToText(item, text);
  Check(Terminated(text, sizeof text));
  if (!MacEnv::CombinedNames && item.Item > 0 && !item.KeyGiven && text[0] != '\0') {
    MacroItem again;
    Check(MacrosTools::ExtractMacroItem(text, true, false, again) && again.Item == item.Item);
  }

  MacrosTools::KeySpec key;
  if (MacrosTools::DecodeKey(line, start, key)) Check(key.code >= 2 && key.code <= 47);

  ModDialogUt::DialogRecord* dialog = nullptr;
  MacroItem reference;
  if (MacrosTools::GetDialogItem(line, start, dialog, reference)) {
    Check(reference.Item == -2 || (dialog != nullptr && reference.Item >= 0 && reference.Item <= dialog->ItemCount));
  }

  char converted[1024] = "";
  std::memcpy(converted, line.data(), std::min(line.size(), sizeof converted - 1));
  MacrosTools::ReplaceIDAndName(converted, (flags & 8) != 0);
  Check(Terminated(converted, sizeof converted));
  MacrosTools::ReplaceNameByID(converted);
  Check(Terminated(converted, sizeof converted));

  if ((flags & 16) != 0) CheckHeader(line);
  return 0;
}
