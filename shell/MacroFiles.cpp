// MacrosTools: macro files (the header, key files) and their conversion
// to combined names.
#include <algorithm>
#include <cstdint>
#include <string_view>

#include "dialogs/Alert.h"
#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogTools.h"
#include "foundation/Decode.h"
#include "foundation/EncodeNext.h"
#include "foundation/FileReplace.h"
#include "foundation/IOBase.h"
#include "foundation/IOFiles.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "shell/MacEnv.h"
#include "shell/MacrosTools.h"
#include "shell/ModMenus.h"

namespace MacrosTools {

namespace {

constexpr char kMagic[] = "MACRO-FILE";
constexpr int kMagicLength = 10;
constexpr int kFileNotFound = -43;
constexpr int kKeyLineSize = 256;
constexpr int kConvertLineSize = 1024;
constexpr int kMessageSize = 512;

void ReportReadError(std::span<const char> name, bool alert, bool showOnTerminal) {
  const int error = IOFiles::GetError();
  char reason[128] = "";
  IOFiles::Message(error, reason);
  char message[kMessageSize] = "Error reading '";
  Strings::Concat(message, name);
  Strings::Concat(message, "':  ");
  Strings::Concat(message, reason);
  if (showOnTerminal || error != kFileNotFound) TermIO::WriteLine(message);
  if (alert || error != kFileNotFound) Alert::OK(message);
}

// The version of a first line; FALSE when no number stands there or a
// character other than ";" or a blank follows it.
bool ReadVersion(std::span<const char> line, std::int32_t& version) {
  int pos = kMagicLength;
  if (!EncodeNext::Integer(line, pos, version)) return false;
  const char next = pos < Strings::Length(line) ? line[static_cast<std::size_t>(pos)] : '\0';
  return next == '\0' || next == ';' || next == ' ';
}

bool AcceptConflict(std::span<const char> line, int required) {
  char message[kMessageSize] = "Version conflict in Macro file: ";
  Strings::Concat(message, Alert::LF);
  Strings::Concat(message, "   required: ");
  Decode::Integer(required, message, 0);
  Strings::Concat(message, Alert::LF);
  Strings::Concat(message, "   in file: \"");
  if (Strings::Length(line) > kMagicLength) Strings::Concat(message, line.subspan(kMagicLength));
  Strings::Concat(message, "\"");
  return Alert::Choice(message, "Load anyway", "", "Cancel", 3) == 1;
}

// A key file line takes a key (or a function key of a menu item) and no
// other action.
bool AssignsKeyOnly(std::span<const char> line) {
  MacroItem item;
  return !ExtractMacroItem(line, true, false, item) || item.KeyGiven;
}

std::size_t SkipBlanks(std::string_view text, std::size_t at) {
  while (at < text.size() && text[at] == ' ') ++at;
  return at;
}

// The item token of a line to convert: quoted (blanks and ";" inside) or
// up to a blank, ";" or the end. at moves behind it.
std::string_view ConvertedItemToken(std::string_view text, std::size_t& at) {
  if (at < text.size() && text[at] == '"') {
    const std::size_t close = text.find('"', at + 1);
    const std::size_t end = close == std::string_view::npos ? text.size() : close;
    const std::string_view token = text.substr(at + 1, end - at - 1);
    at = close == std::string_view::npos ? text.size() : close + 1;
    return token;
  }
  const std::size_t start = at;
  while (at < text.size() && text[at] != ' ' && text[at] != ';') ++at;
  return text.substr(start, at - start);
}

bool OpenOutput(std::span<const char> name, std::span<const char> extension, FileReplace::Replacement& output) {
  char outputName[kConvertLineSize] = "";
  Strings::Assign(outputName, name);
  const std::string_view text(outputName, static_cast<std::size_t>(Strings::Length(outputName)));
  const std::size_t dot = text.rfind('.');
  const std::size_t slash = text.rfind('/');
  if (dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash)) outputName[dot] = '\0';
  Strings::Concat(outputName, "_");
  Decode::Integer(MacrosVersion, outputName, 0);
  Strings::Concat(outputName, extension);
  return FileReplace::Begin(outputName, nullptr, output);
}

}  // namespace

bool LoadMacroHeader(std::span<const char> name, int requiredVersion, bool alert, bool showOnTerminal,
                     std::span<char> line, IOBytes::FileHandle& file, bool& convert) {
  convert = false;
  Strings::Clear(line);
  std::int32_t count = static_cast<std::int32_t>(line.size()) - 1;
  if (!IOBytes::Open(name, nullptr, IOBytes::ModeRead, file) || !IOBytes::ReadLine(file, count, line)) {
    ReportReadError(name, alert, showOnTerminal);
    IOBytes::Close(file);
    return false;
  }
  if (Strings::Comp(line, kMagic, 0, 0, kMagicLength, kMagicLength, false) != 0 ||
      Strings::Length(line) < kMagicLength) {
    if (alert) {
      char message[kMessageSize] = "Not a macro file: \"";
      Strings::Concat(message, name);
      Strings::Concat(message, "\".");
      Alert::OK(message);
    }
    IOBytes::Close(file);
    return false;
  }
  std::int32_t version = 0;
  const bool read = ReadVersion(line, version);
  if (read && version == requiredVersion) return true;
  if (read && version == kPlainVersion && MacEnv::CombinedNames) {
    convert = true;
    return true;
  }
  if (AcceptConflict(line, requiredVersion)) return true;
  IOBytes::Close(file);
  return false;
}

