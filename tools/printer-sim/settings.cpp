#include "tools/printer-sim/settings.h"

#include "platform/net/net.h"
#include "snmp/v3_message.h"

namespace sim {

bool ParseAddress(std::string_view text, net::Endpoint& address) {
    const auto parsed = net::LiteralEndpoint(text, 0);
    if (!parsed) {
        return false;
    }
    address = *parsed;
    return true;
}

bool ParseEndpoint(const std::string& text, net::Endpoint& endpoint) {
    const auto parsed = net::ParseEndpoint(text);
    if (!parsed) {
        return false;
    }
    endpoint = *parsed;
    return true;
}

bool ParseV3User(const std::string& text, usm::AgentUser& user, std::string& error) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (fields.size() < 5) {
        const std::size_t colon = text.find(':', start);
        if (colon == std::string::npos) {
            break;
        }
        fields.push_back(text.substr(start, colon - start));
        start = colon + 1;
    }
    fields.push_back(text.substr(start));
    user = usm::AgentUser{};
    user.name = fields[0];
    const bool levelKnown = fields.size() >= 2 && usm::ParseSecurityLevel(fields[1], &user.level);
    if (user.name.empty() || user.name.size() > v3::MAX_USER_NAME_BYTES || !levelKnown ||
        fields.size() == 3 || fields.size() == 5) {
        error = "--v3-user wants NAME:LEVEL[:AUTH:PASSWORD[:PRIV:PASSWORD]]";
        return false;
    }
    usm::Credentials& c = user.credentials;
    if (fields.size() >= 4 && (!usm::ParseAuthProtocol(fields[2], &c.auth) || fields[3].empty())) {
        error = "--v3-user: unknown authentication protocol or empty password in '" + text + "'";
        return false;
    }
    c.authPassword = fields.size() >= 4 ? fields[3] : "";
    if (fields.size() == 6 && (!usm::ParsePrivProtocol(fields[4], &c.priv) || fields[5].empty())) {
        error = "--v3-user: unknown privacy protocol or empty password in '" + text + "'";
        return false;
    }
    c.privPassword = fields.size() == 6 ? fields[5] : "";
    const bool needsAuth = user.level != usm::SecurityLevel::NoAuthNoPriv;
    const bool needsPriv = user.level == usm::SecurityLevel::AuthPriv;
    if ((needsAuth && c.auth == usm::AuthProtocol::None) ||
        (needsPriv && c.priv == usm::PrivProtocol::None)) {
        error = std::string("--v3-user: ") + usm::Name(user.level) + " needs its protocols in '" +
                text + "'";
        return false;
    }
    return true;
}

std::vector<std::uint8_t> DefaultEngineId(std::size_t index) {
    // Enterprise 0 with the high bit set, format 4 (text): no enterprise's own numbering.
    std::vector<std::uint8_t> id = {0x80, 0x00, 0x00, 0x00, 0x04};
    const std::string text = "vellumark-sim-" + std::to_string(index);
    id.insert(id.end(), text.begin(), text.end());
    return id;
}

}  // namespace sim
