#pragma once

// Where the PK setting layer's command words leave the program. Every word
// goes to Send; tests and benchmarks put a receiver of their own in front
// of the port layer to see the words as the boards would.
//
// Main thread only.

#include <cstdint>

namespace K5Port {

using Receiver = void (*)(std::int16_t port, std::uint16_t word);

// Hands the word to the receiver, if one is set.
void Send(std::int16_t port, std::uint16_t word);

// Sets the receiver; nullptr removes it.
void SetReceiver(Receiver receiver);

}  // namespace K5Port
