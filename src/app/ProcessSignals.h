#pragma once

namespace brindlow {

// Makes a write to a socket whose peer has gone (a command-line client stopped
// with Ctrl-C) fail with EPIPE instead of killing the process while windows are
// still parked off screen. The application entry calls it first thing.
void ignoreSIGPIPE();

}  // namespace brindlow
