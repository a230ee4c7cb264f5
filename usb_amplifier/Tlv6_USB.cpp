#include "usb_amplifier/Tlv6_USB.h"

#include "foundation/RealTime.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "usb_amplifier/UnivUSB.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace Tlv6_USB {

namespace {

namespace Protocol = Tlv6CommandProtocol;

struct Fifo {
  std::array<Block, kFifoSize> entries{};
  int count = 0;

  bool Full() const { return count == kFifoSize; }
  void Clear() { count = 0; }
  void RemoveHead() {
    std::move(entries.begin() + 1, entries.begin() + count, entries.begin());
    --count;
  }
  void InsertAt(int at, const Block& block) {
    std::move_backward(entries.begin() + at, entries.begin() + count, entries.begin() + count + 1);
    entries[at] = block;
    ++count;
  }
};

struct Link {
  UnivUSB_Handle MyUSB = 0;
  Block Command{};
  char ErrorText[64] = "";
  double SendDelay = kDefaultSendDelay;
  RealTime::TimeSeconds NextSendTime = 0.0;
  Fifo OutputFifo;
  Fifo InputFifo;
  std::uint16_t SentCount = 0;
  std::uint16_t ReceivedCount = 0;
  bool InputOverflow = false;
  bool Detached = false;
  bool Debug = false;
};

Link link;

constexpr std::string_view kGetPrefix = "get_";
constexpr char kOutputOverflow[] = " ## TLV6 output buffer overflow! ## ";

bool IsGetCommand(const Block& command) { return Protocol::Text(command).starts_with(kGetPrefix); }

bool IsFirmwareWrite(const Block& command) {
  return Protocol::Text(command) == Protocol::kFirmwareWriteWord;
}

// Whether a new command takes the place of the last queued one: compared by
// its first word when it carries arguments, else whole. Two blocks of the
// firmware are never the same command, even when their bytes are.
bool Replaces(const Block& command, const Block& last) {
  if (IsFirmwareWrite(command)) return false;
  const std::string_view text = Protocol::Text(command);
  const std::size_t blank = text.find(' ');
  if (blank != std::string_view::npos && blank > 0) {
    return Protocol::Text(last).substr(0, blank) == text.substr(0, blank);
  }
  return Protocol::Text(last) == text;
}

void WriteTrace(std::string_view lead, std::uint16_t count, RealTime::TimeSeconds time,
                const Block& block) {
  char clock[16] = "";
  RealTime::ToTime(time, clock, true);
  char text[80] = "";
  Protocol::TraceText(block, text);
  TermIO::WriteString({lead.data(), lead.size()});
  TermIO::WriteCard(count, 6);
  TermIO::WriteString(" - ");
  TermIO::WriteString(clock);
  TermIO::WriteString(" - \"");
  TermIO::WriteString(text);
  TermIO::WriteString("\"");
  TermIO::WriteLn();
}

HidPort::Report ToReport(const Block& block) {
  HidPort::Report report{};
  std::transform(block.begin(), block.end(), report.begin(),
                 [](char c) { return static_cast<std::uint8_t>(c); });
  return report;
}

void SendHead(RealTime::TimeSeconds now) {
  link.Command = link.OutputFifo.entries[0];
  ++link.SentCount;
  if (link.Debug) WriteTrace("sending:  ", link.SentCount, now, link.Command);
  UnivUSB_Command(link.MyUSB, ToReport(link.Command));
  link.OutputFifo.RemoveHead();
  link.NextSendTime = now + link.SendDelay;
}

}  // namespace

std::uint32_t VendorId() {
  const char* setting = std::getenv("MERETH_TLV6_VENDOR_ID");
  if (setting == nullptr) return 0;
  char* end = nullptr;
  const unsigned long value = std::strtoul(setting, &end, 0);
  return end != setting && *end == '\0' && value <= 0xFFFF ? static_cast<std::uint32_t>(value) : 0;
}

void InitModule() {
  link.MyUSB = 0;
  link.Detached = false;
  link.InputOverflow = false;
}

