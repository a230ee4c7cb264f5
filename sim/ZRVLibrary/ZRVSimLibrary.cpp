#include "sim/ZRVLibrary/ZRVSimLibrary.h"

namespace ZRVSimLibrary {

std::mutex& Lock() {
  static std::mutex lock;
  return lock;
}

State& TheState() {
  static State state;
  return state;
}

}  // namespace ZRVSimLibrary
