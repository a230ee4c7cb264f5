// A simulated QRN 5+5 unit: the unit's side of the data-file protocol.
//
// Every read and write of the unit's data file is handed to Read and Write
// with its byte address, and acted on before the call returns: the same
// address is written with one meaning and read with another, which a plain
// file cannot do. Transfers that arrive in pieces (a FUSE volume splits
// those above its maximum transfer) are joined by offset before the unit
// acts on a block.
//
// What the unit does:
//   0x200000 pulse block: settings, then output samples; the pulse runs all
//            its frames from the write's instant, leaves its input in the
//            input FIFO and holds up the write for its length.
//   0x400000 FIFO: writes feed the output FIFO, reads drain the input FIFO,
//            each at most the byte count of the last data transfer size
//            block (any amount when that count was 0); missing input reads
//            as 0. During continuous acquisition the FIFOs move whole
//            groups of 4 frames: a transfer whose announced byte count is
//            not one is refused (nothing moves, a read gives zeros) and
//            noted in RefusedTransfers.
//   0x600000 EEPROM window: 64 bytes at the address of the last data
//            transfer size block; writes are ignored while locked.
//   0x800000 signature block; 0xA00000 recording control and status;
//   0xC00000 acquisition settings (they also clear the acquisition);
//   0xE00000 control outputs; 0x1000000 delay; 0x1200000 data transfer
//   size; 0x1400000 port E, a memory that answers only while enabled.
//
// Acquisition: one frame lasts interval x 5 us (interval = the sequence
// steps plus the frame interval less one). The sequence count follows the
// program's clock (Platform::ElapsedSeconds, so a virtual clock drives it).
// In each frame the unit takes one sample per output slot from the output
// FIFO (holding the last values when it runs dry: underflow), asks the
// wiring what its inputs see, and converts one sample per input slot
// (-10.24..10.24 V to 16-bit codes; a saturated code sets the clipping bit
// of its board, ADC 2b and 2b+1 on board b+1). The input samples of a step
// come in the order: first converter, user digital, TLV digital, second
// converter. They reach the input FIFO a sequence-counter-delay number of
// frames later (the delay from the unit's EEPROM record, read at power on);
// a full FIFO drops them (overflow). The recording status reports the
// clipping since the previous status read: the saturated codes and the
// wiring's clipping lines, taken at every frame and at the read itself.
//
// Booting: at power on the controller runs the load image at the start of
// its EEPROM, as the boot loader finds it: marker 0xC2, then records of a
// big-endian length word (bits 0-9 the byte count 1..1023, bits 10-14
// clear, bit 15 only in the last record) and a big-endian load address,
// ending in a one-byte record to the CPU control register (0xE600) that
// leaves the reset bit (bit 0) clear; the loader checks the format, not
// where the records load. The signature's firmware byte is then the image's
// release number (bytes 5-6, little-endian; its low byte). A unit whose
// image the loader would not run presents no volume: it fails every
// transfer as if unplugged, until a power cycle boots a valid image. The
// simulation does not hold the image a unit is made with: while the first
// byte of the EEPROM is still erased (0xFF) the unit runs the firmware its
// configured signature names.
//
// All members are safe to call from any thread.
#pragma once

#include <sys/types.h>

#include <array>
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "sim/QRN55SimDeviceRecord.h"
#include "sim/QRN55SimLoopback.h"
#include "sim/QRN55SimWiring.h"

struct QRN55SimSignature {
  std::array<char, 4> magic{'V', 'R', 'N', 'L'};
  std::uint16_t information_location = QRN55SimDeviceRecord::kEEPROMAddress;
  std::uint16_t information_length = QRN55SimDeviceRecord::kSize;
  std::uint16_t timer_unit = 5;  // microseconds per delay tick
  std::uint8_t firmware = 7;
  std::uint8_t logic = 0;
};

struct QRN55SimUnitConfig {
  QRN55SimSignature signature;
  // The file (in a state folder) that keeps the EEPROM across power cycles;
  // empty keeps it in memory only. A unit without one starts with an erased
  // EEPROM that holds `record` at its home address.
  std::string eeprom_file;
  QRN55SimDeviceRecord record;
  // Hardware depth of each FIFO.
  int fifo_samples = 262144;
};