bool Initialize(double sendDelay, int portIndex, bool debug) {
  if (IsOpen()) return true;
  Flush();
  link.SendDelay = sendDelay > 0.0 ? sendDelay : kDefaultSendDelay;
  link.NextSendTime = 0.0;
  link.Detached = false;
  link.Debug = debug;
  link.Command = Protocol::kGetRevision;
  link.MyUSB = UnivUSB_Initialize(VendorId(), kProductId, portIndex + 1);
  if (link.MyUSB == 0) {
    Strings::Assign(link.ErrorText, "TLV6: USB port initialization failed.");
    return false;
  }
  if (UnivUSB_TestPort(link.MyUSB, ToReport(link.Command), kPortTestTimeout) != 0) {
    Shutdown();
    Strings::Assign(link.ErrorText, "TLV6: USB port not responding.");
    return false;
  }
  UnivUSB_RegisterDetachNotification(link.MyUSB, USB_DetachNotification, &link);
  UnivUSB_RegisterReplyCallback(link.MyUSB, PrivateReplyCallback, &link);
  return true;
}

bool IsOpen() { return link.MyUSB != 0; }

bool IsConnected() { return IsOpen() && !link.Detached; }

void AppendToOutputFifo(const Block& command) {
  Fifo& fifo = link.OutputFifo;
  if (fifo.count > 0 && Replaces(command, fifo.entries[fifo.count - 1])) {
    fifo.entries[fifo.count - 1] = command;
    return;
  }
  if (fifo.Full()) {
    TermIO::WriteAlertLine(kOutputOverflow);
    return;
  }
  int at = fifo.count;
  if (!IsGetCommand(command)) {
    while (at > 0 && IsGetCommand(fifo.entries[at - 1])) --at;
  }
  fifo.InsertAt(at, command);
}

void PrependToOutputFifo(const Block& command) {
  Fifo& fifo = link.OutputFifo;
  if (fifo.count > 0 && !IsFirmwareWrite(command) &&
      Protocol::Text(fifo.entries[0]) == Protocol::Text(command)) {
    return;
  }
  if (fifo.Full()) {
    TermIO::WriteAlertLine(kOutputOverflow);
    return;
  }
  fifo.InsertAt(0, command);
}

void PeriodicTask(bool& detached, bool& overflow, const Block& idleCommand, bool& idleQueued,
                  Block& reply) {
  detached = false;
  overflow = false;
  idleQueued = false;
  reply = Block{};
  if (link.Detached) {
    link.Detached = false;
    detached = true;
  }
  if (link.InputOverflow) {
    link.InputOverflow = false;
    overflow = true;
  }
  if (!IsOpen()) return;
  const RealTime::TimeSeconds now = RealTime::GetTime();
  if (now >= link.NextSendTime) {
    if (link.OutputFifo.count == 0 && idleCommand[0] != '\0') {
      idleQueued = true;
      AppendToOutputFifo(idleCommand);
    }
    if (link.OutputFifo.count > 0) SendHead(now);
  }
  if (link.InputFifo.count > 0) {
    reply = link.InputFifo.entries[0];
    link.InputFifo.RemoveHead();
  }
}

void Flush() {
  link.OutputFifo.Clear();
  link.InputFifo.Clear();
  link.Command = Block{};
  Strings::Clear(link.ErrorText);
  link.InputOverflow = false;
  link.SentCount = 0;
  link.ReceivedCount = 0;
}

void Shutdown() {
  if (IsOpen()) UnivUSB_Shutdown(link.MyUSB);
  link.MyUSB = 0;
}

void SetDebug(bool on) { link.Debug = on; }

void SetSendDelay(double seconds) {
  link.NextSendTime += seconds - link.SendDelay;
  link.SendDelay = seconds;
}

const char* ErrorText() { return link.ErrorText; }

void USB_DetachNotification(void* context) {
  Shutdown();
  if (context != nullptr) static_cast<Link*>(context)->Detached = true;
}

void PrivateReplyCallback(const HidPort::Report& reply, void* context) {
  if (context == nullptr) return;
  Link& state = *static_cast<Link*>(context);
  Block block{};
  std::transform(reply.begin(), reply.end(), block.begin(),
                 [](std::uint8_t b) { return static_cast<char>(b); });
  ++state.ReceivedCount;
  if (state.Debug) WriteTrace("received: ", state.ReceivedCount, RealTime::GetTime(), block);
  if (block[0] == '\0') return;
  if (state.InputFifo.Full()) {
    state.InputOverflow = true;
    return;
  }
  state.InputFifo.InsertAt(state.InputFifo.count, block);
}

}  // namespace Tlv6_USB
