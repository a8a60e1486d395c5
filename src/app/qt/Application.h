#pragma once

namespace brindlow {

// The application role of the executable: the Qt event loop as the main queue,
// the X11 back end, the strip controller and the delegate; returns the exit
// status once the application has quit and put the windows back.
int runApplication(int argc, char** argv);

}  // namespace brindlow
