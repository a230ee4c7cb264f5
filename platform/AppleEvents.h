// High-level events: the request to quit and the request to open a
// document (a file dropped on the window, a path given by the environment).
// Backends post them; the program takes them from the event queue as
// kHighLevelEvent and hands them to Process, which calls its handler.
#pragma once

#include "platform/EventQueue.h"

#include <cstdint>
#include <span>

namespace AppleEvents {

inline constexpr std::uint32_t kQuitApplication = 0x71756974;  // 'quit'
inline constexpr std::uint32_t kOpenDocuments = 0x6F646F63;    // 'odoc'

using QuitHandler = void (*)();
using OpenHandler = void (*)(std::span<const char> path);

// No handlers, no pending documents.
void InitModule();
void SetQuitHandler(QuitHandler handler);
void SetOpenHandler(OpenHandler handler);

void PostQuit();
// The path is kept until its event is processed; of documents whose events
// were flushed unprocessed, only the latest kMaxPending are kept.
void PostOpenDocument(std::span<const char> path);
inline constexpr int kMaxPending = 16;

// Runs the handler of a high-level event. False for another event, an
// unknown event ID, a document no longer kept, or no handler installed.
bool Process(const EventQueue::EventRecord& event);

}  // namespace AppleEvents
