#include "dialogs/IODialog.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

#include "dialogs/Alert.h"
#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogTools.h"
#include "foundation/IOBase.h"
#include "foundation/IOBytes.h"
#include "foundation/IOFiles.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "shell/MacEnv.h"

namespace IODialog {

char DiaFilesPath[kPathSize] = "";

namespace {

using namespace ModDialogUt;

constexpr std::uint8_t kByteOrder = std::endian::native == std::endian::little ? 1 : 0;
// The header length as a machine of the other byte order writes it.
constexpr std::uint32_t kSwappedHeaderSize = static_cast<std::uint32_t>(kHeaderSize) << 8;

// Header offsets.
constexpr int kHeaderTag32 = 80;
constexpr int kHeaderLength = 84;
constexpr int kHeaderRecordSize = 88;
constexpr int kHeaderTag16 = 92;
constexpr int kHeaderOne = 94;
constexpr int kHeaderOrder = 96;
constexpr int kHeaderTwo = 97;
constexpr int kHeaderIconized = 98;
constexpr int kHeaderGrowable = 99;
constexpr int kHeaderFrontOnly = 100;
constexpr int kHeaderCount = 102;
constexpr int kHeaderWindow = 104;
constexpr int kHeaderSaved = 112;

// Item record offsets.
constexpr int kName = 0;
constexpr int kType = 80;
constexpr int kFlags = 81;  // Executable, Visible, Enabled, NoConfig
constexpr int kCommandChar = 85;
constexpr int kCommandKind = 86;
constexpr int kCommandModifiers = 87;
constexpr int kText = 88;
constexpr int kUnit = 168;
constexpr int kIndent = 176;
constexpr int kBaseline = 178;
constexpr int kFont = 180;
constexpr int kSize = 182;
constexpr int kStyle = 185;
constexpr int kJustification = 186;
constexpr int kDarkBack = 187;
constexpr int kNumberFormat = 188;
constexpr int kZeroText = 189;
constexpr int kKeyFrontOnly = 190;
constexpr int kAnyModifier = 191;
constexpr int kPane = 192;
constexpr int kLength = 194;
constexpr int kDigits = 196;
constexpr int kLineSpacing = 198;
constexpr int kBackColor = 200;
constexpr int kFactor = 208;
constexpr int kRect = 216;
constexpr int kTypeArea = 224;
constexpr int kBoxPitch = 232;
constexpr int kTextOffset = 234;
constexpr int kFirstLabel = 236;
constexpr int kGroup = 304;
constexpr int kPaneOwner = 306;
constexpr int kGroupOwner = 308;
constexpr int kDragSize = 40;
static_assert(kTypeArea + kNameSize == kGroup);
static_assert(kGroupOwner + 2 + 2 == kRecordSize);
static_assert(sizeof(DragParameters) == kDragSize);

// ---- One record's bytes, in this machine's byte order ----------------------

class Bytes {
 public:
  explicit Bytes(std::span<std::uint8_t> data) : data_(data) {}

  template <typename T>
  void Put(int offset, T value) {
    std::memcpy(data_.data() + offset, &value, sizeof value);
  }
  template <typename T>
  T Get(int offset) const {
    T value{};
    std::memcpy(&value, data_.data() + offset, sizeof value);
    return value;
  }
  void PutFlag(int offset, bool on) { data_[static_cast<std::size_t>(offset)] = on ? 1 : 0; }
  bool Flag(int offset) const { return data_[static_cast<std::size_t>(offset)] != 0; }
  // A text field: the characters before the first NUL, the whole field
  // when it has none.
  void PutText(int offset, int size, std::span<const char> text) {
    const int count = std::min(Strings::Length(text), size);
    std::memcpy(data_.data() + offset, text.data(), static_cast<std::size_t>(count));
  }
  std::string_view Text(int offset, int size) const {
    const auto* begin = reinterpret_cast<const char*>(data_.data() + offset);
    const void* nul = std::memchr(begin, 0, static_cast<std::size_t>(size));
    return {begin, nul != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nul) - begin)
                                  : static_cast<std::size_t>(size)};
  }
  void PutRGB(int offset, const Color::RGB& c) {
    Put<std::uint16_t>(offset, c.red);
    Put<std::uint16_t>(offset + 2, c.green);
    Put<std::uint16_t>(offset + 4, c.blue);
  }
  Color::RGB RGB(int offset) const {
    return Color::RGB{Get<std::uint16_t>(offset), Get<std::uint16_t>(offset + 2), Get<std::uint16_t>(offset + 4)};
  }
  // Left, top, right, bottom.
  void PutRect(int offset, const Geometry::Rect& r) {
    Put<std::int16_t>(offset, static_cast<std::int16_t>(r.left));
    Put<std::int16_t>(offset + 2, static_cast<std::int16_t>(r.top));
    Put<std::int16_t>(offset + 4, static_cast<std::int16_t>(r.right));
    Put<std::int16_t>(offset + 6, static_cast<std::int16_t>(r.bottom));
  }
  Geometry::Rect Rect(int offset) const {
    return Geometry::SetRect(Get<std::int16_t>(offset), Get<std::int16_t>(offset + 2), Get<std::int16_t>(offset + 4),
                             Get<std::int16_t>(offset + 6));
  }