enum class QRN55SimFault {
  kShortRead,   // half the bytes asked for
  kShortWrite,  // half the bytes taken, and not acted on
  kReadError,
  kWriteError,
  kSyncError,
};

struct QRN55SimTransfer {
  bool write;
  std::uint64_t address;
  std::vector<std::uint8_t> bytes;
};

class QRN55SimUnit {
 public:
  static constexpr int kEEPROMSize = 16384;
  static constexpr std::uint64_t kDataFileSize = 0x1600000;
  static constexpr double kTickSeconds = 5e-6;
  static constexpr std::int64_t kAnyAddress = -1;
  static constexpr int kAlways = -1;

  explicit QRN55SimUnit(QRN55SimUnitConfig config = {});
  QRN55SimUnit(const QRN55SimUnit&) = delete;
  QRN55SimUnit& operator=(const QRN55SimUnit&) = delete;

  // The data file: bytes moved, or a negative errno (-ENODEV unplugged,
  // -EIO for an injected error).
  ssize_t Read(std::uint64_t address, void* data, std::size_t size);
  ssize_t Write(std::uint64_t address, const void* data, std::size_t size);
  int Sync();

  // Off and on again: everything but the EEPROM (reloaded from its file) is
  // forgotten, and the controller boots anew. Injected faults stay.
  void PowerCycle();
  // An unplugged unit fails every transfer; its volume leaves the in-process
  // mount list. IsPlugged is whether the host sees the unit: plugged, and
  // its controller booted.
  void Unplug();
  void Plug();
  bool IsPlugged() const;

  // Null restores the built-in loopback.
  void SetWiring(QRN55SimWiring* wiring);
  // Configure it while no acquisition runs.
  QRN55SimLoopback& Loopback() { return _loopback; }

  // Faults. `address` is a block address of the protocol (any address in
  // its 2 MiB region matches) or kAnyAddress; `times` counts transfers hit,
  // kAlways until cleared. SetSignature's firmware byte holds until the next
  // power cycle boots an image.
  void SetSignature(const QRN55SimSignature& signature);
  void InjectFault(QRN55SimFault fault, std::int64_t address = kAnyAddress, int times = kAlways);
  // A worn EEPROM cell: from now on it holds `value`, whatever is written to
  // it. ClearFaults mends it (it keeps the value until written again).
  void InjectStuckEEPROMByte(int address, std::uint8_t value);
  void ClearFaults();
  // An open elsewhere holds the data file's lock (seen by the in-process
  // side; on a FUSE volume a real second open holds it).
  void SetLockHeldElsewhere(bool held);
  bool IsLockHeldElsewhere() const;
  void ForceOverflow(bool on);
  void ForceUnderflow(bool on);
  void FreezeSequenceCount(bool on);
  // Starts an acquisition that waits for an external trigger.
  void ExternalTrigger();

  // The EEPROM as a programmer sees it: reads wrap at its end; writes are
  // kept in its file.
  std::vector<std::uint8_t> ReadEEPROM(int address, int size) const;
  void WriteEEPROM(int address, std::span<const std::uint8_t> bytes);

  double ControlOutputVolts(int channel) const;
  int LastDelayTicks() const;
  std::uint64_t SequenceCount();
  bool IsRunning() const;

  // Every transfer (written bytes, or the bytes a read returned) while on.
  void SetTracing(bool on);
  std::vector<QRN55SimTransfer> TakeTrace();
  // One line for each FIFO transfer the unit refused, since power on.
  std::vector<std::string> RefusedTransfers() const;

