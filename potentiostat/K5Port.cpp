#include "potentiostat/K5Port.h"

namespace K5Port {

namespace {
Receiver receiver_ = nullptr;
}  // namespace

void Send(std::int16_t port, std::uint16_t word) {
  if (receiver_ != nullptr) receiver_(port, word);
}

void SetReceiver(Receiver receiver) { receiver_ = receiver; }

}  // namespace K5Port