 private:
  std::span<std::uint8_t> data_;
};

int Rounded(double x) { return static_cast<int>(std::lround(x)); }

bool StoresLength(int type) {
  return type == kFramedNumber || type == kDrag || type == kDrag2 || IsListType(type);
}

void WindowRectToBytes(Bytes& bytes, int offset, ModWindow::WindowParameters p, double s) {
  ModDialogTools::ScaleCoords(p, 1.0 / s);
  bytes.PutRect(offset, Geometry::SetRect(p.left, p.top, p.right, p.bottom));
}

void BytesToWindowRect(const Bytes& bytes, int offset, ModWindow::WindowParameters& p) {
  const Geometry::Rect r = bytes.Rect(offset);
  p.top = static_cast<std::int16_t>(r.top);
  p.left = static_cast<std::int16_t>(r.left);
  p.bottom = static_cast<std::int16_t>(r.bottom);
  p.right = static_cast<std::int16_t>(r.right);
}

// ---- Store --------------------------------------------------------------------

void WriteHeader(const DialogRecord* dialog, Bytes bytes, double s) {
  bytes.PutText(0, kNameSize, dialog->IDName);
  bytes.Put<std::int32_t>(kHeaderTag32, dialog->UserTag);
  bytes.Put<std::int32_t>(kHeaderLength, kHeaderSize);
  bytes.Put<std::int32_t>(kHeaderRecordSize, kRecordSize);
  bytes.Put<std::int16_t>(kHeaderTag16, dialog->UserTag);
  bytes.Put<std::int16_t>(kHeaderOne, 1);
  bytes.Put<std::uint8_t>(kHeaderOrder, kByteOrder);
  bytes.Put<std::uint8_t>(kHeaderTwo, 2);
  bytes.PutFlag(kHeaderIconized, dialog->Iconized);
  bytes.PutFlag(kHeaderGrowable, dialog->Growable);
  bytes.PutFlag(kHeaderFrontOnly, dialog->FrontOnly);
  bytes.Put<std::int16_t>(kHeaderCount, dialog->ItemCount);
  WindowRectToBytes(bytes, kHeaderWindow, dialog->WindowRect, s);
  WindowRectToBytes(bytes, kHeaderSaved, dialog->SavedRect, s);
}

void WriteTypeArea(const DialogItem& item, Bytes& bytes, double s) {
  if (HasHighlightColor(item.Type)) bytes.PutRGB(kTypeArea, item.Area.HighlightColor);
  if (HasBoxes(item.Type)) {
    const BoxData& box = item.Area.Box;
    Geometry::Rect r = box.BoxRect;
    ModDialogTools::ScaleRect(r, 1.0 / s);
    bytes.Put<std::int16_t>(kTypeArea, static_cast<std::int16_t>(r.top));
    bytes.Put<std::int16_t>(kTypeArea + 2, static_cast<std::int16_t>(r.left));
    bytes.Put<std::int16_t>(kTypeArea + 4, static_cast<std::int16_t>(r.bottom));
    bytes.Put<std::int16_t>(kTypeArea + 6, static_cast<std::int16_t>(r.right));
    bytes.Put<std::int16_t>(kBoxPitch, static_cast<std::int16_t>(box.BoxPitch / s));
    bytes.Put<std::int16_t>(kTextOffset, static_cast<std::int16_t>(Rounded(box.TextOffset / s)));
    bytes.Put<std::int16_t>(kFirstLabel, box.FirstLabel);
  }
  if (item.Type == kFramedNumber) bytes.PutText(kTypeArea, kNameSize, item.Area.Prefix);
  if (item.Type == kDrag || item.Type == kDrag2) {
    const DragParameters& d = item.Area.Drag;
    bytes.Put<double>(kTypeArea, d.DragStep);
    bytes.Put<double>(kTypeArea + 8, d.RelativeStep);
    bytes.Put<double>(kTypeArea + 16, d.DragFactor);
    bytes.Put<double>(kTypeArea + 24, d.ReversalFactor);
    bytes.Put<std::int16_t>(kTypeArea + 32, d.StepCount);
    bytes.Put<std::int16_t>(kTypeArea + 34, d.PixelsPerStep);
    bytes.Put<std::int16_t>(kTypeArea + 36, d.ResetSteps);
    bytes.Put<std::uint8_t>(kTypeArea + 38, d.DragState);
    bytes.PutFlag(kTypeArea + 39, d.DragInverse);
  }
  if (IsListType(item.Type)) {
    bytes.Put<char>(kTypeArea, item.Area.List.SecondChar);
    bytes.Put<std::uint8_t>(kTypeArea + 1, item.Area.List.SecondKind);
  }
}

