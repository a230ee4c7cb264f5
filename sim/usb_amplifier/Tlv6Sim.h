// Simulated TLV 6 USB amplifiers behind the HID seam (platform/HidPort.h).
// A Tlv6Sim::Port holds any number of devices; each answers the TLV 6's
// text commands as the command protocol describes them, on the program's
// clock (foundation/platform/Clock.h, virtual in tests):
//   "get_revision"      "get_revision 1"
//   "get_serialno"      "get_serialno " + serial (bytes 13..18) + letter (19)
//   "set_pwd <pwd>"     no reply; unlocks the service commands below
//   "set_remote on|off" "set_remote on|off"
//   "set_serialno SSSSSSL"  stored only after the right password and
//                       "set_remote on"; reply "set_serialno" + what is stored
//   "firmware_update"   twice (unlocked) opens the loader; no reply
//   "firmware_erase"    twice in the loader erases; silent for the erase time
//   "firmware_write"    after the erase appends bytes 32..63 to the image,
//                       reply "firmware_write " + decimal CRC-16/ARC of them
//   "firmware_restart"  silent for the restart time, then runs the image
//   "firmware_reset", "firmware_echo"  repeat their word
// Replies arrive after the latency; a device is silent for its power-up
// time after it is attached. Every command received is recorded, and the
// device notes whether each service command came after the password.
//
// Faults put a device out of order in one of the ways a link must survive;
// those tied to a block act at block k (0-based, blocks counted since the
// erase).
#pragma once

#include "platform/HidPort.h"

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Tlv6Sim {

enum class Fault {
  kNone,
  kAbsent,               // not attached: no port finds it
  kSendNeverCompletes,   // a report is never taken: every send times out
  kSilent,               // takes every report, answers none
  kDroppedReply,         // the reply to block k, and to "set_serialno", is lost once
  kWrongCrcOnce,         // block k is answered with a wrong CRC, the first time
  kWrongCrcAlways,       // block k is always answered with a wrong CRC
  kUnreadableCrc,        // block k is answered "firmware_write ?????"
  kSixDigitCrc,          // block k's CRC comes as six digits
  kWordWithLetters,      // block k is answered "firmware_writes" + CRC
  kShortReports,         // "get_serialno" replies end after the serial's first digits
  kEmptyReports,         // an empty report comes before every reply
  kUnsolicitedReplies,   // 60 "firmware_echo" replies follow the first reply
  kRemovalAtBlock,       // the device leaves the bus when block k arrives
  kSilentAfterRestart,   // never answers again after "firmware_restart"
  kInvalidStoredSerial,  // the stored serial number and letter are blank (0xFF)
  kResetUnanswered,      // "firmware_reset" gets no reply until the erase
};

struct Config {
  std::uint32_t vendorId = 0;
  std::uint32_t productId = 0x1003;
  std::string serial = "801234";
  char letter = 'D';
  double latency = 0.002;      // seconds from command to reply
  double eraseTime = 4.0;      // silent seconds after the second erase
  double restartTime = 6.0;    // silent seconds after "firmware_restart"
  double powerUpTime = 0.0;    // silent seconds after being attached
  Fault fault = Fault::kNone;
  int faultBlock = 0;
};

// Sets one "tlv6." key of the simulated rack's file (sim/SimRackFile.h)
// from its value text:
// tlv6.vendor_id, tlv6.product_id (decimal or 0x-hex), tlv6.serial (6
// characters), tlv6.letter (one), tlv6.latency, tlv6.erase_time,
// tlv6.restart_time, tlv6.power_up_time (seconds, >= 0), tlv6.fault (the
// fault's name as in FaultName), tlv6.fault_block. FALSE, config unchanged,
// for an unknown key or a bad value.
bool SetKey(Config& config, std::string_view key, std::string_view value);
// "none", "absent", "send_never_completes", "silent", "dropped_reply",
// "wrong_crc_once", "wrong_crc_always", "unreadable_crc", "six_digit_crc",
// "word_with_letters", "short_reports", "empty_reports",
// "unsolicited_replies", "removal_at_block", "silent_after_restart",
// "invalid_stored_serial", "reset_unanswered".
std::string_view FaultName(Fault fault);

using Block = std::array<std::uint8_t, 64>;

class Device {
 public:
  explicit Device(const Config& config);

  const Config& config() const { return config_; }
  bool Attached() const { return attached_; }
  // Leaves the bus: open handles see the removal at their next look.
  void Remove();

  // Every report received, in order.
  const std::vector<Block>& Received() const { return received_; }
  // The texts received (up to the NUL), in order.
  std::vector<std::string> ReceivedTexts() const;
  // The image written since the last erase.
  const std::vector<std::uint8_t>& Image() const { return image_; }
  // The image the device runs since its last restart.
  const std::vector<std::uint8_t>& RunningImage() const { return running_; }
  std::string Serial() const;
  char Letter() const { return letter_; }
  int Restarts() const { return restarts_; }
  // No service command came before the right password.
  bool PasswordCameFirst() const { return passwordFirst_; }

  // The seam's side (through the port's handles).
  HidPort::SendResult Send(const Block& report, double timeoutSeconds);
  bool ReadInput(Block& report);
  HidPort::DrainResult Drain(HidPort::ReportSink sink, void* context);

 private:
  enum class Mode { kApplication, kLoader, kErasing, kErased, kRestarting };

  void CatchUp(double now);
  bool Silent(double now) const;
  void Handle(std::string_view text, const Block& report, double now);
  void Reply(std::string_view text, double now);
  void ReplyBlock(const Block& block, double now);
  void WriteBlock(const Block& report, double now);
  bool AtFaultBlock(Fault fault) const;

  Config config_;
  std::array<char, 6> serial_{};
  char letter_ = 0;
  bool attached_ = true;
  Mode mode_ = Mode::kApplication;
  double silentUntil_ = 0.0;
  bool passwordOk_ = false;
  bool passwordFirst_ = true;
  bool remoteOn_ = false;
  int updates_ = 0;
  int erases_ = 0;
  int restarts_ = 0;
  bool everRestarted_ = false;
  bool repliedOnce_ = false;
  bool faultSpent_ = false;
  bool serialReplyDropped_ = false;
  bool erasedOnce_ = false;
  std::vector<Block> received_;
  std::vector<std::uint8_t> image_;
  std::vector<std::uint8_t> running_;
  struct Pending {
    double due;
    Block report;
  };
  std::deque<Pending> pending_;
  Block lastInput_{};
  bool anyInput_ = false;
};

class Port final : public HidPort::Port {
 public:
  // Attaches a device; it stays owned by the port.
  Device& Add(const Config& config);
  Device& device(int index) { return *devices_.at(static_cast<std::size_t>(index)); }
  int count() const { return static_cast<int>(devices_.size()); }

  std::unique_ptr<HidPort::Device> Open(std::uint32_t vendorId, std::uint32_t productId,
                                        int n) override;

 private:
  std::vector<std::shared_ptr<Device>> devices_;
};

}  // namespace Tlv6Sim
