// Drawing in a port without disturbing its owner: for as long as the object
// lives the port is current, and afterwards the current port and the port's
// pen, colours, patterns, text settings and clip are as they were. The
// controls, dialogs and text fields draw through it.
#pragma once

#include "platform/Port.h"

namespace PortState {

class Scope {
 public:
  explicit Scope(Port::GrafPort* port);
  ~Scope();
  Scope(const Scope&) = delete;
  Scope& operator=(const Scope&) = delete;

 private:
  Port::GrafPort* previous_;
  Port::GrafPort* port_;
  Port::GrafPort saved_;
};

}  // namespace PortState