void WriteItem(const DialogItem& item, Bytes bytes, double s) {
  bytes.PutText(kName, kNameSize, item.Name);
  bytes.Put<std::uint8_t>(kType, item.Type);
  bytes.PutFlag(kFlags, item.Executable);
  bytes.PutFlag(kFlags + 1, item.Visible);
  bytes.PutFlag(kFlags + 2, item.Enabled);
  bytes.PutFlag(kFlags + 3, item.NoConfig);
  bytes.Put<char>(kCommandChar, item.CommandChar);
  bytes.Put<std::uint8_t>(kCommandKind, item.CommandKind);
  bytes.Put<std::uint8_t>(kCommandModifiers, item.CommandModifiers);
  bytes.PutText(kText, kNameSize, item.Text);
  bytes.PutText(kUnit, kUnitSize, item.Unit);
  bytes.Put<std::int16_t>(kIndent, static_cast<std::int16_t>(Rounded(item.TextIndent / s)));
  bytes.Put<std::int16_t>(kBaseline, static_cast<std::int16_t>(Rounded(item.TextBaseline / s)));
  bytes.Put<std::int16_t>(kFont, item.FontNumber);
  bytes.Put<std::int16_t>(kSize, item.FontSize);
  bytes.Put<std::uint8_t>(kStyle, item.TextStyle);
  bytes.Put<std::uint8_t>(kJustification, item.Justification);
  bytes.PutFlag(kDarkBack, item.DarkBack);
  bytes.Put<std::uint8_t>(kNumberFormat, item.NumberFormat);
  bytes.Put<std::uint8_t>(kZeroText, item.ZeroText);
  bytes.PutFlag(kKeyFrontOnly, item.KeyFrontOnly);
  bytes.PutFlag(kAnyModifier, item.AnyModifier);
  bytes.Put<std::int16_t>(kPane, item.Pane);
  bytes.Put<std::int16_t>(kLength, StoresLength(item.Type) ? item.Length : 0);
  bytes.Put<std::int16_t>(kDigits, item.Digits);
  bytes.Put<std::int16_t>(kLineSpacing, item.LineSpacing);
  bytes.PutRGB(kBackColor, item.BackColor);
  bytes.Put<double>(kFactor, item.Factor);
  Geometry::Rect r = item.Rect;
  ModDialogTools::ScaleRect(r, 1.0 / s);
  bytes.PutRect(kRect, r);
  WriteTypeArea(item, bytes, s);
  bytes.Put<std::int16_t>(kGroup, item.Group);
  bytes.Put<std::int16_t>(kPaneOwner, item.PaneOwner);
  bytes.Put<std::int16_t>(kGroupOwner, item.GroupOwner);
}

// The file's name without its folder.
std::string_view FileNameOnly(std::span<const char> path) {
  const std::string_view whole(path.data(), static_cast<std::size_t>(Strings::Length(path)));
  const std::size_t slash = whole.find_last_of('/');
  return slash == std::string_view::npos ? whole : whole.substr(slash + 1);
}

// "Error storing '" or "Error loading '", the name and the last file error.
void FileErrorAlert(const char* verb, std::span<const char> path) {
  char message[kPathSize + 128] = "Error ";
  Strings::Concat(message, std::string_view(verb));
  Strings::Concat(message, " '");
  Strings::Concat(message, path);
  Strings::Concat(message, "':   ");
  char reason[96] = "";
  IOFiles::Message(IOBase::Result, reason);
  Strings::Concat(message, reason);
  Alert::OK(message);
}

