#include "platform/EventQueue.h"

#include <deque>

namespace EventQueue {

namespace {
std::deque<EventRecord> queue;
}  // namespace

int MaskOf(int what) {
  if (what == kHighLevelEvent) return kHighLevelEventMask;
  return what >= 0 && what < 16 ? 1 << what : 0;
}

void Clear() { queue.clear(); }

void Post(const EventRecord& event) {
  if (queue.size() >= kCapacity) queue.pop_front();
  queue.push_back(event);
}

bool Take(int mask, EventRecord& event, bool remove) {
  for (auto it = queue.begin(); it != queue.end(); ++it) {
    if ((MaskOf(it->what) & mask) == 0) continue;
    event = *it;
    if (remove) queue.erase(it);
    return true;
  }
  return false;
}

void Flush(int whichMask, int stopMask) {
  for (auto it = queue.begin(); it != queue.end();) {
    const int m = MaskOf(it->what);
    if ((m & stopMask) != 0) return;
    it = (m & whichMask) != 0 ? queue.erase(it) : it + 1;
  }
}

}  // namespace EventQueue
