// Layout files: the bytes a dialog of every item type stores, loading by
// name over other item orders and record sizes, the header checks with
// their alerts, hostile records held within range, the feature switch that
// writes every dialog, and a store that fails keeping the old file.
#include "dialogs/IODialog.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "dialogs/Alert.h"
#include "dialogs/ModDialog.h"
#include "foundation/Strings.h"
#include "platform/Fonts.h"
#include "shell/MacEnv.h"
#include "dialogs/tests/EveryItemType.h"
#include "dialogs/tests/ModDialog_fixture.h"

namespace {

using namespace ModDialogUt;
using Bytes = std::vector<std::uint8_t>;

constexpr int kHeader = IODialog::kHeaderSize;
constexpr int kStride = IODialog::kRecordSize;

Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

template <typename T>
T Get(const Bytes& bytes, std::size_t offset) {
  T value{};
  std::memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}

template <typename T>
void Put(Bytes& bytes, std::size_t offset, T value) {
  std::memcpy(bytes.data() + offset, &value, sizeof value);
}

// Offset of a field of record r.
std::size_t Field(int r, int field) { return static_cast<std::size_t>(kHeader + r * kStride + field); }

// The file with its records at another stride: cut, or padded with bytes
// that must be skipped.
Bytes Restride(const Bytes& file, int size) {
  Bytes out(file.begin(), file.begin() + kHeader);
  Put<std::int32_t>(out, 88, size);
  for (std::size_t r = kHeader; r < file.size(); r += kStride) {
    for (int i = 0; i < size; ++i) out.push_back(i < kStride ? file[r + static_cast<std::size_t>(i)] : 0xA5);
  }
  return out;
}

class IODialogTest : public ModDialogTest {
 protected:
  void SetUp() override {
    ModDialogTest::SetUp();
    char pattern[] = "/tmp/iodialog_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = std::string(pattern) + "/";
    Strings::Assign(IODialog::DiaFilesPath, dir_);
  }
  void TearDown() override {
    ModDialog::WriteAllDialogs = false;
    ModDialogTest::TearDown();
    std::filesystem::remove_all(dir_);
  }

  // The dialog of every item type, storable.
  Dialog& EveryType(const char* title = "Every Type", bool load = false) {
    Dialog& dialog = Make();
    EXPECT_TRUE(Open(dialog, title, {}, {}, "", false, load));
    return dialog;
  }
  bool Open(Dialog& dialog, const char* title, const std::vector<ItemSpec>& specs,
            const std::function<void(DialogRecord*)>& more, const char* macro = "", bool frontOnly = false,
            bool load = false) {
    const int count = specs.empty() ? kTypeCount : static_cast<int>(specs.size());
    ClearRecord(&dialog.record);
    if (!InitializeRecord(&dialog.record, dialog.items, true, true, std::string_view(title),
                          std::string_view(title), Fonts::kGeneva, 12, count, 40, 300, 460, 230, 0)) {
      return false;
    }
    DialogRecord* record = &dialog.record;
    fill_ = [record, specs, more] {
      if (specs.empty()) FillEveryItemType(record);
      for (std::size_t i = 0; i < specs.size(); ++i) {
        const ItemSpec& s = specs[i];
        FillTextField(record, static_cast<int>(i) + 1, s.type, std::string_view(s.name), false,
                      std::string_view(s.text), s.left, s.bottom, s.width, s.height);
      }
      if (more) more(record);
    };
    return ModDialog::Initialize(record, 0, [] { fill_(); }, NoProc, load, true, true, true, frontOnly,
                                 std::string_view(macro));
  }

  std::string Path(const char* name) const { return dir_ + name; }

  // Loads with the alert flag; the alerts' texts (stderr) in shown.
  bool LoadCapturing(Dialog& dialog, const std::string& path, std::string& shown) {
    testing::internal::CaptureStderr();
    const bool loaded = IODialog::Load(&dialog.record, path, true);
    shown = testing::internal::GetCapturedStderr();
    return loaded;
  }

