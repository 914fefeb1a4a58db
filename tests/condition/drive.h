// The condition tests' agent is the simulated printer's own responder (tools/printer-sim): a
// reading is driven in process against a sim::Printer, each request and answer going through
// the codec, and a test's `tamper` may rewrite the answer to a request (or lose it: false) to
// play an agent worse than the simulator's faults. The profile is
// tests/condition/full-printer.snmprec, loaded as the simulator tests load theirs.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "condition/walk.h"
#include "tests/sim/printers.h"
#include "tools/printer-sim/responder.h"

namespace drive {

inline std::string FullProfileText() {
    std::ifstream file(VM_CONDITION_TEST_DIR "/full-printer.snmprec");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

inline sim::Printer PrinterOf(const std::string& snmprec) {
    return sim::Loaded(snmprec).printers[0];
}

inline sim::Printer FullPrinter() {
    return PrinterOf(FullProfileText());
}

using Tamper = std::function<bool(const ber::Message& request, ber::Message& answer)>;

inline condition::Condition Drive(const sim::Printer& printer, condition::SnmpVersion version,
                                  const Tamper& tamper = nullptr, int* requests = nullptr) {
    condition::Walk walk(version);
    ber::Message request;
    while (walk.Next(request)) {
        request.version = version == condition::SnmpVersion::V1 ? ber::VERSION_1 : ber::VERSION_2C;
        request.community = "orchid";
        std::vector<std::uint8_t> bytes;
        EXPECT_EQ(ber::Encode(request, bytes), ber::Error::None);
        const sim::Reply reply = sim::Respond(bytes.data(), bytes.size(), printer);
        ber::Message answer;
        if (reply.outcome != sim::Outcome::Answer ||
            ber::Decode(reply.response.data(), reply.response.size(), answer) != ber::Error::None ||
            (tamper && !tamper(request, answer))) {
            walk.NoAnswer();
        } else {
            walk.Answer(answer);
        }
    }
    if (requests != nullptr) {
        *requests = walk.Requests();
    }
    return walk.Take(10.0);
}

}  // namespace drive
