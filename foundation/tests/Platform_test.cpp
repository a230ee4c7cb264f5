#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include <dlfcn.h>

#include "foundation/platform/Clock.h"
#include "foundation/platform/Crc16.h"
#include "foundation/platform/Host.h"
#include "foundation/platform/RealText.h"
#include "foundation/platform/Threads.h"

namespace {

using namespace Platform;

// ---- Host --------------------------------------------------------------

TEST(Host, IsLittleEndianMatchesTheBytesOfAnInteger) {
  const std::uint32_t one = 1;
  unsigned char first = 0;
  std::memcpy(&first, &one, 1);
  EXPECT_EQ(IsLittleEndian(), first == 1);
}

TEST(Host, FreeDiskBytes) {
  EXPECT_GT(FreeDiskBytes("/"), 0.0);
  EXPECT_EQ(FreeDiskBytes(nullptr), 0.0);
  EXPECT_EQ(FreeDiskBytes("/no/such/directory/here"), 0.0);
  // An existing directory named by a path of 1025 characters.
  std::string longPath = "/";
  while (longPath.size() < 1025) longPath += "./";
  longPath.resize(1025, '/');
  EXPECT_EQ(FreeDiskBytes(longPath.c_str()), 0.0);
  longPath.resize(1024);
  EXPECT_GT(FreeDiskBytes(longPath.c_str()), 0.0);
}

TEST(Host, AddressArithmetic) {
  char block[16] = {};
  EXPECT_EQ(AddADR(block, 5), block + 5);
  EXPECT_EQ(SubADR(block + 9, 4), block + 5);
  const char* constant = block;
  EXPECT_EQ(AddADR(constant, -0), constant);
  EXPECT_EQ(SubADR(AddADR(constant, 16), 16), constant);
}

int warpedX = 0;
int warpedY = 0;
void RecordWarp(int x, int y) {
  warpedX = x;
  warpedY = y;
}

TEST(Host, WarpToCallsTheRegisteredWarpOnly) {
  warpedX = warpedY = -1;
  SetPointerWarp(nullptr);
  WarpTo(10, 20);
  EXPECT_EQ(warpedX, -1);
  SetPointerWarp(RecordWarp);
  WarpTo(10, 20);
  EXPECT_EQ(warpedX, 10);
  EXPECT_EQ(warpedY, 20);
  SetPointerWarp(nullptr);
}

TEST(Host, LoadFrameworkBundle) {
  EXPECT_EQ(LoadFrameworkBundle("libm.so.6", nullptr), kParamErr);

  Bundle bundle = &bundle;
  EXPECT_EQ(LoadFrameworkBundle("NoSuchFramework.framework", &bundle), kCouldNotLoadBundle);
  EXPECT_EQ(bundle, nullptr);
  bundle = &bundle;
  EXPECT_EQ(LoadFrameworkBundle(nullptr, &bundle), kCouldNotLoadBundle);
  EXPECT_EQ(bundle, nullptr);

  ASSERT_EQ(LoadFrameworkBundle("libm.so.6", &bundle), 0);
  ASSERT_NE(bundle, nullptr);
  EXPECT_NE(dlsym(bundle, "cos"), nullptr);
  dlclose(bundle);
}

TEST(Host, ApplicationStart) {
  EXPECT_TRUE(ApplicationStart("/bin/true", nullptr, nullptr, nullptr, true));
  EXPECT_FALSE(ApplicationStart("/no/such/program", nullptr, nullptr, nullptr, false));
  EXPECT_FALSE(ApplicationStart(nullptr, nullptr, nullptr, nullptr, false));
  EXPECT_FALSE(ApplicationStart("", nullptr, nullptr, nullptr, false));
}

TEST(Host, HooksWithoutEffectReturn) {
  Sys_Beep(1);
  WMInitialize();
}

// ---- Text to real ------------------------------------------------------

TEST(StrToReal, Codes) {
  const double kUnchanged = -7.25;
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* text;
    double value;
    int code;
  };
  const std::vector<Case> cases = {
      {"1.5", 1.5, 0},
      {"-2.5E3", -2500.0, 0},
      {"  42", 42.0, 0},
      {"1.5x", 1.5, 2},
      {"1.5 ", 1.5, 2},
      {"abc", 0.0, 2},
      {"", kUnchanged, 3},
      {nullptr, kUnchanged, 3},
      {"1e400", inf, 1},
      {"-1e400", -inf, 1},
  };
  for (const Case& c : cases) {
    double value = kUnchanged;
    int code = -1;
    StrToReal(c.text, value, code);
    SCOPED_TRACE(c.text == nullptr ? "nil" : c.text);
    EXPECT_EQ(code, c.code);
    EXPECT_EQ(value, c.value);
  }
}

