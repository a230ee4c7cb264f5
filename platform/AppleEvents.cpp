#include "platform/AppleEvents.h"

#include "foundation/platform/Clock.h"
#include "platform/Input.h"

#include <algorithm>
#include <deque>
#include <string>
#include <utility>

namespace AppleEvents {

namespace {

QuitHandler quitHandler = nullptr;
OpenHandler openHandler = nullptr;
std::deque<std::pair<int, std::string>> documents;  // serial, path
int lastSerial = 0;

void Post(std::uint32_t id, int serial) {
  EventQueue::EventRecord e;
  e.what = EventQueue::kHighLevelEvent;
  e.message = id;
  e.when = Platform::Tick_Count();
  e.where = Geometry::Point{serial, 0};
  e.modifiers = Input::Modifiers() | (Input::ButtonDown() ? 0 : EventQueue::kBtnState);
  EventQueue::Post(e);
}

}  // namespace

void InitModule() {
  quitHandler = nullptr;
  openHandler = nullptr;
  documents.clear();
}

void SetQuitHandler(QuitHandler handler) { quitHandler = handler; }
void SetOpenHandler(OpenHandler handler) { openHandler = handler; }

void PostQuit() { Post(kQuitApplication, 0); }

void PostOpenDocument(std::span<const char> path) {
  const auto end = std::find(path.begin(), path.end(), '\0');
  lastSerial = lastSerial >= 30000 ? 1 : lastSerial + 1;
  documents.emplace_back(lastSerial, std::string(path.begin(), end));
  if (documents.size() > static_cast<std::size_t>(kMaxPending)) documents.pop_front();
  Post(kOpenDocuments, lastSerial);
}

bool Process(const EventQueue::EventRecord& event) {
  if (event.what != EventQueue::kHighLevelEvent) return false;
  if (event.message == kQuitApplication) {
    if (quitHandler == nullptr) return false;
    quitHandler();
    return true;
  }
  if (event.message != kOpenDocuments) return false;
  const auto it = std::find_if(documents.begin(), documents.end(),
                               [&](const auto& d) { return d.first == event.where.h; });
  if (it == documents.end() || openHandler == nullptr) return false;
  const std::string path = it->second;
  documents.erase(it);
  openHandler(std::span<const char>(path.data(), path.size()));
  return true;
}

}  // namespace AppleEvents
