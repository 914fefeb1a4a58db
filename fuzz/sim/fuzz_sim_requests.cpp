// libFuzzer target: what the simulated printer reads from the network. The first byte picks
// the reader: an SNMP request answered by a printer under one of the walk, flood and size
// faults, or a control datagram run against a small fleet of the bundled laser-mono (every
// table, conditions included). Nothing may crash, and every answer must decode and stay
// within its limit.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "tools/printer-sim/control.h"
#include "tools/printer-sim/fleet.h"
#include "tools/printer-sim/responder.h"

namespace {

// Three printers of the bundled laser-mono, varied as a fleet is.
sim::SimState MakeState() {
    sim::Profile profile;
    profile.community = "orchid";
    std::vector<std::string> errors;
    FuzzCheck(sim::LoadProfileFile(VM_SIM_PROFILE_DIR "/laser-mono.snmprec", profile, errors));
    sim::SimState state;
    state.printers = sim::MakeFleet({profile}, 3);
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
        const sim::Reply reply = sim::Respond(data, size, printer);
        ber::Message answer;
        FuzzCheck(reply.outcome != sim::Outcome::Answer ||
                  (ber::Decode(reply.response.data(), reply.response.size(), answer) ==
                       ber::Error::None &&
                   reply.response.size() <= printer.faults.maxMessageBytes));
    } else {
        sim::SimState state = STATE;
        FuzzCheck(
            sim::ControlReply(std::string_view(reinterpret_cast<const char*>(data), size), state)
                .size() <= sim::CONTROL_BYTES);
    }
    return 0;
}