  static inline std::function<void()> fill_;
  std::string dir_;
};

TEST_F(IODialogTest, StoreWritesTheGoldenBytesOfADialogOfEveryItemType) {
  Dialog& dialog = EveryType();
  dialog.record.UserTag = 7;
  const std::string path = Path("every.dia");
  ASSERT_TRUE(IODialog::Store(&dialog.record, path));
  const Bytes file = ReadBytes(path);
  ASSERT_EQ(file.size(), static_cast<std::size_t>(kHeader + (kTypeCount + 1) * kStride));
  EXPECT_STREQ(reinterpret_cast<const char*>(file.data()), "Every Type");
  EXPECT_EQ(Get<std::int32_t>(file, 80), 7);
  EXPECT_EQ(Get<std::int32_t>(file, 84), 512);
  EXPECT_EQ(Get<std::int32_t>(file, 88), 312);
  EXPECT_EQ(Get<std::int16_t>(file, 92), 7);
  EXPECT_EQ(file[96], 1);
  EXPECT_EQ(Get<std::int16_t>(file, 102), kTypeCount);
  // The window as designed: left, top, right, bottom.
  EXPECT_EQ(Get<std::int16_t>(file, 104), 40);
  EXPECT_EQ(Get<std::int16_t>(file, 106), 300 - 230);
  EXPECT_EQ(Get<std::int16_t>(file, 108), 40 + 460);
  // A check box's rectangle as left, top, right, bottom, its box as top,
  // left, bottom, right.
  const DialogItem& box = dialog[kCheckBox + 1];
  EXPECT_EQ(Get<std::int16_t>(file, Field(kCheckBox + 1, 216)), box.Rect.left);
  EXPECT_EQ(Get<std::int16_t>(file, Field(kCheckBox + 1, 218)), box.Rect.top);
  EXPECT_EQ(Get<std::int16_t>(file, Field(kCheckBox + 1, 224)), box.Area.Box.BoxRect.top);
  EXPECT_EQ(Get<std::int16_t>(file, Field(kCheckBox + 1, 226)), box.Area.Box.BoxRect.left);
  EXPECT_EQ(Get<double>(file, Field(kDrag + 1, 248)), 0.25);  // the reversal factor
  EXPECT_EQ(Get<std::int16_t>(file, Field(kText + 1, 194)), 0);  // no length for text items

  const std::string golden = std::string(MERETH_GOLDEN_DIR) + "/every_item_type.dia";
  const char* update = std::getenv("MERETH_UPDATE_GOLDEN");
  if (update != nullptr && std::string(update) == "1") WriteBytes(golden, file);
  EXPECT_EQ(file, ReadBytes(golden));
}

TEST_F(IODialogTest, ScaledDialogsStoreTheirDesignedGeometry) {
  Dialog& plain = EveryType("Plain");
  ASSERT_TRUE(IODialog::Store(&plain.record, Path("plain.dia")));
  MacEnv::ScreenFactor = 1.25;
  Dialog& scaled = EveryType("Plain Scaled");
  ASSERT_TRUE(IODialog::Store(&scaled.record, Path("scaled.dia")));
  const Bytes a = ReadBytes(Path("plain.dia"));
  const Bytes b = ReadBytes(Path("scaled.dia"));
  for (int r = 1; r <= kTypeCount; ++r) {
    for (int field : {216, 218, 220, 222}) {
      EXPECT_EQ(Get<std::int16_t>(a, Field(r, field)), Get<std::int16_t>(b, Field(r, field))) << r << " " << field;
    }
  }
  EXPECT_EQ(Get<std::int16_t>(a, 104), Get<std::int16_t>(b, 104));
  EXPECT_EQ(Get<std::int16_t>(a, 106), Get<std::int16_t>(b, 106));
}

TEST_F(IODialogTest, RecordsFindTheirItemsByNameInAnyOrderAndOthersAreLeftAlone) {
  Dialog& source = Make();
  ASSERT_TRUE(Open(source, "Layout",
                   {{kText, "a", "A", 10, 30}, {kText, "b", "B", 10, 60}, {kText, "c", "C", 10, 90},
                    {kText, "d", "D", 10, 120}},
                   {}));
  for (int i = 1; i <= 4; ++i) source[i].Rect = Geometry::OffsetRect(source[i].Rect, 100 + i, 5 * i);
  ASSERT_TRUE(IODialog::Store(&source.record, Path("layout.dia")));
  ModDialog::Shutdown(&source.record);

  // Reversed, one item the file does not know, two it has left out.
  Dialog& target = Make();
  ASSERT_TRUE(Open(target, "Layout",
                   {{kText, "d", "d", 0, 20}, {kText, "new", "new", 0, 40}, {kText, "a", "a", 0, 60}}, {}));
  const Geometry::Rect own = target[2].Rect;
  ASSERT_TRUE(IODialog::Load(&target.record, Path("layout.dia")));
  EXPECT_STREQ(target[1].Text, "D");
  EXPECT_EQ(target[1].Rect, Geometry::SetRect(114, 120, 214, 140));
  EXPECT_STREQ(target[3].Text, "A");
  EXPECT_EQ(target[3].Rect, Geometry::SetRect(111, 15, 211, 35));
  EXPECT_STREQ(target[2].Text, "new");
  EXPECT_EQ(target[2].Rect, own);
  EXPECT_STREQ(target[1].Name, "d");
  const std::vector<std::string> lines = ConsoleLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "Dialog file loaded: \"" + Path("layout.dia") + "\".");
}

