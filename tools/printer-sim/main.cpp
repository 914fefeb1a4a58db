// vellumark-printer-sim: a simulated network printer (an SNMPv1 agent) for demos and tests.
// Usage and the control commands are in README.md and --help.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tools/printer-sim/event_loop.h"
#include "tools/printer-sim/options.h"
#include "tools/printer-sim/profile.h"
#include "tools/printer-sim/udp_socket.h"

namespace {

// The bundled profiles: in the source tree while developing, else where an installation puts
// them beside the binary (BINDIR/../share/vellumark/profiles).
std::string DefaultProfileDir() {
    std::error_code ec;
    if (std::filesystem::is_directory(VM_SIM_PROFILE_DIR, ec)) {
        return VM_SIM_PROFILE_DIR;
    }
    char self[4096];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length > 0) {
        std::filesystem::path installed =
            std::filesystem::path(std::string(self, length)).parent_path().parent_path() /
            "share/vellumark/profiles";
        if (std::filesystem::is_directory(installed, ec)) {
            return installed.string();
        }
    }
    return VM_SIM_PROFILE_DIR;
}

// Loads every profile named on the command line; reports all problems, not just the first.
bool LoadProfiles(const sim::Options& options, sim::SimState& state) {
    std::vector<sim::ProfileArgument> arguments = options.profiles;
    if (arguments.empty()) {
        arguments.push_back({"", "laser-mono"});
    }
    bool ok = true;
    std::set<std::string> communities;
    for (const sim::ProfileArgument& argument : arguments) {
        sim::Profile profile;
        profile.community = argument.community.empty() ? options.community : argument.community;
        if (!communities.insert(profile.community).second) {
            std::fprintf(stderr, "vellumark-printer-sim: two profiles for community '%s'\n",
                         profile.community.c_str());
            ok = false;
            continue;
        }
        std::string path = sim::ResolveProfilePath(argument.source, options.profileDir);
        if (path.empty()) {
            std::fprintf(stderr,
                         "vellumark-printer-sim: no profile '%s' (not a file, not bundled "
                         "in %s)\n",
                         argument.source.c_str(), options.profileDir.c_str());
            ok = false;
            continue;
        }
        std::vector<std::string> errors;
        if (!sim::LoadProfileFile(path, profile, errors)) {
            for (const std::string& error : errors) {
                std::fprintf(stderr, "%s\n", error.c_str());
            }
            ok = false;
            continue;
        }
        std::fprintf(stderr, "vellumark-printer-sim: %s: %zu objects for community '%s'\n",
                     path.c_str(), profile.objects.size(), profile.community.c_str());
        state.profiles.push_back(std::move(profile));
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    sim::Options options;
    std::string error;
    if (!sim::ParseOptions(argc, argv, DefaultProfileDir(), options, error)) {
        std::fprintf(stderr, "vellumark-printer-sim: %s\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(sim::UsageText().c_str(), stdout);
        return 0;
    }
    if (options.listProfiles) {
        for (const std::string& name : sim::ListProfiles(options.profileDir)) {
            std::printf("%s\n", name.c_str());
        }
        return 0;
    }
    sim::SimState state;
    state.faults = options.faults;
    state.log = options.log;
    if (!LoadProfiles(options, state)) {
        std::fprintf(stderr, "vellumark-printer-sim: profile errors, not started\n");
        return 2;
    }
    if (options.check) {
        return 0;
    }
    if (!sim::InstallSignalHandlers()) {
        std::perror("vellumark-printer-sim: signal pipe");
        return 1;
    }
    int agentFd = sim::OpenUdp(options.listen, error);
    int controlFd = -1;
    if (agentFd >= 0 && options.control) {
        controlFd = sim::OpenUdp(options.controlEndpoint, error);
    }
    if (agentFd < 0 || (options.control && controlFd < 0)) {
        std::fprintf(stderr, "vellumark-printer-sim: %s\n", error.c_str());
        sim::Close(agentFd);
        return 1;
    }
    std::printf("listening on %s\n", sim::FormatEndpoint(sim::BoundEndpoint(agentFd)).c_str());
    if (controlFd >= 0) {
        std::printf("control on %s\n", sim::FormatEndpoint(sim::BoundEndpoint(controlFd)).c_str());
    }
    std::fflush(stdout);
    int status = sim::RunEventLoop(agentFd, controlFd, options, state);
    sim::Close(controlFd);
    sim::Close(agentFd);
    return status;
}
