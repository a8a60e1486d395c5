// The executable the user runs, `brindlow`, and its two roles: with no
// arguments, or only the options the toolkit takes, it is the application;
// otherwise it is the command-line tool that talks to the running application
// over its socket. This file is linked without Qt or any X library so that the
// tool starts as fast as a process can: the application role lives in its own
// executable beside this one, which takes over this process by exec.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "app/CommandLineTool.h"
#include "app/ProcessSignals.h"

namespace {

// "brindlow-app" in the folder of the running executable.
std::filesystem::path applicationRolePath() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return (error ? std::filesystem::path(".") : self.parent_path()) / "brindlow-app";
}

}  // namespace

int main(int argc, char** argv) {
    // First thing, in both roles: a peer that hangs up must not kill us.
    brindlow::ignoreSIGPIPE();
    const std::vector<std::string> args = brindlow::commandLineArguments(argc, argv);
    if (brindlow::isCommandLineRole(args))
        return brindlow::runCommandLineTool(args, std::cout, std::cerr);
    if (const auto refused = brindlow::refuseUnknownOptions(args, std::cerr)) return *refused;
    // Same process id, same arguments (argv[0] included), same environment.
    const std::filesystem::path application = applicationRolePath();
    execv(application.c_str(), argv);
    std::cerr << "brindlow: cannot start the application " << application.string() << ": "
              << std::strerror(errno) << "\n";
    return 1;
}
