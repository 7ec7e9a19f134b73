#include "playback/Transport.h"

namespace playback {

Transport::Transport(TransportControls controls, PlayerFields& fields) : ui_(controls), fields_(fields) {}

void Transport::BtPlayClick() {}
void Transport::BtPausaClick() {}
void Transport::BtStopClick() {}
void Transport::PauseExecute() {}
void Transport::ForwardExecute() {}
void Transport::RewindExecute() {}
void Transport::FFWExecute() {}
void Transport::REWExecute() {}
void Transport::GoStartExecute() {}
void Transport::GoEndExecute() {}
void Transport::RGSpeedPlayClick() {}
void Transport::TBPlayChange() {}
void Transport::TBPlayMouseDown() {}
void Transport::TBPlayMouseUp() {}

} // namespace playback
