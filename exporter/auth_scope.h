// Where an auth's community may be sent. An auth scoped to nothing goes to any target the
// allow-list lets through; a scoped one only to the printers and networks of its scope, so a
// client of /probe cannot have a configured community delivered to a host of its choosing.
#pragma once

#include <vector>

#include "exporter/address.h"
#include "platform/net/net.h"

namespace exporter {

struct AuthScope {
    bool scoped = false;               // false: anywhere the allow-list lets
    std::vector<TargetSpec> printers;  // targets as written (names compared without case)
    std::vector<Cidr> networks;        // judged on the address a target resolves to

    // The target is one of the printers (an IP literal also matches its other spellings).
    bool Names(const TargetSpec& target) const;
    // Whether a target whose address is `address` may be sent the auth.
    bool Covers(const TargetSpec& target, const net::Endpoint& address) const;
};

}  // namespace exporter
