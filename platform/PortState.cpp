#include "platform/PortState.h"

namespace PortState {

Scope::Scope(Port::GrafPort* port) : previous_(Port::GetPort()), port_(port) {
  if (port_ != nullptr) saved_ = *port_;
  Port::SetPort(port_);
}

Scope::~Scope() {
  if (port_ != nullptr) {
    port_->pnLoc = saved_.pnLoc;
    port_->pnSize = saved_.pnSize;
    port_->pnMode = saved_.pnMode;
    port_->pnPat = saved_.pnPat;
    port_->bkPat = saved_.bkPat;
    port_->fgColor = saved_.fgColor;
    port_->bkColor = saved_.bkColor;
    port_->txFont = saved_.txFont;
    port_->txFace = saved_.txFace;
    port_->txMode = saved_.txMode;
    port_->txSize = saved_.txSize;
    port_->clipRgn = saved_.clipRgn;
  }
  Port::SetPort(previous_);
}

}  // namespace PortState
