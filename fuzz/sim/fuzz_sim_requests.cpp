// libFuzzer target: what the simulated printer reads from the network. The first byte picks
// the reader: an SNMP request answered by a printer under one of the walk, flood and size
// faults, or a control datagram run against a small fleet with printer tables (conditions
// included). Nothing may crash, and every answer must decode and stay within its limit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "tools/printer-sim/control.h"
#include "tools/printer-sim/responder.h"

namespace {

const char PROFILE[] =
    "1.3.6.1.2.1.1.3.0|67|100\n"
    "1.3.6.1.2.1.1.5.0|4|fuzz\n"
    "1.3.6.1.2.1.25.3.2.1.2.1|6|1.3.6.1.2.1.25.3.1.5\n"
    "1.3.6.1.2.1.25.3.2.1.5.1|2|2\n"
    "1.3.6.1.2.1.25.3.5.1.2.1|4x|00\n"
    "1.3.6.1.2.1.43.8.2.1.10.1.1|2|10\n"
    "1.3.6.1.2.1.43.8.2.1.11.1.1|2|0\n"
    "1.3.6.1.2.1.43.11.1.1.3.1.1|2|1\n"
    "1.3.6.1.2.1.43.11.1.1.5.1.1|2|3\n"
    "1.3.6.1.2.1.43.11.1.1.8.1.1|2|100\n"
    "1.3.6.1.2.1.43.11.1.1.9.1.1|2|50\n"
    "1.3.6.1.2.1.43.12.1.1.4.1.1|4|black\n"
    "1.3.6.1.2.1.43.16.5.1.2.1.1|4|Ready\n";

sim::SimState MakeState() {
    sim::SimState state;
    sim::Profile profile;
    profile.community = "orchid";
    std::vector<std::string> errors;
    if (!sim::ParseProfile(PROFILE, "fuzz", profile, errors)) {
        std::abort();
    }
    for (int i = 0; i < 3; ++i) {
        state.printers.emplace_back().profiles.push_back(profile);
    }
    return state;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const sim::SimState STATE = MakeState();
    if (size < 2) {
        return 0;
    }
    const std::uint8_t mode = data[0];
    const std::uint8_t faults = data[1];
    data += 2;
    size -= 2;
    if ((mode & 1) == 0) {
        sim::Printer printer = STATE.printers[0];
        printer.faults.walk = static_cast<sim::WalkFault>(faults % 4);
        printer.faults.bulkFlood = (faults & 0x10) ? 5000 : 0;
        printer.faults.maxMessageBytes = (faults & 0x20) ? sim::MIN_MESSAGE_BYTES : 65507;
        sim::Reply reply = sim::Respond(data, size, printer);
        if (reply.outcome == sim::Outcome::Answer) {
            ber::Message answer;
            if (ber::Decode(reply.response.data(), reply.response.size(), answer) !=
                    ber::Error::None ||
                reply.response.size() > printer.faults.maxMessageBytes) {
                std::abort();
            }
        }
    } else {
        sim::SimState state = STATE;
        std::string reply =
            sim::ControlReply(std::string_view(reinterpret_cast<const char*>(data), size), state);
        if (reply.size() > sim::CONTROL_BYTES) {
            std::abort();
        }
    }
    return 0;
}
