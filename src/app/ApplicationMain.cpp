// The application role's own executable, "brindlow-app": `brindlow` execs it
// when it is started with no arguments or with options, so only this process
// loads Qt and the X11 libraries.
#include "app/ProcessSignals.h"
#include "app/qt/Application.h"

int main(int argc, char** argv) {
    // A peer that hangs up must not kill us (also ignored already when run through `brindlow`).
    brindlow::ignoreSIGPIPE();
    return brindlow::runApplication(argc, argv);
}
