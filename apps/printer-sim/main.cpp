// vellumark-printer-sim: a simulated network printer, or a fleet of them (an SNMPv1/v2c agent)
// for demos, tests and load tests. Usage and the control commands are in README.md and --help.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "options/sim_options.h"
#include "tools/printer-sim/control.h"
#include "tools/printer-sim/event_loop.h"
#include "tools/printer-sim/fleet.h"
#include "tools/printer-sim/profile.h"
#include "tools/printer-sim/signals.h"
#include "tools/printer-sim/udp_socket.h"
#include "tools/printer-sim/v3_responder.h"

namespace {

// Descriptors beyond the printers' sockets: signal pipe, control, epoll, spoof sockets, files.
constexpr rlim_t SPARE_DESCRIPTORS = 64;

std::string ExecutablePath() {
    char self[4096];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    return length > 0 ? std::string(self, static_cast<std::size_t>(length)) : std::string();
}

// Loads every profile named on the command line; reports all problems, not just the first.
bool LoadProfiles(const sim::Options& options, std::vector<sim::Profile>& profiles) {
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
            // The bundled names, so a mistyped one can be put right without --list-profiles.
            std::string names;
            for (const std::string& name : sim::ListProfiles(options.profileDir)) {
                names += (names.empty() ? "" : ", ") + name;
            }
            std::fprintf(stderr,
                         "vellumark-printer-sim: no profile '%s' (not a file, not bundled "
                         "in %s); bundled: %s\n",
                         argument.source.c_str(), options.profileDir.c_str(),
                         names.empty() ? "none" : names.c_str());
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
        profiles.push_back(std::move(profile));
    }
    return ok;
}

// A fleet needs a descriptor per printer: raise the soft limit as far as the hard one allows.
void RaiseDescriptorLimit(std::size_t printers) {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < printers + SPARE_DESCRIPTORS) {
        limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, printers + SPARE_DESCRIPTORS);
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

}  // namespace

int main(int argc, char** argv) {
    sim::Options options;
    std::string error;
    if (!sim::ParseOptions(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc),
                           sim::DefaultProfileDir(ExecutablePath(), VM_SIM_PROFILE_DIR), options,
                           error)) {
        std::fprintf(stderr, "vellumark-printer-sim: %s\n", error.c_str());
        return 2;
    }
    if (options.help || options.version) {
        std::fputs((options.help ? sim::UsageText() : sim::VersionText()).c_str(), stdout);
        return 0;
    }
    if (options.listProfiles) {
        for (const std::string& name : sim::ListProfiles(options.profileDir)) {
            std::printf("%s\n", name.c_str());
        }
        return 0;
    }
    std::vector<sim::Profile> profiles;
    if (!LoadProfiles(options, profiles)) {
        std::fprintf(stderr, "vellumark-printer-sim: profile errors, not started\n");
        return 2;
    }
    sim::SimState state;
    state.log = options.log;
    state.printers = sim::MakeFleet(profiles, options.fleet);
    for (sim::Printer& printer : state.printers) {
        printer.faults = options.faults;
    }
    sim::StartEngines(options, state);
    for (const std::string& command : options.startCommands) {
        std::string reply = sim::ExecuteControl(command, state);
        if (reply.rfind("error", 0) == 0) {
            std::fprintf(stderr, "vellumark-printer-sim: --%s: %s\n", command.c_str(),
                         reply.c_str());
            return 2;
        }
    }
    if (options.check) {
        return 0;
    }
    if (!sim::InstallSignalHandlers()) {
        std::perror("vellumark-printer-sim: signal pipe");
        return 1;
    }
    RaiseDescriptorLimit(options.fleet);
    std::vector<int> agentFds;
    int controlFd = -1;
    bool opened =
        sim::OpenFleetSockets(options.listen, options.fleet, options.fleetSpread, agentFds, error);
    if (opened && options.control) {
        controlFd = sim::OpenUdp(options.controlEndpoint, error);
        opened = controlFd >= 0;
    }
    if (!opened) {
        std::fprintf(stderr, "vellumark-printer-sim: %s\n", error.c_str());
        for (int fd : agentFds) {
            sim::Close(fd);
        }
        return 1;
    }
    for (int fd : agentFds) {
        std::printf("listening on %s\n", net::EndpointText(sim::BoundEndpoint(fd)).c_str());
    }
    if (controlFd >= 0) {
        std::printf("control on %s\n", net::EndpointText(sim::BoundEndpoint(controlFd)).c_str());
    }
    std::fflush(stdout);
    int status = sim::RunEventLoop(agentFds, controlFd, options, state);
    sim::Close(controlFd);
    for (int fd : agentFds) {
        sim::Close(fd);
    }
    return status;
}
