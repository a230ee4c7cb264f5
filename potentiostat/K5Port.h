#pragma once

// Where the PK setting layer's command words leave the program: the AD/DA
// layer's port of the PK boards (VrnlBoards::SendToPK200Port on the channel
// given as the port), through its command cache. Tests and benchmarks can
// put a receiver of their own in its place to see the words as the boards
// would.
//
// Main thread only.

#include <cstdint>

namespace K5Port {

using Receiver = void (*)(std::int16_t port, std::uint16_t word);

// Hands the word to the receiver, if one is set, else to the port layer.
void Send(std::int16_t port, std::uint16_t word);

// Sets the receiver; nullptr gives the port layer its words back.
void SetReceiver(Receiver receiver);

}  // namespace K5Port
