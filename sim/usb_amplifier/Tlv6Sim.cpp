#include "sim/usb_amplifier/Tlv6Sim.h"

#include "foundation/platform/Clock.h"

#include <algorithm>
#include <charconv>

namespace Tlv6Sim {

namespace {

constexpr std::string_view kPassword = "quartzmeadowlinen";
constexpr std::size_t kDataOffset = 32;
constexpr std::size_t kDataBytes = 32;
constexpr int kUnsolicitedReplies = 60;
constexpr std::uint32_t kVersion = 0x0100;

constexpr std::array<std::pair<Fault, std::string_view>, 17> kFaultNames = {{
    {Fault::kNone, "none"},
    {Fault::kAbsent, "absent"},
    {Fault::kSendNeverCompletes, "send_never_completes"},
    {Fault::kSilent, "silent"},
    {Fault::kDroppedReply, "dropped_reply"},
    {Fault::kWrongCrcOnce, "wrong_crc_once"},
    {Fault::kWrongCrcAlways, "wrong_crc_always"},
    {Fault::kUnreadableCrc, "unreadable_crc"},
    {Fault::kSixDigitCrc, "six_digit_crc"},
    {Fault::kWordWithLetters, "word_with_letters"},
    {Fault::kShortReports, "short_reports"},
    {Fault::kEmptyReports, "empty_reports"},
    {Fault::kUnsolicitedReplies, "unsolicited_replies"},
    {Fault::kRemovalAtBlock, "removal_at_block"},
    {Fault::kSilentAfterRestart, "silent_after_restart"},
    {Fault::kInvalidStoredSerial, "invalid_stored_serial"},
    {Fault::kResetUnanswered, "reset_unanswered"},
}};

// CRC-16/ARC bit by bit: reflected polynomial 0xA001, start 0, no final
// inversion.
std::uint16_t Crc16Arc(std::span<const std::uint8_t> bytes) {
  std::uint16_t crc = 0;
  for (std::uint8_t byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) != 0 ? (crc >> 1) ^ 0xA001 : crc >> 1;
  }
  return crc;
}

std::string_view TextOf(const Block& report) {
  const auto end = std::find(report.begin(), report.end(), 0);
  return {reinterpret_cast<const char*>(report.data()), static_cast<std::size_t>(end - report.begin())};
}

Block BlockOf(std::string_view text) {
  Block block{};
  std::copy_n(text.begin(), std::min(text.size(), block.size()), block.begin());
  return block;
}

bool ParseId(std::string_view text, std::uint32_t& id) {
  int base = 10;
  if (text.starts_with("0x") || text.starts_with("0X")) {
    text.remove_prefix(2);
    base = 16;
  }
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size() || value > 0xFFFF) {
    return false;
  }
  id = value;
  return true;
}

bool ParseSeconds(std::string_view text, double& seconds) {
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size() || !(value >= 0.0)) {
    return false;
  }
  seconds = value;
  return true;
}

bool ParseFault(std::string_view text, Fault& fault) {
  for (const auto& [f, name] : kFaultNames) {
    if (name == text) {
      fault = f;
      return true;
    }
  }
  return false;
}

// A device as a port hands it out; the device itself stays with the port.
class Handle final : public HidPort::Device {
 public:
  explicit Handle(std::shared_ptr<Tlv6Sim::Device> device) : device_(std::move(device)) {}
  std::uint32_t Version() override { return kVersion; }
  HidPort::SendResult Send(const HidPort::Report& report, double timeoutSeconds) override {
    return device_->Send(report, timeoutSeconds);
  }
  bool ReadInput(HidPort::Report& report) override { return device_->ReadInput(report); }
  HidPort::DrainResult Drain(HidPort::ReportSink sink, void* context) override {
    return device_->Drain(sink, context);
  }

 private:
  std::shared_ptr<Tlv6Sim::Device> device_;
};

}  // namespace

std::string_view FaultName(Fault fault) {
  for (const auto& [f, name] : kFaultNames) {
    if (f == fault) return name;
  }
  return "none";
}