bool LoadKeys(std::span<const char> name, std::span<int> keys, bool alert) {
  IOBytes::FileHandle file;
  char line[kKeyLineSize] = "";
  bool convert = false;
  if (!LoadMacroHeader(name, MacrosVersion, alert, true, line, file, convert)) return false;
  std::fill(std::begin(TempFKeys), std::end(TempFKeys), 0);
  for (;;) {
    std::int32_t count = kKeyLineSize - 1;
    if (!IOBytes::ReadLine(file, count, line)) break;
    if (Strings::Length(line) == 0) continue;
    if (convert) ReplaceIDAndName(line, false);
    if (line[0] != ';' && !AssignsKeyOnly(line)) {
      TermIO::WriteString(" ## Not a key assignment, not executed: ");
      TermIO::WriteString(line);
      TermIO::WriteLine(" ## ");
      break;
    }
    if (!ExecuteKeyString(line)) break;
  }
  IOBytes::Close(file);
  const std::size_t copied = std::min<std::size_t>(keys.size(), kFKeyCount);
  std::copy_n(std::begin(TempFKeys), copied, keys.begin());
  return true;
}

bool TransformFile(std::span<const char> name, std::span<const char> extension, bool keepIndent) {
  IOBytes::FileHandle input;
  if (!IOBytes::Open(name, nullptr, IOBytes::ModeRead, input)) {
    Alert::IOError("Opening input file:");
    return false;
  }
  FileReplace::Replacement output;
  if (!OpenOutput(name, extension, output)) {
    Alert::IOError("Opening output file:");
    IOBytes::Close(input);
    return false;
  }
  char line[kConvertLineSize] = "";
  bool written = true;
  for (;;) {
    std::int32_t count = kConvertLineSize - 1;
    if (!IOBytes::ReadLine(input, count, line)) break;
    if (Strings::Length(line) > 0) ReplaceIDAndName(line, keepIndent);
    std::int32_t length = Strings::Length(line);
    if (!IOBytes::WriteLine(output.handle, length, line)) {
      written = false;
      break;
    }
  }
  IOBytes::Close(input);
  written = written && FileReplace::Commit(output);
  if (!written) Alert::IOError("Writing output file:");
  return written;
}

void ReplaceIDAndName(std::span<char> line, bool keepIndent) {
  const std::string_view text(line.data(), static_cast<std::size_t>(Strings::Length(line)));
  const std::size_t indent = SkipBlanks(text, 0);
  if (indent >= text.size() || text[indent] == ';') return;
  std::size_t at = indent;
  const bool menu = text[at] == '@';
  if (menu) at = SkipBlanks(text, at + 1);
  const std::size_t wordStart = at;
  while (at < text.size() && text[at] != ' ') ++at;
  char word[ModDialogUt::kNameSize] = "";
  Strings::Assign(word, text.substr(wordStart, std::min<std::size_t>(at - wordStart, ModDialogUt::kNameSize - 1)));
  at = SkipBlanks(text, at);
  const std::string_view itemToken = ConvertedItemToken(text, at);
  char item[ModDialogUt::kNameSize] = "";
  Strings::Assign(item, itemToken.substr(0, ModDialogUt::kNameSize - 1));
  char head[ModDialogUt::kNameSize * 2 + 1] = "";
  if (menu) {
    if (Strings::SearchCap(word, "TLV", 0) == 0) {
      Strings::Assign(head, "AmplMenu");
    } else {
      ModMenus::MakeMenuName(head, word, true);
    }
    if (Strings::Length(item) > 0) {
      char own[ModDialogUt::kNameSize] = "";
      ModMenus::MakeMenuName(own, item, true);
      Strings::Concat(head, "_");
      Strings::Concat(head, own);
    }
  } else {
    ModDialogUt::DialogRecord* dialog = ModDialogTools::RootDialog.NextDialog;
    while (dialog != nullptr && !Strings::EqualCap(dialog->MacroName, word)) dialog = dialog->NextDialog;
    if (dialog == nullptr || Strings::Length(word) == 0) return;
    Strings::Assign(head, dialog->IDName);
    if (Strings::Length(item) > 0) {
      char own[ModDialogUt::kNameSize] = "";
      ModDialog::MakeDialogName(own, item, true);
      Strings::Concat(head, "_");
      Strings::Concat(head, own);
    }
  }
  char converted[kConvertLineSize] = "";
  if (keepIndent) Strings::Assign(converted, text.substr(0, indent));
  Strings::Concat(converted, head);
  Strings::Concat(converted, text.substr(at));
  Strings::Assign(line, converted);
}

void ReplaceNameByID(std::span<char> line) {
  if (Strings::Length(line) == 0 || line[0] == ';') return;
  static constexpr std::string_view kReplacements[][2] = {
      {"\xCE\xA9", "Ohm"},   {"\xC2\xB5", "u"},   {"AMPLIFIER", "E"}, {"ANALYSIS", "A"}, {"CALCULATOR", "J"},
      {"CONTROL", "N"},      {"MARKERS", "K"},    {"PROTOCOL", "B"},  {"OSCI", "@"},     {"Replay", "R"},
  };
  for (const auto& [from, to] : kReplacements) {
    const int at = Strings::SearchCap(line, from, 0);
    if (at < 0) continue;
    Strings::DelString(line, at, static_cast<int>(from.size()));
    Strings::Insert(line, to, at);
  }
}

}  // namespace MacrosTools
