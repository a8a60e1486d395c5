#include "app/ProcessSignals.h"

#include <csignal>

namespace brindlow {

void ignoreSIGPIPE() {
    struct sigaction action {};
    action.sa_handler = SIG_IGN;
    sigemptyset(&action.sa_mask);
    sigaction(SIGPIPE, &action, nullptr);
}

}  // namespace brindlow
