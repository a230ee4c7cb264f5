#include "potentiostat/K5Port.h"

#include "acquisition/VrnlBoards.h"

namespace K5Port {

namespace {
Receiver receiver_ = nullptr;
}  // namespace

void Send(std::int16_t port, std::uint16_t word) {
  if (receiver_ != nullptr) {
    receiver_(port, word);
    return;
  }
  VrnlBoards::SendToPK200Port(port, word);
}

void SetReceiver(Receiver receiver) { receiver_ = receiver; }

}  // namespace K5Port
