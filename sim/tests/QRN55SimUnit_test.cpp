// The simulated unit's side of the data-file protocol.
#include "sim/QRN55SimUnit.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "foundation/platform/Clock.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint64_t kPulse = 0x200000;
constexpr std::uint64_t kFIFO = 0x400000;
constexpr std::uint64_t kWindow = 0x600000;
constexpr std::uint64_t kSignature = 0x800000;
constexpr std::uint64_t kRecording = 0xA00000;
constexpr std::uint64_t kSettings = 0xC00000;
constexpr std::uint64_t kControl = 0xE00000;
constexpr std::uint64_t kDelay = 0x1000000;
constexpr std::uint64_t kTransferSize = 0x1200000;
constexpr std::uint64_t kPortE = 0x1400000;

class VirtualClock {
 public:
  VirtualClock() { Platform::UseVirtualClock(100.0); }
  ~VirtualClock() { Platform::UseRealClock(); }
};

Bytes Block(Bytes head, std::size_t size = 4096) {
  head.resize(size, 0);
  return head;
}

void Put16(Bytes& bytes, std::size_t offset, int value) {
  bytes[offset] = static_cast<std::uint8_t>(value);
  bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
  Put16(bytes, offset, static_cast<int>(value & 0xFFFF));
  Put16(bytes, offset + 2, static_cast<int>(value >> 16));
}