bool SetKey(Config& config, std::string_view key, std::string_view value) {
  Config next = config;
  bool ok = false;
  if (key == "tlv6.vendor_id") {
    ok = ParseId(value, next.vendorId);
  } else if (key == "tlv6.product_id") {
    ok = ParseId(value, next.productId);
  } else if (key == "tlv6.serial") {
    ok = value.size() == 6;
    next.serial = value;
  } else if (key == "tlv6.letter") {
    ok = value.size() == 1;
    next.letter = ok ? value[0] : 0;
  } else if (key == "tlv6.latency") {
    ok = ParseSeconds(value, next.latency);
  } else if (key == "tlv6.erase_time") {
    ok = ParseSeconds(value, next.eraseTime);
  } else if (key == "tlv6.restart_time") {
    ok = ParseSeconds(value, next.restartTime);
  } else if (key == "tlv6.power_up_time") {
    ok = ParseSeconds(value, next.powerUpTime);
  } else if (key == "tlv6.fault") {
    ok = ParseFault(value, next.fault);
  } else if (key == "tlv6.fault_block") {
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), next.faultBlock);
    ok = !value.empty() && error == std::errc{} && end == value.data() + value.size() &&
         next.faultBlock >= 0;
  }
  if (ok) config = next;
  return ok;
}

Device::Device(const Config& config) : config_(config) {
  std::fill(serial_.begin(), serial_.end(), ' ');
  std::copy_n(config.serial.begin(), std::min(config.serial.size(), serial_.size()), serial_.begin());
  letter_ = config.letter;
  if (config.fault == Fault::kInvalidStoredSerial) {
    serial_.fill('\xFF');
    letter_ = '\xFF';
  }
  silentUntil_ = Platform::ElapsedSeconds() + config.powerUpTime;
}

void Device::Remove() { attached_ = false; }

std::vector<std::string> Device::ReceivedTexts() const {
  std::vector<std::string> texts;
  for (const Block& b : received_) texts.emplace_back(TextOf(b));
  return texts;
}

std::string Device::Serial() const { return {serial_.begin(), serial_.end()}; }

void Device::CatchUp(double now) {
  if (now < silentUntil_) return;
  if (mode_ == Mode::kErasing) mode_ = Mode::kErased;
  if (mode_ == Mode::kRestarting) {
    mode_ = Mode::kApplication;
    running_ = image_;
  }
}

bool Device::Silent(double now) const {
  if (config_.fault == Fault::kSilent) return true;
  if (config_.fault == Fault::kSilentAfterRestart && everRestarted_) return true;
  return now < silentUntil_;
}

bool Device::AtFaultBlock(Fault fault) const {
  return config_.fault == fault &&
         image_.size() == static_cast<std::size_t>(config_.faultBlock) * kDataBytes;
}

HidPort::SendResult Device::Send(const Block& report, double timeoutSeconds) {
  if (!attached_) return HidPort::SendResult::kNoDevice;
  if (config_.fault == Fault::kSendNeverCompletes) {
    Platform::SleepSeconds(timeoutSeconds);
    return HidPort::SendResult::kTimedOut;
  }
  const double now = Platform::ElapsedSeconds();
  received_.push_back(report);
  CatchUp(now);
  if (!Silent(now)) Handle(TextOf(report), report, now);
  return HidPort::SendResult::kSent;
}

void Device::Handle(std::string_view text, const Block& report, double now) {
  const std::string_view word = text.substr(0, std::min(text.find(' '), text.size()));
  const std::string_view argument = word.size() < text.size() ? text.substr(word.size() + 1) : "";
  const bool service = word == "firmware_update" || word == "set_serialno";
  if (service && !passwordOk_) passwordFirst_ = false;
  if (word != "firmware_update") updates_ = 0;
  if (word != "firmware_erase") erases_ = 0;

  if (word == "get_revision") {
    Reply("get_revision 1", now);
  } else if (word == "get_serialno") {
    std::string reply = "get_serialno " + Serial() + letter_;
    if (config_.fault == Fault::kShortReports) reply.resize(15);
    Reply(reply, now);
  } else if (word == "set_pwd") {
    passwordOk_ = argument == kPassword;
  } else if (text == "set_remote on" || text == "set_remote off") {
    remoteOn_ = text == "set_remote on";
    Reply(text, now);
  } else if (word == "set_serialno") {
    if (passwordOk_ && remoteOn_ && argument.size() == 7) {
      std::copy_n(argument.begin(), 6, serial_.begin());
      letter_ = argument[6];
    }
    if (config_.fault == Fault::kDroppedReply && !serialReplyDropped_) {
      serialReplyDropped_ = true;
      return;
    }
    Reply("set_serialno " + Serial() + letter_, now);
  } else if (word == "firmware_update") {
    if (passwordOk_ && ++updates_ == 2) mode_ = Mode::kLoader;
  } else if (word == "firmware_erase") {
    if ((mode_ == Mode::kLoader || mode_ == Mode::kErased) && ++erases_ == 2) {
      image_.clear();
      erasedOnce_ = true;
      mode_ = Mode::kErasing;
      silentUntil_ = now + config_.eraseTime;
    }
  } else if (word == "firmware_write") {
    if (mode_ == Mode::kErased) WriteBlock(report, now);
  } else if (word == "firmware_restart") {
    if (mode_ == Mode::kErased || mode_ == Mode::kLoader) {
      mode_ = Mode::kRestarting;
      silentUntil_ = now + config_.restartTime;
      everRestarted_ = true;
      ++restarts_;
    }
  } else if (word == "firmware_reset") {
    if (config_.fault != Fault::kResetUnanswered || erasedOnce_) Reply(word, now);
  } else if (word == "firmware_echo") {
    Reply(word, now);
  }
}