 private:
  enum class Output { kDAC0, kDAC1, kDAC2, kDAC3, kDAC4, kUser, kTLV };
  enum class Input {
    kADC0,
    kADC1,
    kADC2,
    kADC3,
    kADC4,
    kADC5,
    kADC6,
    kADC7,
    kMultiplexer,
    kUser,
    kTLV
  };
  struct Settings {
    std::uint32_t input_bytes = 0;
    std::uint32_t output_bytes = 0;
    int frame_interval = 0;
    std::array<std::uint16_t, 8> entries{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF,
                                         0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
    std::uint32_t frames = 0;
    int control_register = 0;
  };
  struct Assembly {
    std::uint64_t region = 0;
    std::vector<std::uint8_t> bytes;
    bool acted = true;
  };
  struct FaultRule {
    QRN55SimFault fault;
    std::int64_t address;
    int remaining;
  };

  bool TakeFault(QRN55SimFault fault, std::uint64_t address);
  void Trace(bool write, std::uint64_t address, const void* data, std::size_t size);
  void LoadEEPROM();
  void Boot();
  bool SeenByHost() const { return _plugged && _booted; }
  void HoldStuckEEPROMBytes();
  void SaveEEPROM() const;
  void ResetVolatile();
  void ResetAcquisition();

  std::size_t ReadLocked(std::uint64_t address, std::uint8_t* data, std::size_t size);
  void WriteLocked(std::uint64_t address, const std::uint8_t* data, std::size_t size);
  // Whether the FIFO transfer that this access belongs to is refused.
  bool FIFOTransferRefused(bool write);
  std::size_t NeededBytes(std::uint64_t region, const std::vector<std::uint8_t>& bytes) const;
  void ActOnBlock(std::uint64_t region, const std::vector<std::uint8_t>& bytes);

  static Settings ParseSettings(std::span<const std::uint8_t> block);
  void ApplySettings(const Settings& settings);
  void RunPulse(const std::vector<std::uint8_t>& block);
  void RecordingControl(int operation, int control_register);
  void Start();
  double FramePeriod() const;
  void Advance();
  void RunFrames(std::uint64_t frames);
  bool FrameCanMove() const;
  void RunFrame();
  std::int16_t Convert(Input input, const QRN55SimInputs& seen);

  mutable std::mutex _mutex;
  QRN55SimUnitConfig _config;
  std::vector<std::uint8_t> _eeprom;
  bool _plugged = true;
  bool _booted = true;
  std::uint8_t _firmware = 0;  // what the signature block reports
  bool _lock_held_elsewhere = false;
  std::vector<FaultRule> _faults;
  std::vector<std::pair<int, std::uint8_t>> _stuck_eeprom_bytes;
  bool _tracing = false;
  std::vector<QRN55SimTransfer> _trace;

  // Data transfer size register.
  std::uint32_t _transfer_bytes = 0;
  // The next FIFO access starts the announced transfer; whether it was
  // refused holds for every piece of it.
  bool _transfer_announced = false;
  bool _transfer_refused = false;
  std::vector<std::string> _refused_transfers;
  int _eeprom_address = 0;
  bool _unlocked = false;
  bool _port_e = false;

  Assembly _assembly;
  Settings _settings;
  std::vector<Output> _outputs_per_frame;
  std::vector<Input> _inputs_per_frame;
  std::deque<std::uint8_t> _output_fifo;
  std::deque<std::uint8_t> _input_fifo;
  std::deque<std::uint8_t> _pipeline;
  int _delay_frames = 0;
  // Input samples a pulse still records; unlimited in continuous mode.
  std::uint64_t _input_samples_left = 0;
  bool _continuous = false;

  bool _running = false;
  bool _waiting_for_trigger = false;
  bool _triggered = false;
  double _start_time = 0.0;
  std::uint64_t _sequence_count = 0;
  bool _underflow = false;
  bool _overflow = false;
  int _clipping = 0;
  bool _forced_overflow = false;
  bool _forced_underflow = false;
  bool _frozen = false;

  QRN55SimOutputs _driven;
  QRN55SimInputs _seen;
  double _control_volts[2] = {};
  int _last_delay_ticks = 0;
  double _pending_sleep = 0.0;
  std::vector<std::uint8_t> _port_e_memory;

  QRN55SimLoopback _loopback;
  QRN55SimWiring* _wiring = &_loopback;
};