TEST_F(IODialogTest, EveryRecordSizeLoadsTheFieldsItHolds) {
  Dialog& source = EveryType("Sizes");
  source[kDrag + 1].Factor = 3;
  source[kFramedNumber + 1].Rect = Geometry::SetRect(5, 6, 77, 26);
  source[kFramedNumber + 1].FontSize = 9;
  ASSERT_TRUE(IODialog::Store(&source.record, Path("sizes.dia")));
  const Bytes file = ReadBytes(Path("sizes.dia"));
  ModDialog::Shutdown(&source.record);
  struct Case {
    int size;
    bool rectRead;  // the rectangle lies at 216..223
  };
  for (const Case c : {Case{312, true}, Case{300, true}, Case{513, true}, Case{4000, true}, Case{200, false}}) {
    SCOPED_TRACE(c.size);
    WriteBytes(Path("sized.dia"), Restride(file, c.size));
    Dialog& target = EveryType("Sizes");
    target[kDrag + 1].Factor = 1;
    ASSERT_TRUE(IODialog::Load(&target.record, Path("sized.dia")));
    const DialogItem& number = target[kFramedNumber + 1];
    EXPECT_EQ(number.FontSize, 9);
    EXPECT_STREQ(number.Area.Prefix, c.size >= 240 ? "framednumber" : "");
    EXPECT_EQ(number.Rect, c.rectRead ? Geometry::SetRect(5, 6, 77, 26) : Geometry::Rect{});
    // Beyond the record a factor reads as 0 and is no divisor.
    EXPECT_EQ(target[kDrag + 1].Factor, c.size >= 216 ? 3 : 1);
    ModDialog::Shutdown(&target.record);
  }
}