// The name to use: the caller's, or the default one for an empty name.
void ResolveName(const DialogRecord* dialog, std::span<const char> path, std::span<char> name) {
  if (Strings::Length(path) > 0) {
    Strings::Assign(name, path);
  } else {
    DefaultName(dialog, name);
  }
}

// ---- Load ---------------------------------------------------------------------

struct Header {
  int recordSize = 0;
  std::int16_t userTag = 0;
  bool iconized = false;
  ModWindow::WindowParameters windowRect;
  ModWindow::WindowParameters savedRect;
};

// Asks about a header that does not fit; TRUE when the operator lets it
// load all the same.
bool HeaderConflict(const char* reason, std::span<const char> path, bool offerLoad) {
  char message[kPathSize + 96] = "";
  Strings::Assign(message, std::string_view(reason));
  Strings::Concat(message, " loading \"");
  Strings::Concat(message, FileNameOnly(path));
  Strings::Concat(message, "\":");
  if (!offerLoad) Strings::Concat(message, "\" loading aborted.");
  Alert::Beep();
  return Alert::Choice(message, "", std::string_view(offerLoad ? "Load" : ""), "Abort", 3) == 2;
}

// The header's checks in their order; FALSE after an alert.
bool CheckHeader(const DialogRecord* dialog, const Bytes& bytes, std::span<const char> path, Header& header) {
  // A writer of the other byte order wrote 512 too: its file is to be
  // refused for its order, not for its length.
  const auto length = bytes.Get<std::uint32_t>(kHeaderLength);
  const auto recordSize = bytes.Get<std::int32_t>(kHeaderRecordSize);
  if ((length != kHeaderSize && length != kSwappedHeaderSize) ||
      (length == kHeaderSize && (recordSize <= 0 || recordSize > kMaxRecordSize))) {
    HeaderConflict("Header Length conflict", path, false);
    return false;
  }
  if (bytes.Get<std::uint8_t>(kHeaderOrder) != kByteOrder || length != kHeaderSize) {
    HeaderConflict("Version conflict (wrong CPU)", path, false);
    return false;
  }
  header.userTag = bytes.Get<std::int16_t>(kHeaderTag16);
  if (dialog->UserTag != 0 && header.userTag != dialog->UserTag &&
      !HeaderConflict("Version conflict", path, true)) {
    return false;
  }
  header.recordSize = recordSize;
  header.iconized = bytes.Flag(kHeaderIconized);
  BytesToWindowRect(bytes, kHeaderWindow, header.windowRect);
  BytesToWindowRect(bytes, kHeaderSaved, header.savedRect);
  return true;
}

// The item after `last` whose name the record holds, wrapping round from
// item 1; 0 when none has it.
int MatchItem(const DialogRecord* dialog, std::string_view name, int last) {
  const int n = dialog->ItemCount;
  for (int k = 0; k < n; ++k) {
    const int i = (last + k) % n + 1;
    if (name == std::string_view(dialog->Items[i]->Name)) return i;
  }
  return 0;
}

template <typename T>
void KeepWhenNotFinite(T& field, double value) {
  if (std::isfinite(value)) field = value;
}

