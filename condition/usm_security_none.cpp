// The stand-in for builds without the USM library (no OpenSSL): every SNMPv3 user is refused
// before anything is sent, and no datagram is taken for an SNMPv3 answer.
#include "condition/usm_security.h"

#include <utility>

namespace condition {
namespace {

const std::string NOT_BUILT = USM_NOT_BUILT;

}  // namespace

struct UsmSecurity::Session {};

UsmSecurity::UsmSecurity(const UsmCredentials& /*credentials*/, std::string agent)
    : agent_(std::move(agent)), problem_(NOT_BUILT) {}

UsmSecurity::~UsmSecurity() = default;

bool UsmSecurity::Wrap(const ber::Message& /*pdu*/, std::int32_t /*msgId*/,
                       std::vector<std::uint8_t>& out) {
    out.clear();
    return false;
}

UsmSecurity::Result UsmSecurity::Unwrap(const std::uint8_t* /*data*/, std::size_t /*size*/,
                                        std::int32_t /*msgId*/, ber::Message& /*pdu*/) {
    return Result::Ignored;
}

const std::string& UsmSecurity::error() const {
    return problem_;
}

std::string UsmSecurity::SilenceText() const {
    return problem_;
}

bool UsmBuilt() {
    return false;
}

bool IsSnmpV3(const std::uint8_t* /*data*/, std::size_t /*size*/) {
    return false;
}

bool PeekMessageId(const std::uint8_t* /*data*/, std::size_t /*size*/, std::int32_t* /*msgId*/) {
    return false;
}

}  // namespace condition