TEST_F(IODialogTest, HeaderChecksAskAndRefuse) {
  Dialog& source = EveryType("Checked");
  source.record.UserTag = 5;
  ASSERT_TRUE(IODialog::Store(&source.record, Path("checked.dia")));
  const Bytes file = ReadBytes(Path("checked.dia"));
  ModDialog::Shutdown(&source.record);
  const std::string refused = " loading \"checked.dia\":\" loading aborted.";
  const std::string offered = "Version conflict loading \"checked.dia\":";
  const std::string wrongCPU = "Version conflict (wrong CPU)" + refused;
  const std::string length = "Header Length conflict" + refused;
  struct Case {
    const char* what;
    std::function<void(Bytes&)> change;
    int dialogTag;
    int answer;  // 0: none queued (the default, Abort)
    bool loads;
    std::string alert;
  };
  const Case cases[] = {
      {"same tag", [](Bytes&) {}, 5, 0, true, ""},
      {"dialog tag 0 takes any", [](Bytes& b) { Put<std::int16_t>(b, 92, 99); }, 0, 0, true, ""},
      {"other tag, Load", [](Bytes& b) { Put<std::int16_t>(b, 92, 6); }, 5, 2, true, offered},
      {"other tag, Abort", [](Bytes& b) { Put<std::int16_t>(b, 92, 6); }, 5, 0, false, offered},
      {"other byte order flag", [](Bytes& b) { b[96] ^= 1; }, 5, 0, false, wrongCPU},
      {"written by the other byte order",
       [](Bytes& b) {
         b[96] ^= 1;
         Put<std::uint32_t>(b, 84, __builtin_bswap32(512));
         Put<std::uint32_t>(b, 88, __builtin_bswap32(312));
       },
       5, 0, false, wrongCPU},
      {"header length 500", [](Bytes& b) { Put<std::int32_t>(b, 84, 500); }, 5, 0, false, length},
      {"record size 0", [](Bytes& b) { Put<std::int32_t>(b, 88, 0); }, 5, 0, false, length},
      {"record size -312", [](Bytes& b) { Put<std::int32_t>(b, 88, -312); }, 5, 0, false, length},
      {"record size 65536", [](Bytes& b) { Put<std::int32_t>(b, 88, 65536); }, 5, 0, false, length},
      {"header cut short", [](Bytes& b) { b.resize(300); }, 5, 0, false, "Error loading '"},
      {"no record", [](Bytes& b) { b.resize(kHeader + 100); }, 5, 0, false, "Error loading '"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes changed = file;
    c.change(changed);
    WriteBytes(Path("checked.dia"), changed);
    Dialog& target = EveryType("Checked");
    target.record.UserTag = static_cast<std::int16_t>(c.dialogTag);
    target[kText + 1].Rect = Geometry::SetRect(1, 2, 3, 4);
    if (c.answer != 0) Alert::PushAnswer(c.answer);
    std::string shown;
    EXPECT_EQ(LoadCapturing(target, Path("checked.dia"), shown), c.loads);
    EXPECT_EQ(target[kText + 1].Rect == Geometry::SetRect(1, 2, 3, 4), !c.loads);
    if (c.alert.empty()) {
      EXPECT_EQ(shown.find("conflict"), std::string::npos) << shown;
    } else {
      EXPECT_NE(shown.find(c.alert), std::string::npos) << shown;
    }
    // After a header alert no further alert.
    if (shown.find("conflict") != std::string::npos) {
      EXPECT_EQ(shown.find("Error loading"), std::string::npos);
    }
    Alert::ClearAnswers();
    ModDialog::Shutdown(&target.record);
  }
}

TEST_F(IODialogTest, HostileRecordsAreHeldWithinTheItemsRanges) {
  Dialog& source = EveryType("Hostile");
  ASSERT_TRUE(IODialog::Store(&source.record, Path("hostile.dia")));
  const Bytes file = ReadBytes(Path("hostile.dia"));
  ModDialog::Shutdown(&source.record);
  const int number = kFramedNumber + 1;
  const int drag = kDrag + 1;
  const int text = kText + 1;
  struct Case {
    const char* what;
    std::function<void(Bytes&)> change;
    std::function<void(Dialog&)> check;
  };
  const Case cases[] = {
      {"sizes, lengths, digits", [&](Bytes& b) {
         Put<std::int16_t>(b, Field(number, 182), 0);
         Put<std::int16_t>(b, Field(drag, 182), 1000);
         Put<std::int16_t>(b, Field(number, 194), 200);
         Put<std::int16_t>(b, Field(drag, 194), -5);
         Put<std::int16_t>(b, Field(number, 196), 50);
         Put<std::int16_t>(b, Field(drag, 196), -1);
         Put<std::int16_t>(b, Field(drag, 198), 0);
       },
       [&](Dialog& d) {
         EXPECT_EQ(d[number].FontSize, 1);
         EXPECT_EQ(d[drag].FontSize, 48);
         EXPECT_EQ(d[number].Length, 79);
         EXPECT_EQ(d[drag].Length, 0);
         EXPECT_EQ(d[number].Digits, 20);
         EXPECT_EQ(d[drag].Digits, 0);
         EXPECT_EQ(d[drag].LineSpacing, DefaultLineSpacing(48));
       }},
      {"divisors and doubles", [&](Bytes& b) {
         Put<double>(b, Field(number, 208), 0.0);
         Put<double>(b, Field(drag, 208), std::nan(""));
         Put<double>(b, Field(drag, 224), INFINITY);
         Put<double>(b, Field(drag, 248), std::nan(""));
         Put<std::int16_t>(b, Field(drag, 258), 0);
       },
       [&](Dialog& d) {
         EXPECT_EQ(d[number].Factor, 2.5);
         EXPECT_EQ(d[drag].Factor, 1);
         EXPECT_EQ(d[drag].Area.Drag.DragStep, 0.5);
         EXPECT_EQ(d[drag].Area.Drag.ReversalFactor, 0.25);
         EXPECT_EQ(d[drag].Area.Drag.PixelsPerStep, 3);
       }},
      {"texts filling their fields", [&](Bytes& b) {
         std::memset(b.data() + Field(text, 88), 'x', 80);
         std::memset(b.data() + Field(text, 168), 'u', 8);
         std::memset(b.data() + Field(number, 224), 'p', 80);
         // A name of 80 characters matches no item and reads nothing past it.
         std::memset(b.data() + Field(drag, 0), 'n', 80);
         Put<std::int16_t>(b, Field(drag, 182), 30);
       },
       [&](Dialog& d) {
         EXPECT_EQ(std::string(d[text].Text), std::string(79, 'x'));
         EXPECT_EQ(std::string(d[text].Unit), std::string(7, 'u'));
         EXPECT_EQ(std::string(d[number].Area.Prefix), std::string(79, 'p'));
         EXPECT_EQ(d[drag].FontSize, 12);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes changed = file;
    c.change(changed);
    WriteBytes(Path("hostile.dia"), changed);
    Dialog& target = EveryType("Hostile");
    ASSERT_TRUE(IODialog::Load(&target.record, Path("hostile.dia")));
    c.check(target);
    ModDialog::Shutdown(&target.record);
  }
}

TEST_F(IODialogTest, TheSwitchMakesDialogsStoreUnderTheirNamesAndLoadingWaitsUntilItIsGone) {
  Dialog& dialog = EveryType("Switch: A/B");
  dialog.record.Storable = false;
  dialog[kText + 1].Rect = Geometry::SetRect(200, 150, 260, 170);
  ModDialog::StoreAndAlert(&dialog.record, "");
  EXPECT_FALSE(std::filesystem::exists(Path("Switch_AB.dia")));  // only while the switch is on
  ModDialog::WriteAllDialogs = true;
  ModDialog::StoreAndAlert(&dialog.record, "");
  EXPECT_FALSE(dialog.record.Storable);
  ASSERT_TRUE(std::filesystem::exists(Path("Switch_AB.dia")));
  ModDialog::Shutdown(&dialog.record);

  Dialog& whileOn = EveryType("Switch: A/B", true);
  EXPECT_NE(whileOn[kText + 1].Rect, Geometry::SetRect(200, 150, 260, 170));
  ModDialog::Shutdown(&whileOn.record);

  ModDialog::WriteAllDialogs = false;
  Dialog& reopened = EveryType("Switch: A/B", true);
  EXPECT_EQ(reopened[kText + 1].Rect, Geometry::SetRect(200, 150, 260, 170));
}

TEST_F(IODialogTest, AFailedStoreKeepsTheOldFileAndSaysSo) {
  Dialog& dialog = EveryType("Kept");
  const std::string path = Path("kept.dia");
  ASSERT_TRUE(IODialog::Store(&dialog.record, path));
  const Bytes old = ReadBytes(path);
  dialog[kText + 1].Rect = Geometry::SetRect(1, 1, 2, 2);
  // A file system that takes no more than 2000 bytes of a file.
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 2000;
  setrlimit(RLIMIT_FSIZE, &small);
  testing::internal::CaptureStderr();
  const bool stored = IODialog::Store(&dialog.record, path);
  const std::string shown = testing::internal::GetCapturedStderr();
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, SIG_DFL);
  EXPECT_FALSE(stored);
  EXPECT_NE(shown.find("Error storing '" + path + "':   "), std::string::npos) << shown;
  EXPECT_EQ(ReadBytes(path), old);
}

TEST_F(IODialogTest, DialogsThatDoNotTakePartAreRefused) {
  Dialog& dialog = EveryType("Refused");
  dialog.record.Storable = false;
  std::string shown;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(IODialog::Store(&dialog.record, Path("refused.dia")));
  shown = testing::internal::GetCapturedStderr();
  EXPECT_NE(shown.find("Error: this dialog cannot be stored!"), std::string::npos);
  EXPECT_FALSE(LoadCapturing(dialog, Path("refused.dia"), shown));
  EXPECT_NE(shown.find("Error: dialog not setup to be read!"), std::string::npos);
  dialog.record.Storable = true;
  EXPECT_FALSE(LoadCapturing(dialog, Path("missing.dia"), shown));
  EXPECT_NE(shown.find("Error loading '" + Path("missing.dia") + "':   "), std::string::npos);
  EXPECT_FALSE(IODialog::Load(&dialog.record, Path("missing.dia"), false));
}

}  // namespace
