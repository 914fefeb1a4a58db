#include "snmp/oid.h"

#include "snmp/ber.h"

namespace snmp {

namespace {

// A component: decimal digits (leading zeros allowed) whose value fits 32 bits.
bool ParseComponent(std::string_view digits, std::uint32_t& component) {
    if (digits.empty()) {
        return false;
    }
    std::uint64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > 0xFFFFFFFFu) {
            return false;
        }
    }
    component = static_cast<std::uint32_t>(value);
    return true;
}

}  // namespace

bool ParseOid(std::string_view text, LeadingDot leadingDot, std::vector<std::uint32_t>& oid,
              std::string& error) {
    oid.clear();
    const bool dotted = !text.empty() && text.front() == '.';
    if (leadingDot == LeadingDot::Required && !dotted) {
        error = "object identifier must start with '.'";
        return false;
    }
    if (dotted) {
        text.remove_prefix(1);
    }
    if (text.empty()) {
        error = "empty object identifier";
        return false;
    }
    while (true) {
        const std::size_t dot = text.find('.');
        const std::string_view digits = text.substr(0, dot);
        std::uint32_t component = 0;
        if (!ParseComponent(digits, component)) {
            error = "bad object identifier component '" + std::string(digits) + "'";
            oid.clear();
            return false;
        }
        if (oid.size() == ber::MAX_OID_COMPONENTS) {
            error = "object identifier longer than " + std::to_string(ber::MAX_OID_COMPONENTS) +
                    " components";
            oid.clear();
            return false;
        }
        oid.push_back(component);
        if (dot == std::string_view::npos) {
            return true;
        }
        text.remove_prefix(dot + 1);
    }
}

std::string FormatOid(std::span<const std::uint32_t> oid) {
    std::string text;
    for (const std::uint32_t component : oid) {
        if (!text.empty()) {
            text += '.';
        }
        text += std::to_string(component);
    }
    return text;
}

}  // namespace snmp