void Write(QRN55SimUnit& unit, std::uint64_t address, const Bytes& bytes) {
  ASSERT_EQ(unit.Write(address, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

Bytes Read(QRN55SimUnit& unit, std::uint64_t address, std::size_t size = 4096) {
  Bytes bytes(size, 0xEE);
  EXPECT_EQ(unit.Read(address, bytes.data(), size), static_cast<ssize_t>(size));
  return bytes;
}

void TransferSize(QRN55SimUnit& unit, std::uint32_t size, int address = 0, bool unlock = false,
                  bool port_e = false) {
  Bytes block = Block({});
  Put32(block, 0, size);
  Put16(block, 4, address);
  block[6] = unlock;
  block[7] = port_e;
  Write(unit, kTransferSize, block);
}

// An acquisition settings block: entries, frame interval and control
// register; byte counts and frames for a pulse.
Bytes Settings(std::vector<int> entries, int control, int frame_interval = 0,
               std::uint32_t input_bytes = 0, std::uint32_t output_bytes = 0,
               std::uint32_t frames = 0, std::size_t size = 4096) {
  Bytes block = Block({}, size);
  Put32(block, 0, input_bytes);
  Put32(block, 4, output_bytes);
  Put16(block, 8, frame_interval);
  entries.resize(8, 0xFFFF);
  for (int entry = 0; entry < 8; ++entry) Put16(block, 24 - 2 * entry, entries[entry]);
  Put32(block, 26, frames);
  block[34] = static_cast<std::uint8_t>(control);
  return block;
}

Bytes Samples(const std::vector<std::int16_t>& samples) {
  Bytes bytes(2 * samples.size());
  for (std::size_t i = 0; i < samples.size(); ++i) Put16(bytes, 2 * i, samples[i]);
  return bytes;
}

std::vector<std::int16_t> SamplesOf(const Bytes& bytes, std::size_t count) {
  std::vector<std::int16_t> samples(count);
  for (std::size_t i = 0; i < count; ++i) {
    samples[i] = static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  }
  return samples;
}

struct Status {
  std::uint64_t count;
  int bits;
  int clipping;
};

Status RecordingStatus(QRN55SimUnit& unit) {
  const Bytes block = Read(unit, kRecording);
  std::uint64_t count = 0;
  for (int i = 7; i >= 0; --i) count = count << 8 | block[i];
  return {count, block[8], block[9]};
}

// ADC0 in and DAC0 out in one step.
constexpr int kLoopEntry = 0x7004;

TEST(SimUnit, SignatureBlock) {
  QRN55SimUnitConfig config;
  config.signature = {{'V', 'R', 'N', 'X'}, 0x1234, 0x0200, 10, 8, 3};
  QRN55SimUnit unit(config);
  const Bytes block = Read(unit, kSignature);
  EXPECT_EQ(Bytes(block.begin(), block.begin() + 12),
            (Bytes{'V', 'R', 'N', 'X', 0x34, 0x12, 0x00, 0x02, 10, 0, 8, 3}));
  EXPECT_EQ(block[12], 0);
  EXPECT_EQ(Read(unit, kSignature + 4, 2), (Bytes{0x34, 0x12}));  // a later piece
}

TEST(SimUnit, EEPROMWindowFollowsTheAddressAndTheLock) {
  QRN55SimUnit unit;
  const auto record = QRN55SimDeviceRecord().Encode();
  EXPECT_EQ(unit.ReadEEPROM(0x3E00, 512), Bytes(record.begin(), record.end()));
  EXPECT_EQ(unit.ReadEEPROM(0, 2), (Bytes{0xFF, 0xFF}));  // erased

  TransferSize(unit, 0, 0x3E40);
  Bytes window = Read(unit, kWindow);
  EXPECT_EQ(Bytes(window.begin(), window.begin() + 64),
            Bytes(record.begin() + 64, record.begin() + 128));
  EXPECT_EQ(window[64], 0);

  const Bytes data = Block(Bytes(64, 0x42));
  TransferSize(unit, 0, 0x100, false);
  Write(unit, kWindow, data);
  EXPECT_EQ(unit.ReadEEPROM(0x100, 64), Bytes(64, 0xFF));
  TransferSize(unit, 0, 0x100, true);
  Write(unit, kWindow, data);
  EXPECT_EQ(unit.ReadEEPROM(0x100, 64), Bytes(64, 0x42));
  // The window wraps at the end of the EEPROM.
  TransferSize(unit, 0, 0x3FE0, true);
  Write(unit, kWindow, data);
  EXPECT_EQ(unit.ReadEEPROM(0, 32), Bytes(32, 0x42));
}

TEST(SimUnit, EEPROMSurvivesPowerCycles) {
  char folder[] = "/tmp/qrn55-state-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  QRN55SimUnitConfig config;
  config.eeprom_file = std::string(folder) + "/unit.eeprom";
  {
    QRN55SimUnit unit(config);
    TransferSize(unit, 0, 0x200, true);
    Write(unit, kWindow, Block(Bytes(64, 0x17)));
    unit.PowerCycle();
    EXPECT_EQ(unit.ReadEEPROM(0x200, 64), Bytes(64, 0x17));
    // The unlock flag did not survive.
    Write(unit, kWindow, Block(Bytes(64, 0x99)));
    EXPECT_EQ(unit.ReadEEPROM(0x200, 64), Bytes(64, 0x17));
  }
  QRN55SimUnit again(config);  // the same state folder, a new process's unit
  EXPECT_EQ(again.ReadEEPROM(0x200, 64), Bytes(64, 0x17));

  QRN55SimUnit in_memory;
  in_memory.WriteEEPROM(0x300, Bytes{1, 2, 3});
  in_memory.PowerCycle();
  EXPECT_EQ(in_memory.ReadEEPROM(0x300, 3), (Bytes{1, 2, 3}));
  std::remove(config.eeprom_file.c_str());
  rmdir(folder);
}

TEST(SimUnit, JoinsPiecesByOffset) {
  QRN55SimUnit unit;
  Bytes block = Block({});
  Put16(block, 4, 0x3E00);
  // The address arrives in the second piece; the unit acts on the whole.
  ASSERT_EQ(unit.Write(kTransferSize, block.data(), 3), 3);
  ASSERT_EQ(unit.Write(kTransferSize + 3, block.data() + 3, block.size() - 3),
            static_cast<ssize_t>(block.size() - 3));
  EXPECT_EQ(Read(unit, kWindow)[0], QRN55SimDeviceRecord().Encode()[0]);

  // A piece that does not continue the block is not a block.
  Put16(block, 4, 0x100);
  ASSERT_EQ(unit.Write(kTransferSize + 8, block.data() + 8, 100), 100);
  ASSERT_EQ(unit.Write(kTransferSize, block.data(), 3), 3);
  ASSERT_EQ(unit.Write(kTransferSize + 5, block.data() + 5, 100), 100);
  EXPECT_EQ(Read(unit, kWindow)[0], QRN55SimDeviceRecord().Encode()[0]);
}

TEST(SimUnit, ContinuousAcquisitionFollowsTheClock) {
  VirtualClock clock;
  QRN55SimUnit unit;  // sequence counter delay 2
  Write(unit, kSettings, Settings({kLoopEntry}, 0x02));
  std::vector<std::int16_t> out(100);
  for (int i = 0; i < 100; ++i) out[i] = static_cast<std::int16_t>(100 * i - 5000);
  TransferSize(unit, 200);
  Write(unit, kFIFO, Block(Samples(out)));
  Write(unit, kRecording, Block({1, 0x02}));
  EXPECT_TRUE(unit.IsRunning());

  Platform::Advance(60 * 5e-6);  // 60 frames of one 5 us slot
  Status status = RecordingStatus(unit);
  EXPECT_EQ(status.count, 60u);
  EXPECT_EQ(status.bits, 0x04);  // running

  // 58 frames have left the pipeline; each reads back what went out.
  TransferSize(unit, 2 * 56);
  const Bytes input = Read(unit, kFIFO);
  EXPECT_EQ(SamplesOf(input, 56), std::vector<std::int16_t>(out.begin(), out.begin() + 56));
  EXPECT_EQ(input[2 * 56], 0);  // past the announced count

  // The output FIFO runs dry after 100 frames.
  Platform::Advance(60 * 5e-6);
  status = RecordingStatus(unit);
  EXPECT_EQ(status.count, 120u);
  EXPECT_EQ(status.bits, 0x05);

  Write(unit, kRecording, Block({2, 0x02}));
  Platform::Advance(1.0);
  EXPECT_EQ(RecordingStatus(unit).count, 120u);
  EXPECT_FALSE(unit.IsRunning());
}

// The FIFOs move whole groups of 4 frames in continuous acquisition; a
// transfer announced with any other count is refused and noted.
TEST(SimUnit, ContinuousFIFOTransfersAreWholeGroupsOfFourFrames) {
  VirtualClock clock;
  QRN55SimUnit unit;
  Write(unit, kSettings, Settings({kLoopEntry}, 0x02));
  const std::vector<std::int16_t> out = {1, 2, 3, 4, 5, 6, 7, 8};
  struct Case {
    int frames;
    bool refused;
  };
  const std::vector<Case> cases = {{1, true},  {2, true}, {3, true},
                                   {4, false}, {6, true}, {8, false}};
  std::size_t refusals = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.frames);
    TransferSize(unit, static_cast<std::uint32_t>(2 * c.frames));
    Write(unit, kFIFO, Block(Samples(out)));
    if (c.refused) ++refusals;
    const std::vector<std::string> refused = unit.RefusedTransfers();
    ASSERT_EQ(refused.size(), refusals);
    if (c.refused) {
      EXPECT_EQ(refused.back(), "FIFO write of " + std::to_string(2 * c.frames) +
                                    " bytes: frames of 2 bytes move in whole groups of 4");
    }
  }
  // Only the 12 frames of the whole groups went into the FIFO.
  Write(unit, kRecording, Block({1, 0x02}));
  Platform::Advance(16 * 5e-6);
  TransferSize(unit, 2 * 12);
  EXPECT_EQ(SamplesOf(Read(unit, kFIFO), 12),
            (std::vector<std::int16_t>{1, 2, 3, 4, 1, 2, 3, 4, 5, 6, 7, 8}));
  // A read of a part group moves nothing; the frames stay for the next.
  Platform::Advance(4 * 5e-6);
  TransferSize(unit, 2 * 2);
  EXPECT_EQ(SamplesOf(Read(unit, kFIFO), 2), (std::vector<std::int16_t>{0, 0}));
  EXPECT_EQ(unit.RefusedTransfers().back(),
            "FIFO read of 4 bytes: frames of 2 bytes move in whole groups of 4");
  TransferSize(unit, 2 * 4);
  EXPECT_EQ(SamplesOf(Read(unit, kFIFO), 2), (std::vector<std::int16_t>{8, 8}));
}

TEST(SimUnit, PowerCycleForgetsTheAcquisition) {
  VirtualClock clock;
  QRN55SimUnit unit;
  Write(unit, kSettings, Settings({kLoopEntry}, 0x02));
  Write(unit, kRecording, Block({1, 0x02}));
  Platform::Advance(0.001);
  ASSERT_GT(RecordingStatus(unit).count, 0u);
  unit.PowerCycle();
  EXPECT_FALSE(unit.IsRunning());
  const Status status = RecordingStatus(unit);
  EXPECT_EQ(status.count, 0u);
  EXPECT_EQ(status.bits, 0);
  EXPECT_EQ(Read(unit, kFIFO, 4), (Bytes{0, 0, 0, 0}));
}

TEST(SimUnit, FrameIntervalAndOverflow) {
  VirtualClock clock;
  QRN55SimUnitConfig config;
  config.fifo_samples = 64;
  QRN55SimUnit unit(config);
  // ADC0 only; an interval of 10 slots per frame.
  Write(unit, kSettings, Settings({0x7704}, 0x12, 10));
  Write(unit, kRecording, Block({1, 0x12}));
  Platform::Advance(50 * 10 * 5e-6);
  Status status = RecordingStatus(unit);
  EXPECT_EQ(status.count, 50u);
  EXPECT_EQ(status.bits, 0x04);
  Platform::Advance(50 * 10 * 5e-6);
  status = RecordingStatus(unit);
  EXPECT_EQ(status.count, 100u);
  EXPECT_EQ(status.bits, 0x06);  // input FIFO overflow
  // Reset clears the acquisition.
  Write(unit, kRecording, Block({3, 0}));
  EXPECT_EQ(RecordingStatus(unit).bits, 0);
}

TEST(SimUnit, TriggerFreezeAndForcedFlags) {
  VirtualClock clock;
  QRN55SimUnit unit;
  Write(unit, kSettings, Settings({0x7704}, 0x04));
  Write(unit, kRecording, Block({1, 0x04}));
  Platform::Advance(0.001);
  EXPECT_EQ(RecordingStatus(unit).count, 0u);  // waits for its trigger
  unit.ExternalTrigger();
  Platform::Advance(10 * 5e-6);
  Status status = RecordingStatus(unit);
  EXPECT_EQ(status.count, 10u);
  EXPECT_EQ(status.bits, 0x0C);

  unit.FreezeSequenceCount(true);
  Platform::Advance(10 * 5e-6);
  EXPECT_EQ(RecordingStatus(unit).count, 10u);
  unit.FreezeSequenceCount(false);
  Platform::Advance(10 * 5e-6);
  EXPECT_EQ(RecordingStatus(unit).count, 20u);

  unit.ForceOverflow(true);
  unit.ForceUnderflow(true);
  EXPECT_EQ(RecordingStatus(unit).bits & 0x03, 0x03);
}

TEST(SimUnit, PulseRunsAtOnce) {
  QRN55SimUnit unit;
  // Two steps: DAC0 then DAC1 out, ADC0 then ADC1 in (loopback DAC1 -> ADC1).
  const std::vector<int> entries = {0x7004, 0x7120};
  constexpr int kFrames = 5;
  const std::vector<std::int16_t> out = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  Bytes block = Settings(entries, 0x02, 0, 2 * 2 * kFrames, 2 * 2 * kFrames, kFrames, 512);
  const Bytes samples = Samples(out);
  block.insert(block.end(), samples.begin(), samples.end());
  Write(unit, kPulse, block);
  // Frame f drives DAC0 = out[2f] and DAC1 = out[2f + 1]; ADC0 and ADC1 see them.
  const Bytes input = Read(unit, kFIFO, 4096);
  EXPECT_EQ(SamplesOf(input, 10), out);
  EXPECT_EQ(SamplesOf(input, 11)[10], 0);
  EXPECT_EQ(RecordingStatus(unit).count, static_cast<std::uint64_t>(kFrames));
}

TEST(SimUnit, InputOrderDigitalLinesAndMultiplexer) {
  QRN55SimUnit unit;
  unit.Loopback().SetError(7, 1.0, 1.0);   // ADC7 sees DAC2 + 1 V
  unit.Loopback().SetError(8, 1.0, -1.0);  // the multiplexer line sees DAC2 - 1 V
  // One step: outputs DAC2 and the user digital word; inputs ADC2, user,
  // TLV and ADC7.
  const int entry = 0x5000 | 0x0200 | 0x05 | 0x40 | 0x80 | 0x38;
  const std::vector<std::int16_t> out = {3200, 0x1234};
  for (int control : {0x02, 0x22}) {
    SCOPED_TRACE(control);
    Bytes block = Settings({entry}, control, 0, 8, 4, 1, 512);
    const Bytes samples = Samples(out);
    block.insert(block.end(), samples.begin(), samples.end());
    Write(unit, kPulse, block);
    const std::vector<std::int16_t> read = SamplesOf(Read(unit, kFIFO), 4);
    EXPECT_EQ(read[0], 3200);    // ADC2 sees DAC2
    EXPECT_EQ(read[1], 0x1234);  // user digital in = out
    EXPECT_EQ(read[2], 0);       // TLV digital in = out (not driven)
    EXPECT_EQ(read[3], control == 0x22 ? 0 : 6400);
  }
}

TEST(SimUnit, ClippingMarksTheBoardUntilRead) {
  QRN55SimUnit unit;
  unit.Loopback().SetError(3, 4.0, 0.0);  // ADC3 on board 2
  // Step: DAC3 out, ADC3 in.
  Bytes block = Settings({0x7000 | 0x0300 | 0x28}, 0x02, 0, 2, 2, 1, 512);
  const Bytes samples = Samples({20000});
  block.insert(block.end(), samples.begin(), samples.end());
  Write(unit, kPulse, block);
  EXPECT_EQ(SamplesOf(Read(unit, kFIFO), 1)[0], 32767);
  EXPECT_EQ(RecordingStatus(unit).clipping, 0x02);
  EXPECT_EQ(RecordingStatus(unit).clipping, 0);
}

TEST(SimUnit, NoiseIsRepeatable) {
  auto noisy = [] {
    QRN55SimUnit unit;
    unit.Loopback().SetNoise(0.01, 7);
    Bytes block = Settings({0x7004}, 0x02, 0, 20, 20, 10, 512);
    const Bytes samples = Samples(std::vector<std::int16_t>(10, 1000));
    block.insert(block.end(), samples.begin(), samples.end());
    Write(unit, kPulse, block);
    return SamplesOf(Read(unit, kFIFO), 10);
  };
  const std::vector<std::int16_t> first = noisy();
  EXPECT_EQ(first, noisy());
  EXPECT_NE(first, std::vector<std::int16_t>(10, 1000));
}

TEST(SimUnit, ControlOutputsDelayAndPortE) {
  VirtualClock clock;
  QRN55SimUnit unit;
  Write(unit, kControl, Block({0x18, 0x00}));
  EXPECT_DOUBLE_EQ(unit.ControlOutputVolts(1), 2048 / 819.2);
  EXPECT_DOUBLE_EQ(unit.ControlOutputVolts(0), 0.0);
  const double before = Platform::ElapsedSeconds();
  Write(unit, kDelay, Block({200}));
  EXPECT_EQ(unit.LastDelayTicks(), 200);
  EXPECT_NEAR(Platform::ElapsedSeconds() - before, 0.001, 1e-12);

  Write(unit, kPortE, Bytes{1, 2, 3});  // ignored while disabled
  EXPECT_EQ(Read(unit, kPortE, 3), (Bytes{0, 0, 0}));
  TransferSize(unit, 0, 0, false, true);
  Write(unit, kPortE, Bytes{1, 2, 3});
  EXPECT_EQ(Read(unit, kPortE, 4), (Bytes{1, 2, 3, 0}));
}

TEST(SimUnit, InjectedFaults) {
  QRN55SimUnit unit;
  Bytes buffer(100);
  unit.InjectFault(QRN55SimFault::kShortRead, static_cast<std::int64_t>(kSignature), 1);
  EXPECT_EQ(unit.Read(kRecording, buffer.data(), 100), 100);  // another region
  EXPECT_EQ(unit.Read(kSignature, buffer.data(), 100), 50);
  EXPECT_EQ(unit.Read(kSignature, buffer.data(), 100), 100);  // used up

  unit.InjectFault(QRN55SimFault::kReadError);
  EXPECT_EQ(unit.Read(kFIFO, buffer.data(), 100), -EIO);
  EXPECT_EQ(unit.Read(kFIFO, buffer.data(), 100), -EIO);
  unit.ClearFaults();
  EXPECT_EQ(unit.Read(kFIFO, buffer.data(), 100), 100);

  // A short write is not acted on.
  unit.InjectFault(QRN55SimFault::kShortWrite, QRN55SimUnit::kAnyAddress, 1);
  const Bytes control = Block({0x10, 0x20});
  EXPECT_EQ(unit.Write(kControl, control.data(), control.size()), 2048);
  EXPECT_EQ(unit.ControlOutputVolts(1), 0.0);
  unit.InjectFault(QRN55SimFault::kWriteError, QRN55SimUnit::kAnyAddress, 1);
  EXPECT_EQ(unit.Write(kControl, control.data(), control.size()), -EIO);
  unit.InjectFault(QRN55SimFault::kSyncError, QRN55SimUnit::kAnyAddress, 1);
  EXPECT_EQ(unit.Sync(), -EIO);
  EXPECT_EQ(unit.Sync(), 0);

  unit.Unplug();
  EXPECT_EQ(unit.Read(kSignature, buffer.data(), 100), -ENODEV);
  EXPECT_EQ(unit.Write(kControl, control.data(), control.size()), -ENODEV);
  EXPECT_EQ(unit.Sync(), -ENODEV);
  unit.Plug();
  EXPECT_EQ(unit.Read(kSignature, buffer.data(), 100), 100);
}

// A load image: marker, release number, data records of `counts` bytes,
// then the record that releases the controller from reset.
Bytes LoadImage(int release, const std::vector<int>& counts = {3, 1023, 5}) {
  Bytes image{0xC2, 0x47, 0x05, 0x55, 0x05, 0, 0, 0x00};
  Put16(image, 5, release);
  int address = 0;
  for (int count : counts) {
    image.insert(image.end(), {static_cast<std::uint8_t>(count >> 8),
                               static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(address >> 8),
                               static_cast<std::uint8_t>(address)});
    image.insert(image.end(), static_cast<std::size_t>(count), static_cast<std::uint8_t>(count));
    address += count;
  }
  image.insert(image.end(), {0x80, 0x01, 0xE6, 0x00, 0x00});
  return image;
}

int FirmwareByte(QRN55SimUnit& unit) { return Read(unit, kSignature)[10]; }

TEST(SimUnit, BootsTheLoadImageOfItsEEPROM) {
  struct Case {
    const char* what;
    Bytes image;
    int firmware;  // -1: the controller does not come up
  };
  const Bytes valid = LoadImage(9);
  const std::size_t last = valid.size() - 5;
  auto changed = [&](std::size_t offset, std::uint8_t value) {
    Bytes image = valid;
    image[offset] = value;
    return image;
  };
  // Records of 1023 bytes that run past the end of the EEPROM.
  const Bytes overrun = LoadImage(9, std::vector<int>(16, 1023));
  const std::vector<Case> cases = {
      {"valid", valid, 9},
      {"release above 255: its low byte", LoadImage(0x0107), 7},
      {"clock bits beside the cleared reset bit", changed(last + 4, 0x10), 9},
      {"zeroed header", Bytes(64, 0), -1},
      {"other marker", changed(0, 0xC0), -1},
      {"empty data record", changed(9, 0x00), -1},
      {"reserved length bits", changed(8, 0x04), -1},
      {"last record of two bytes", changed(last + 1, 0x02), -1},
      {"last record elsewhere", changed(last + 3, 0x01), -1},
      {"last record holds the reset", changed(last + 4, 0x01), -1},
      {"no last record", Bytes(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(last)),
       -1},
      {"walk past the end", Bytes(overrun.begin(), overrun.begin() + QRN55SimUnit::kEEPROMSize),
       -1},
  };
  for (const Case& c : cases) {
    QRN55SimUnitConfig config;
    config.signature.firmware = 5;
    QRN55SimUnit unit(config);
    unit.WriteEEPROM(0, c.image);
    EXPECT_EQ(FirmwareByte(unit), 5) << c.what << ": the image runs only after a power cycle";
    unit.PowerCycle();
    EXPECT_EQ(unit.IsPlugged(), c.firmware >= 0) << c.what;
    if (c.firmware >= 0) {
      EXPECT_EQ(FirmwareByte(unit), c.firmware) << c.what;
    } else {
      Bytes buffer(64);
      EXPECT_EQ(unit.Read(kSignature, buffer.data(), buffer.size()), -ENODEV) << c.what;
      EXPECT_EQ(unit.Write(kTransferSize, buffer.data(), 8), -ENODEV) << c.what;
      EXPECT_EQ(unit.Sync(), -ENODEV) << c.what;
    }
  }
}

TEST(SimUnit, ABrokenImageIsMendedOnlyThroughItsEEPROM) {
  QRN55SimUnit unit;
  unit.WriteEEPROM(0, Bytes(64, 0));
  unit.PowerCycle();
  unit.Unplug();
  unit.Plug();
  EXPECT_FALSE(unit.IsPlugged()) << "plugging in again boots the same image";
  unit.WriteEEPROM(0, LoadImage(11));
  unit.PowerCycle();
  ASSERT_TRUE(unit.IsPlugged());
  EXPECT_EQ(FirmwareByte(unit), 11);
  unit.Unplug();
  EXPECT_FALSE(unit.IsPlugged());
}

TEST(SimUnit, AnErasedBootAreaKeepsTheConfiguredFirmware) {
  QRN55SimUnitConfig config;
  config.signature.firmware = 6;
  QRN55SimUnit unit(config);
  unit.PowerCycle();
  EXPECT_TRUE(unit.IsPlugged());
  EXPECT_EQ(FirmwareByte(unit), 6);
  QRN55SimSignature signature;
  signature.firmware = 8;
  unit.SetSignature(signature);
  EXPECT_EQ(FirmwareByte(unit), 8);
  unit.PowerCycle();
  EXPECT_EQ(FirmwareByte(unit), 8);

  unit.WriteEEPROM(0, LoadImage(7));
  unit.PowerCycle();
  EXPECT_EQ(FirmwareByte(unit), 7) << "the image, not the signature";
  unit.SetSignature(signature);
  EXPECT_EQ(FirmwareByte(unit), 8) << "until the next power cycle";
  unit.PowerCycle();
  EXPECT_EQ(FirmwareByte(unit), 7);
}

TEST(SimUnit, AUnitMadeFromAStateFolderBootsItsImage) {
  char folder[] = "/tmp/qrn55-boot-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  QRN55SimUnitConfig config;
  config.eeprom_file = std::string(folder) + "/unit.eeprom";
  config.signature.firmware = 5;
  QRN55SimUnit(config).WriteEEPROM(0, LoadImage(7));
  {
    QRN55SimUnit unit(config);
    EXPECT_EQ(FirmwareByte(unit), 7);
    unit.WriteEEPROM(0, Bytes(64, 0));
  }
  EXPECT_FALSE(QRN55SimUnit(config).IsPlugged());
  std::remove(config.eeprom_file.c_str());
  rmdir(folder);
}

}  // namespace