void ReadTypeArea(DialogItem& item, const Bytes& bytes) {
  if (HasHighlightColor(item.Type)) item.Area.HighlightColor = bytes.RGB(kTypeArea);
  if (HasBoxes(item.Type)) {
    BoxData& box = item.Area.Box;
    box.BoxRect = Geometry::SetRect(bytes.Get<std::int16_t>(kTypeArea + 2), bytes.Get<std::int16_t>(kTypeArea),
                                    bytes.Get<std::int16_t>(kTypeArea + 6), bytes.Get<std::int16_t>(kTypeArea + 4));
    box.BoxPitch = bytes.Get<std::int16_t>(kBoxPitch);
    box.TextOffset = bytes.Get<std::int16_t>(kTextOffset);
    box.FirstLabel = bytes.Get<std::int16_t>(kFirstLabel);
  }
  if (item.Type == kFramedNumber) Strings::Assign(item.Area.Prefix, bytes.Text(kTypeArea, kNameSize));
  if (item.Type == kDrag) {
    DragParameters& d = item.Area.Drag;
    KeepWhenNotFinite(d.DragStep, bytes.Get<double>(kTypeArea));
    KeepWhenNotFinite(d.RelativeStep, bytes.Get<double>(kTypeArea + 8));
    KeepWhenNotFinite(d.DragFactor, bytes.Get<double>(kTypeArea + 16));
    KeepWhenNotFinite(d.ReversalFactor, bytes.Get<double>(kTypeArea + 24));
    d.StepCount = bytes.Get<std::int16_t>(kTypeArea + 32);
    // A divisor of every drag step.
    if (const auto pixels = bytes.Get<std::int16_t>(kTypeArea + 34); pixels >= 1) d.PixelsPerStep = pixels;
    d.ResetSteps = bytes.Get<std::int16_t>(kTypeArea + 36);
    d.DragState = bytes.Get<std::uint8_t>(kTypeArea + 38);
    d.DragInverse = bytes.Flag(kTypeArea + 39);
  }
  if (IsListType(item.Type)) {
    item.Area.List.SecondChar = bytes.Get<char>(kTypeArea);
    item.Area.List.SecondKind = bytes.Get<std::uint8_t>(kTypeArea + 1);
  }
  if (item.Type == kFramedNumber || item.Type == kDrag || IsListType(item.Type)) {
    item.Length = static_cast<std::int16_t>(std::clamp<int>(bytes.Get<std::int16_t>(kLength), 0, kMaxLength));
  }
}

// The record into the item, which keeps its type, name, pane, group,
// owners, procedures and bound value.
void ReadItem(DialogItem& item, const Bytes& bytes) {
  item.CommandChar = bytes.Get<char>(kCommandChar);
  item.CommandKind = bytes.Get<std::uint8_t>(kCommandKind);
  item.CommandModifiers = bytes.Get<std::uint8_t>(kCommandModifiers);
  item.Executable = bytes.Flag(kFlags);
  item.Visible = bytes.Flag(kFlags + 1);
  item.Enabled = bytes.Flag(kFlags + 2);
  item.NoConfig = bytes.Flag(kFlags + 3);
  Strings::Assign(item.Text, bytes.Text(kText, kNameSize));
  Strings::Assign(item.Unit, bytes.Text(kUnit, kUnitSize));
  item.TextIndent = bytes.Get<std::int16_t>(kIndent);
  item.TextBaseline = bytes.Get<std::int16_t>(kBaseline);
  item.FontNumber = bytes.Get<std::int16_t>(kFont);
  item.FontSize = static_cast<std::int16_t>(std::clamp<int>(bytes.Get<std::int16_t>(kSize), 1, kMaxFontSize));
  item.TextStyle = bytes.Get<std::uint8_t>(kStyle);
  item.Justification = bytes.Get<std::uint8_t>(kJustification);
  item.DarkBack = bytes.Flag(kDarkBack);
  item.NumberFormat = bytes.Get<std::uint8_t>(kNumberFormat);
  item.ZeroText = bytes.Get<std::uint8_t>(kZeroText);
  item.AnyModifier = bytes.Flag(kAnyModifier);
  item.KeyFrontOnly = bytes.Flag(kKeyFrontOnly);
  item.Digits = static_cast<std::int16_t>(std::clamp<int>(bytes.Get<std::int16_t>(kDigits), 0, kMaxDigits));
  const auto spacing = bytes.Get<std::int16_t>(kLineSpacing);
  item.LineSpacing = static_cast<std::int16_t>(spacing >= 1 ? spacing : DefaultLineSpacing(item.FontSize));
  item.BackColor = bytes.RGB(kBackColor);
  // A divisor of every shown value.
  if (const double factor = bytes.Get<double>(kFactor); factor != 0 && std::isfinite(factor)) item.Factor = factor;
  item.Rect = bytes.Rect(kRect);
  ReadTypeArea(item, bytes);
  item.NeedsDraw = true;
}

// Reads the next record into the cleared buffer; FALSE at the end of the
// file, at a short record or when the surplus cannot be skipped.
bool ReadRecord(const IOBytes::FileHandle& file, int recordSize, std::array<std::uint8_t, kHeaderSize>& buffer) {
  buffer.fill(0);
  const int wanted = std::min(recordSize, kHeaderSize);
  std::int32_t count = wanted;
  if (!IOBytes::Read(file, count, buffer.data()) || count != wanted) return false;
  return recordSize <= kHeaderSize || IOBytes::SetPosition(file, 2, recordSize - kHeaderSize);
}

