#include "tests/support/printer_sim.h"

#include <poll.h>

#include <fstream>
#include <sstream>

#include "tools/printer-sim/udp_socket.h"

namespace {

std::string Quoted(const std::string& argument) {
    std::string quoted = "'";
    for (char c : argument) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

}  // namespace

PrinterSimOptions PrinterSim::Bundled(const std::string& name) {
    return {.profile = name};
}

PrinterSimOptions PrinterSim::Text(const std::string& snmprecText) {
    return {.profileText = snmprecText};
}

PrinterSim::PrinterSim(const PrinterSimOptions& options) {
    std::string profile = options.profile;
    if (!options.profileText.empty()) {
        profile = agent_.dir() + "/profile.snmprec";
        std::ofstream(profile) << options.profileText;
    }
    std::string command =
        Quoted(VM_PRINTER_SIM_PATH) + " --listen " + Quoted(options.address + ":0") +
        " --control " + Quoted(options.address + ":0") + " --community " +
        Quoted(options.community) + " --profile " + Quoted(profile) + (options.log ? " --log" : "");
    for (const std::string& argument : options.extraArgs) {
        command += " " + Quoted(argument);
    }
    // The control line comes last, after a line per printer, in one flushed write.
    agent_.Start(command, [this](const std::string&) {
        const std::string log = agent_.log();
        const std::size_t at = log.find("control on ");
        return at != std::string::npos && log.find('\n', at) != std::string::npos;
    });
    std::istringstream lines(agent_.log());
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("listening on ", 0) == 0) {
            targets_.push_back(line.substr(13));
        } else if (line.rfind("control on ", 0) == 0) {
            control_ = net::ParseEndpoint(line.substr(11)).value_or(net::Endpoint{});
        }
    }
    if (!ok()) {
        error_ = "the simulator did not start: " + command + "\n" + agent_.log();
        agent_.Stop();
    }
}

std::string PrinterSim::target(std::size_t printer) const {
    return printer < targets_.size() ? targets_[printer] : "127.0.0.1:0";
}

std::uint16_t PrinterSim::port(std::size_t printer) const {
    const std::string address = target(printer);
    return static_cast<std::uint16_t>(std::stoi(address.substr(address.rfind(':') + 1)));
}

std::string PrinterSim::exchange(const std::string& datagram, const std::string& from) const {
    const std::optional<net::Endpoint> local =
        from.empty() ? net::Endpoint{control_.family, control_.address, 0}
                     : net::ParseEndpoint(from + ":0");
    std::string error;
    const int fd = local ? sim::OpenUdp(*local, error) : -1;
    sim::SendTo(fd, control_, reinterpret_cast<const std::uint8_t*>(datagram.data()),
                datagram.size());
    std::string reply(65536, '\0');
    pollfd wait{fd, POLLIN, 0};
    net::Endpoint sender;
    const long n = fd >= 0 && poll(&wait, 1, 2000) == 1
                       ? sim::ReceiveFrom(fd, reinterpret_cast<std::uint8_t*>(reply.data()),
                                          reply.size(), sender)
                       : -1;
    sim::Close(fd);
    reply.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return reply;
}

std::string PrinterSim::command(const std::string& line) const {
    std::string reply = exchange(line + "\n");
    while (!reply.empty() && (reply.back() == '\n' || reply.back() == '\r')) {
        reply.pop_back();
    }
    return reply.empty() ? "error: no reply" : reply;
}