void Device::WriteBlock(const Block& report, double now) {
  const std::span<const std::uint8_t> data(report.data() + kDataOffset, kDataBytes);
  const bool atFault = AtFaultBlock(config_.fault);
  const bool firstTime = atFault && !faultSpent_;
  if (atFault) faultSpent_ = true;
  if (atFault && config_.fault == Fault::kRemovalAtBlock) {
    attached_ = false;
    return;
  }
  image_.insert(image_.end(), data.begin(), data.end());
  const std::uint16_t crc = Crc16Arc(data);
  std::string number = std::to_string(crc);
  std::string word = "firmware_write";
  switch (atFault ? config_.fault : Fault::kNone) {
    case Fault::kDroppedReply:
      if (firstTime) return;
      break;
    case Fault::kWrongCrcOnce:
      if (firstTime) number = std::to_string(static_cast<std::uint16_t>(crc + 1));
      break;
    case Fault::kWrongCrcAlways:
      number = std::to_string(static_cast<std::uint16_t>(crc + 1));
      break;
    case Fault::kUnreadableCrc:
      number = "?????";
      break;
    case Fault::kSixDigitCrc:
      number.insert(0, 6 - number.size(), '0');
      break;
    case Fault::kWordWithLetters:
      word += "s";
      break;
    default:
      break;
  }
  Reply(word + " " + number, now);
}

void Device::Reply(std::string_view text, double now) { ReplyBlock(BlockOf(text), now); }

void Device::ReplyBlock(const Block& block, double now) {
  const double due = now + config_.latency;
  if (config_.fault == Fault::kEmptyReports) pending_.push_back({due, Block{}});
  pending_.push_back({due, block});
  if (config_.fault == Fault::kUnsolicitedReplies && !repliedOnce_) {
    for (int i = 0; i < kUnsolicitedReplies; ++i) pending_.push_back({due, BlockOf("firmware_echo")});
  }
  repliedOnce_ = true;
}

bool Device::ReadInput(Block& report) {
  report = anyInput_ ? lastInput_ : Block{};
  return attached_ && anyInput_;
}

HidPort::DrainResult Device::Drain(HidPort::ReportSink sink, void* context) {
  if (!attached_) return HidPort::DrainResult::kRemoved;
  const double now = Platform::ElapsedSeconds();
  CatchUp(now);
  while (!pending_.empty() && pending_.front().due <= now) {
    lastInput_ = pending_.front().report;
    anyInput_ = true;
    pending_.pop_front();
    sink(lastInput_, context);
  }
  return HidPort::DrainResult::kAttached;
}

Device& Port::Add(const Config& config) {
  devices_.push_back(std::make_shared<Device>(config));
  return *devices_.back();
}

std::unique_ptr<HidPort::Device> Port::Open(std::uint32_t vendorId, std::uint32_t productId, int n) {
  int matches = 0;
  for (const auto& d : devices_) {
    const Config& c = d->config();
    if (!d->Attached() || c.fault == Fault::kAbsent || c.vendorId != vendorId ||
        c.productId != productId) {
      continue;
    }
    if (++matches == n) return std::make_unique<Handle>(d);
  }
  return nullptr;
}

}  // namespace Tlv6Sim