// The records into the dialog's items; FALSE when not even the dialog's
// own record came.
bool ReadRecords(DialogRecord* dialog, const IOBytes::FileHandle& file, const Header& header) {
  std::array<std::uint8_t, kHeaderSize> buffer{};
  if (!ReadRecord(file, header.recordSize, buffer)) return false;
  dialog->UserTag = header.userTag;
  dialog->Iconized = header.iconized;
  dialog->WindowRect = header.windowRect;
  dialog->SavedRect = header.savedRect;
  ReadItem(*dialog->Items[0], Bytes(buffer));
  int last = 0;
  while (dialog->ItemCount > 0 && ReadRecord(file, header.recordSize, buffer)) {
    const Bytes bytes(buffer);
    const int i = MatchItem(dialog, bytes.Text(kName, kNameSize), last);
    if (i == 0) continue;
    ReadItem(*dialog->Items[i], bytes);
    last = i;
  }
  dialog->Changed = true;
  return true;
}

}  // namespace

void DefaultName(const DialogRecord* dialog, std::span<char> path) {
  char name[kNameSize] = "";
  int count = 0;
  for (int i = 0; i < kNameSize - 1 && dialog->IDName[i] != '\0'; ++i) {
    const char c = dialog->IDName[i];
    if (c == '\\' || c == '/' || c == ':') continue;
    name[count++] = c == ' ' ? '_' : c;
  }
  Strings::Assign(path, DiaFilesPath);
  Strings::Concat(path, name);
  Strings::Concat(path, ".dia");
}

bool Store(DialogRecord* dialog, std::span<const char> path) {
  if (dialog->Buffer == nullptr || dialog->Items == nullptr) {
    Alert::OK("Error: no buffer allocated!");
    return false;
  }
  if (!dialog->Storable) {
    Alert::OK("Error: this dialog cannot be stored!");
    return false;
  }
  UpdateWindowPosition(dialog);
  char name[kPathSize] = "";
  ResolveName(dialog, path, name);
  const double s = MacEnv::ScreenFactor;
  std::vector<std::uint8_t> data(static_cast<std::size_t>(kHeaderSize + (dialog->ItemCount + 1) * kRecordSize), 0);
  const std::span<std::uint8_t> whole(data);
  WriteHeader(dialog, Bytes(whole.first(kHeaderSize)), s);
  for (int i = 0; i <= dialog->ItemCount; ++i) {
    WriteItem(*dialog->Items[i],
              Bytes(whole.subspan(static_cast<std::size_t>(kHeaderSize + i * kRecordSize), kRecordSize)), s);
  }
  if (!IOBytes::SaveFile(name, nullptr, static_cast<std::int32_t>(data.size()), data.data())) {
    FileErrorAlert("storing", name);
    return false;
  }
  return true;
}

bool Load(DialogRecord* dialog, std::span<const char> path, bool alert) {
  if (ModDialog::WriteAllDialogs) return false;
  if (dialog->Buffer == nullptr || dialog->Items == nullptr) {
    if (alert) Alert::OK("Error: no buffer allocated!");
    return false;
  }
  if (!dialog->Storable) {
    if (alert) Alert::OK("Error: dialog not setup to be read!");
    return false;
  }
  char name[kPathSize] = "";
  ResolveName(dialog, path, name);
  IOBytes::FileHandle file;
  if (!IOBytes::Open(name, nullptr, IOBytes::ModeRead, file)) {
    if (alert) FileErrorAlert("loading", name);
    return false;
  }
  std::array<std::uint8_t, kHeaderSize> buffer{};
  std::int32_t count = kHeaderSize;
  const bool headerRead = IOBytes::Read(file, count, buffer.data()) && count == kHeaderSize;
  const std::int16_t error = IOBase::Result;
  Header header;
  bool loaded = false;
  if (!headerRead) {
    IOBase::Result = error;
    if (alert) FileErrorAlert("loading", name);
  } else if (CheckHeader(dialog, Bytes(buffer), name, header)) {
    loaded = ReadRecords(dialog, file, header);
    if (!loaded && alert) FileErrorAlert("loading", name);
  }
  IOBytes::Close(file);
  if (!loaded) return false;
  ModDialog::SetPackState(dialog);
  char line[kPathSize + 32] = "Dialog file loaded: \"";
  Strings::Concat(line, name);
  Strings::Concat(line, "\".");
  TermIO::WriteAlertLine(line);
  return true;
}

}  // namespace IODialog