TEST(StrToReal, UnderflowIsARangeError) {
  double value = 1.0;
  int code = -1;
  StrToReal("1e-400", value, code);
  EXPECT_EQ(code, 1);
  EXPECT_EQ(value, 0.0);
}

// ---- Real to text ------------------------------------------------------

// Destinations live on the heap at exactly their capacity, so the address
// sanitizer sees any write past the end; they start as '#' so that missing
// NUL filling shows.
std::vector<char> Destination(std::size_t capacity) { return std::vector<char>(capacity, '#'); }

// The text followed by NULs up to the capacity (or cut to it).
std::vector<char> Filled(const std::string& text, std::size_t capacity) {
  std::vector<char> expected(capacity, '\0');
  std::memcpy(expected.data(), text.data(), std::min(text.size(), capacity));
  return expected;
}

TEST(RealText, Fixed) {
  struct Case {
    double x;
    int decimals;
    std::size_t capacity;
    std::string text;
  };
  const std::vector<Case> cases = {
      {2.5, 2, 10, "2.50"},
      {2.5, 2, 4, "2.50"},  // fills the destination: no NUL
      {2.5, 2, 3, "2.5"},
      {-0.125, 0, 5, "-0"},
      // Longer than the old 40-character work buffer, and not cut.
      {1e30, 20, 60, "1000000000000000019884624838656.00000000000000000000"},
      {1e30, 20, 52, "1000000000000000019884624838656.00000000000000000000"},
      {1e30, 20, 45, "1000000000000000019884624838656.0000000000000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<char> text = Destination(c.capacity);
    RealToFixed(c.x, c.decimals, text);
    EXPECT_EQ(text, Filled(c.text, c.capacity));
  }
}

TEST(RealText, FixedFormOfTheLargestMagnitudes) {
  std::vector<char> text = Destination(310);
  RealToFixed(-1e300, 2, text);
  const std::string written(text.data());
  ASSERT_EQ(written.size(), 305U);
  EXPECT_EQ(written.substr(0, 40), "-100000000000000005250476025520442024870");
  EXPECT_EQ(written.substr(302), ".00");
  EXPECT_EQ(text, Filled(written, 310));
}

TEST(RealText, Float) {
  struct Case {
    double x;
    int digits;
    std::size_t capacity;
    std::string text;
  };
  const std::vector<Case> cases = {
      {1234.5, 3, 12, "1.23E+03"},
      {-0.0, 1, 8, "-0E+00"},
      {-1.2345678901234567e-300, 45, 60, "-1.23456789012345675670158163370173162777343645E-300"},
      {-9.87654321e+123, 45, 52, "-9.87654320999999945105535498957093713727488519E+123"},
      {-9.87654321e+123, 45, 41, "-9.87654320999999945105535498957093713727"},
      // Digits below 1 leave the precision to the C library's default of 6.
      {1.0, 0, 20, "1.000000E+00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<char> text = Destination(c.capacity);
    RealToFloat(c.x, c.digits, text);
    EXPECT_EQ(text, Filled(c.text, c.capacity));
  }
}

TEST(RealText, EmptyDestinationIsLeftAlone) {
  RealToFloat(1.0, 5, std::span<char>());
  RealToFixed(1.0, 5, std::span<char>());
}

// ---- CRC-16 ------------------------------------------------------------

TEST(Crc16, TableEntries) {
  // From a zero crc one step yields the table entry of the byte itself.
  EXPECT_EQ(CRC16_Compute(0, 0), 0x0000);
  EXPECT_EQ(CRC16_Compute(0, 1), 0xC0C1);
  EXPECT_EQ(CRC16_Compute(0, 128), 0xA001);
  EXPECT_EQ(CRC16_Compute(0, 255), 0x4040);
}

TEST(Crc16, ArcCheckValue) {
  std::uint16_t crc = 0;
  for (const char c : std::string("123456789")) crc = CRC16_Compute(crc, static_cast<std::uint8_t>(c));
  EXPECT_EQ(crc, 0xBB3D);
}

// ---- Threads without a thread ------------------------------------------

TEST(Threads, NilHandlesAreIgnored) {
  EXPECT_TRUE(ThreadEnd(nullptr, 10.0));
  EXPECT_TRUE(ThreadKill(nullptr));
  Mutex_Lock(nullptr);
  Mutex_Release(nullptr);
  Mutex_Destroy(nullptr);
  EXPECT_EQ(ThreadStart(ThreadProc(), 0), nullptr);
  EXPECT_FALSE(ThreadStopRequested());
}

TEST(Threads, MutexCanBeLockedAgainAfterRelease) {
  MutexHandle mutex = Mutex_Create();
  ASSERT_NE(mutex, nullptr);
  Mutex_Lock(mutex);
  EXPECT_FALSE(mutex->try_lock());
  Mutex_Release(mutex);
  EXPECT_TRUE(mutex->try_lock());
  mutex->unlock();
  Mutex_Destroy(mutex);
}

// ---- Clock -------------------------------------------------------------

TEST(RealClock, WaitsLastAtLeastTheirTime) {
  const double start = ElapsedSeconds();
  SleepSeconds(0.03);
  const double slept = ElapsedSeconds();
  EXPECT_GE(slept - start, 0.03);
  WaitSeconds(0.03);
  const double waited = ElapsedSeconds();
  EXPECT_GE(waited - slept, 0.03);
  WaitSeconds(0.005);  // inside the busy margin: pure polling
  EXPECT_GE(ElapsedSeconds() - waited, 0.005);
}

TEST(RealClock, WaitsForNothingReturn) {
  SleepSeconds(-1.0);
  SleepSeconds(std::nan(""));
  WaitSeconds(0.0);
  WaitSeconds(-5.0);
  Mach_Sleep(0.0);
}

TEST(RealClock, AdvanceIsIgnored) {
  const double before = ElapsedSeconds();
  Advance(1000.0);
  EXPECT_LT(ElapsedSeconds() - before, 1000.0);
}

class VirtualClock : public ::testing::Test {
 protected:
  void SetUp() override { UseVirtualClock(0.0); }
  void TearDown() override { UseRealClock(); }
};

TEST_F(VirtualClock, TicksAfterTenSeconds) {
  EXPECT_EQ(Tick_Count(), 0U);
  Advance(10.0);
  EXPECT_EQ(ElapsedSeconds(), 10.0);
  EXPECT_EQ(Tick_Count(), 601U);  // 601.667 truncated
}

TEST_F(VirtualClock, WaitsMoveTimeToTheirDeadline) {
  struct Step {
    void (*wait)(double);
    double seconds;
    double after;
  };
  const std::vector<Step> steps = {
      {SleepSeconds, 2.5, 2.5}, {Mach_Sleep, 0.5, 3.0},   {WaitSeconds, 1.0, 4.0},
      {WaitSeconds, 0.25, 4.25}, {WaitSeconds, 0.0, 4.25}, {SleepSeconds, -3.0, 4.25},
      {WaitSeconds, std::nan(""), 4.25},
  };
  for (const Step& step : steps) {
    step.wait(step.seconds);
    EXPECT_EQ(ElapsedSeconds(), step.after) << "after waiting " << step.seconds;
  }
}

TEST_F(VirtualClock, AdvanceAddsAndNeverGoesBack) {
  Advance(1.5);
  Advance(1.5);
  EXPECT_EQ(ElapsedSeconds(), 3.0);
  Advance(-2.0);
  Advance(std::nan(""));
  EXPECT_EQ(ElapsedSeconds(), 3.0);
}

TEST_F(VirtualClock, HugeWaitsStayFinite) {
  SleepSeconds(std::numeric_limits<double>::infinity());
  EXPECT_TRUE(std::isfinite(ElapsedSeconds()));
  EXPECT_GT(ElapsedSeconds(), 1e8);
}

TEST_F(VirtualClock, CalendarMovesWithVirtualTime) {
  const double before = UtcSeconds();
  Advance(3600.0);
  EXPECT_DOUBLE_EQ(UtcSeconds() - before, 3600.0);
}

TEST(ClockSwitch, StartingAtTheCurrentTimeAvoidsAJump) {
  const double real = ElapsedSeconds();
  UseVirtualClock(real);
  const double installed = ElapsedSeconds();
  UseRealClock();
  EXPECT_GE(installed, real);
  EXPECT_GE(ElapsedSeconds(), installed);
}

}  // namespace
