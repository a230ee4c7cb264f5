#include "acquisition/ZRVLibrary.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

#include "acquisition/QRN24.h"
#include "acquisition/QRN2400.h"
#include "acquisition/QRN28.h"
#include "acquisition/tests/ZRVStandIn_fixture.h"
#include "foundation/platform/Clock.h"

namespace {

using ZRVLibrary::kLibraryNotFound;

using Loader = ZRVStandIn;

TEST_F(Loader, ResolvesEveryFunctionOfTheStandIn) {
#define EXPECT_RESOLVED(name) EXPECT_NE(ZRVLibrary::Functions().name, nullptr) << #name;
  ZRV_LIBRARY_FUNCTIONS(EXPECT_RESOLVED)
#undef EXPECT_RESOLVED
  EXPECT_EQ(QRN2400_LoadLibrary(), 0);
}

TEST_F(Loader, AnEmptyVariableMeansTheUsualSearch) {
  setenv(ZRVLibrary::kPathVariable, "", 1);
  ZRVLibrary::InitModule();
  // This test program carries the stand-in, which the loader's search by
  // name therefore finds.
  EXPECT_TRUE(ZRVLibrary::Load());
}

// The loader hands the platform clock to the stand-in: its boards sample in
// virtual time, and real time passing moves nothing.
TEST_F(Loader, BoardsRunOnThePlatformClock) {
  std::vector<std::uint8_t> record(static_cast<std::size_t>(QRN24_GetStructureSize()));
  void* device = record.data();
  ASSERT_EQ(QRN24_Open(device, 0), 0);
  ASSERT_EQ(QRN24_Initialize(device), 0);
  const std::uint16_t step = 0x1F;
  ASSERT_EQ(QRN24_InitializeAcquisition(device), 0);
  ASSERT_EQ(QRN24_SetSequence(device, 1, &step), 0);
  ASSERT_EQ(QRN24_SetSamplingInterval(device, 10), 0);
  ASSERT_EQ(QRN24_Start(device, 0, 0, 1, 1), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::int32_t count = 0;
  ASSERT_EQ(QRN24_GetFIFOReadAvailable(device, count), 0);
  EXPECT_EQ(count, -5);
  Platform::Advance(0.1);
  ASSERT_EQ(QRN24_GetFIFOReadAvailable(device, count), 0);
  EXPECT_EQ(count, 10'000 - 5);
  ASSERT_EQ(QRN24_Close(device), 0);
}

// Without the library every board call answers "library not found" and
// none crashes; the calls that give sizes give 0.
TEST_F(Loader, WithoutTheLibraryEveryCallIsRefused) {
  setenv(ZRVLibrary::kPathVariable, "/no/such/folder/libZRV.so", 1);
  ZRVLibrary::InitModule();
  EXPECT_FALSE(ZRVLibrary::Load());
  EXPECT_EQ(QRN2400_LoadLibrary(), kLibraryNotFound);
#define EXPECT_MISSING(name) EXPECT_EQ(ZRVLibrary::Functions().name, nullptr) << #name;
  ZRV_LIBRARY_FUNCTIONS(EXPECT_MISSING)
#undef EXPECT_MISSING

  std::uint8_t record[64] = {};
  void* device = record;
  void* handle = nullptr;
  std::int16_t samples[4] = {};
  std::int16_t* vectors[2] = {samples, samples};
  const std::uint16_t words[1] = {0};
  const std::array<std::int32_t, ZRVLibraryCalls::kRangeCount> ranges{};
  const std::array<std::int32_t, ZRVLibraryCalls::kDacShiftCount> shifts{};
  std::int32_t value = 7;
  std::uint32_t bits = 7;
  std::uint32_t serial = 7;
  double volts[4] = {};
  std::uint16_t digital[2] = {};
  const std::int32_t channels[4] = {0, 1, 27, 28};
  char text[32] = "unchanged";
  const std::function<std::int32_t()> calls[] = {
      [&] { return QRN24_Open(device, 0); },
      [&] { return QRN24_Initialize(device); },
      [&] { return QRN24_Close(device); },
      [&] { return QRN24_GetStatusText(device, 1, text); },
      [&] { return QRN24_SetSamplingInterval(device, 10); },
      [&] { return QRN24_SetSequence(device, 1, words); },
      [&] { return QRN24_InitializeAcquisition(device); },
      [&] { return QRN24_Start(device, 0, 1, 1, 1); },
      [&] { return QRN24_WriteFIFO(device, 4, samples); },
      [&] { return QRN24_GetFIFOReadAvailable(device, value); },
      [&] { return QRN24_ReadFIFO(device, 4, samples); },
      [&] { return QRN24_IsClipping(device, value); },
      [&] { return QRN24_GetFIFOOverflow(device, value); },
      [&] { return QRN24_Stop(device); },
      [&] { return QRN28_Open(device, 0); },
      [&] { return QRN28_Initialize(device, 0); },
      [&] { return QRN28_Close(device); },
      [&] { return QRN28_GetStatusText(device, 1, text); },
      [&] { return QRN28_SetSamplingInterval(device, 10, 0); },
      [&] { return QRN28_SetSequence(device, 1, words); },
      [&] { return QRN28_InitializeAcquisition(device); },
      [&] { return QRN28_Start(device, 0, 1, 1, 1); },
      [&] { return QRN28_WriteFIFO(device, 4, samples); },
      [&] { return QRN28_GetFIFOReadAvailable(device, value); },
      [&] { return QRN28_ReadFIFO(device, 4, samples); },
      [&] { return QRN28_IsClipping(device, value); },
      [&] { return QRN28_GetFIFOOverflow(device, value); },
      [&] { return QRN28_Stop(device); },
      [&] { return QRN28_SetDACShift(device, shifts); },
      [&] { return QRN28_SetRange(device, ranges); },
      [&] { return QRN28_SetExternalTriggerMode(device, 1, 1); },
      [&] { return QRN2400_GetStatusText(handle, 1, text); },
      [&] { return QRN2400_SetFifoSize(1024); },
      [&] { return QRN2400_OpenDevice(handle, 0); },
      [&] { return QRN2400_Initialize(handle, 0, serial, serial); },
      [&] { return QRN2400_GetInfo(handle, value, value, value, value); },
      [&] { return QRN2400_CloseDevice(handle); },
      [&] { return QRN2400_SetDac(handle, 0, 0); },
      [&] { return QRN2400_ReadAll(handle, 4, channels, volts, digital); },
      [&] {
        std::int32_t single = 1;
        return QRN2400_StartStimAndSample(handle, 1, 1, 4, 4, false, false, true, true, channels,
                                          channels, channels, channels, 10e-6, 1, 1, vectors, single);
      },
      [&] { return QRN2400_TransferToFIFO(handle); },
      [&] { return QRN2400_GetFIFOOverflow(handle, bits); },
      [&] { return QRN2400_GetClipping(handle, bits); },
      [&] { return QRN2400_GetFIFOReadAvailable(handle, value); },
      [&] { return QRN2400_ReadStimAndSample(handle, 1, 4, false, vectors); },
      [&] { return QRN2400_AppendToFIFO(handle, 1, 4, true, vectors); },
      [&] { return QRN2400_Stop(handle); },
  };
  for (std::size_t n = 0; n < std::size(calls); ++n) EXPECT_EQ(calls[n](), kLibraryNotFound) << "call " << n;
  EXPECT_EQ(serial, 7u) << "outputs untouched";
  EXPECT_EQ(handle, nullptr);
  EXPECT_STREQ(text, "unchanged");

  EXPECT_EQ(QRN24_GetStructureSize(), 0);
  EXPECT_EQ(QRN28_GetStructureSize(), 0);
  EXPECT_EQ(QRN28_GetFIFOSize(device), 0);
  std::int32_t first = 5;
  std::int32_t second = 5;
  EXPECT_EQ(QRN2400_GetDriverVersion(handle, first, second), kLibraryNotFound);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(second, 0);
  EXPECT_EQ(QRN2400_ReadAdc(handle, 0, value), kLibraryNotFound);
  EXPECT_EQ(value, 0);
  std::int32_t digitalIn = 0;
  std::int32_t digitalOut = 0;
  QRN2400_GetDigChanOffsets(digitalIn, digitalOut);
  EXPECT_EQ(digitalIn, 26);
  EXPECT_EQ(digitalOut, 8);
}

}  // namespace
