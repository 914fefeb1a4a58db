#include "tools/printer-sim/v3_responder.h"

#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace sim {

std::uint64_t EngineClockMs() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

void StartEngines(const Options& options, SimState& state) {
    if (options.v3Users.empty()) {
        return;
    }
    for (std::size_t i = 0; i < state.printers.size(); ++i) {
        state.printers[i].v3 = std::make_shared<usm::Agent>(
            options.engineId.empty() ? DefaultEngineId(i) : options.engineId, options.engineBoots,
            EngineClockMs(), options.v3Users);
    }
}

Reply RespondV3(const std::uint8_t* data, std::size_t size, Printer& printer, std::uint64_t nowMs) {
    Reply reply;
    usm::Agent::Incoming incoming = printer.v3->Receive(data, size, nowMs);
    reply.request.community = "(v3)";
    if (incoming.kind == usm::Agent::Kind::Drop) {
        reply.outcome = Outcome::Malformed;
        reply.summary = "SNMPv3 " + incoming.summary + ", dropped";
        return reply;
    }
    if (incoming.kind == usm::Agent::Kind::Reply) {
        reply.outcome = Outcome::Answer;
        reply.response = std::move(incoming.datagram);
        reply.summary = "SNMPv3 " + incoming.summary + ", reported";
        return reply;
    }
    const v3::ScopedPdu& scoped = incoming.message.scoped;
    const Profile* profile = nullptr;
    for (const Profile& candidate : printer.profiles) {
        if (scoped.contextName.empty() || candidate.community == scoped.contextName) {
            profile = &candidate;
            break;
        }
    }
    if (profile == nullptr) {
        reply.outcome = Outcome::UnknownCommunity;
        reply.summary =
            "SNMPv3 " + incoming.summary + ": no context \"" + scoped.contextName + "\", dropped";
        return reply;
    }
    ber::Message request = scoped.pdu;
    request.version = ber::VERSION_2C;
    request.community = profile->community;
    std::vector<std::uint8_t> encoded;
    if (ber::Encode(request, encoded) != ber::Error::None) {
        reply.outcome = Outcome::Malformed;
        reply.summary = "SNMPv3 " + incoming.summary + ": a PDU that cannot be answered";
        return reply;
    }
    reply = Respond(encoded.data(), encoded.size(), printer);
    reply.request.community = "(v3 " + profile->community + ")";
    reply.summary = "SNMPv3 " + incoming.summary + ": " + reply.summary;
    if (reply.outcome != Outcome::Answer) {
        return reply;
    }
    ber::Message answer;
    std::vector<std::uint8_t> secured;
    if (ber::Decode(reply.response.data(), reply.response.size(), answer) != ber::Error::None ||
        !printer.v3->Answer(incoming.message, answer, nowMs, secured)) {
        reply.outcome = Outcome::Malformed;
        reply.summary += " (the answer could not be secured)";
        return reply;
    }
    reply.response = std::move(secured);
    return reply;
}

}  // namespace sim
