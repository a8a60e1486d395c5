// The one executable and its two roles: with no arguments, or a first argument
// starting with "-", it is the application; otherwise it is the command-line
// tool that talks to the running application over its socket.
#include <iostream>

#include "app/CommandLineTool.h"
#include "app/ProcessSignals.h"
#include "app/qt/Application.h"

int main(int argc, char** argv) {
    // First thing, in both roles: a peer that hangs up must not kill us.
    brindlow::ignoreSIGPIPE();
    const std::vector<std::string> args = brindlow::commandLineArguments(argc, argv);
    if (brindlow::isCommandLineRole(args))
        return brindlow::runCommandLineTool(args, std::cout, std::cerr);
    return brindlow::runApplication(argc, argv);
}
