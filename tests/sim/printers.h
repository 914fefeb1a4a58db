// The simulator tests' printers: a SimState whose printers serve snmprec text or a bundled
// profile to community orchid, what they serve as short text, and requests to them as bytes.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "snmp/oid.h"
#include "tools/printer-sim/control.h"

namespace sim {

// `count` printers serving `profile` as loaded (no fleet variation): snmprec text, or the name
// of a bundled profile.
inline SimState Loaded(const std::string& profile, std::size_t count = 1) {
    Profile loaded;
    loaded.community = "orchid";
    std::vector<std::string> errors;
    EXPECT_TRUE(
        profile.find('|') != std::string::npos
            ? ParseProfile(profile, "test", loaded, errors)
            : LoadProfileFile(VM_SIM_PROFILE_DIR "/" + profile + ".snmprec", loaded, errors))
        << profile;
    SimState state;
    state.printers.resize(count);
    for (Printer& printer : state.printers) {
        printer.profiles.push_back(loaded);
    }
    return state;
}

// An INTEGER as its number, an OCTET STRING as its text, anything else as DescribeValue says.
inline std::string Shown(const ber::Value& value) {
    if (value.tag == ASN_INTEGER) {
        return std::to_string(value.integer);
    }
    return value.tag == ASN_OCTETSTRING ? std::string(value.bytes.begin(), value.bytes.end())
                                        : DescribeValue(value);
}

// What printer 0 serves at `oid`, shown; "(none)" when nothing.
inline std::string At(const SimState& state, const Oid& oid) {
    const auto& objects = state.printers[0].profiles[0].objects;
    auto found = objects.find(oid);
    return found == objects.end() ? "(none)" : Shown(found->second);
}

// The request id of every request Request makes.
inline constexpr std::int32_t REQUEST_ID = 4711;

// "[COMMUNITY] v1|v2c get|next|set|bulk [N M] OID..." as request bytes (community orchid).
inline std::vector<std::uint8_t> Request(const std::string& text) {
    std::istringstream words(text);
    std::string word;
    ber::Message request;
    request.requestId = REQUEST_ID;
    request.community = "orchid";
    words >> word;
    if (word[0] != 'v') {
        request.community = word;
        words >> word;
    }
    request.version = word == "v2c" ? ber::VERSION_2C : ber::VERSION_1;
    words >> word;
    request.pduType = word == "get" ? 0xA0 : word == "next" ? 0xA1 : word == "set" ? 0xA3 : 0xA5;
    if (word == "bulk") {
        words >> request.errorStatus >> request.errorIndex;
    }
    while (words >> word) {
        std::string error;
        EXPECT_TRUE(ParseOid(word, request.varbinds.emplace_back().name, error)) << word;
    }
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(ber::Encode(request, bytes), ber::Error::None);
    return bytes;
}

// Every object of a profile with its type and value, a line each: for comparing whole profiles.
inline std::string Dump(const Profile& profile) {
    std::string text;
    for (const auto& [oid, value] : profile.objects) {
        text += snmp::FormatOid(oid) + " " + DescribeValue(value) + "\n";
    }
    return text;
}

}  // namespace sim
