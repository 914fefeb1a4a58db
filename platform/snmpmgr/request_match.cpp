#include "platform/snmpmgr/request_match.h"

#include "snmp/asn_types.h"

namespace snmpmatch {

RequestTable::RequestTable() = default;

std::int32_t RequestTable::FreshId() {
    for (;;) {
        const auto id = static_cast<std::int32_t>(random_() & 0x7FFFFFFFu);
        if (id != 0 && expected_.count(id) == 0) {
            return id;
        }
    }
}

std::int32_t RequestTable::Add(Expected expected) {
    const std::int32_t id = FreshId();
    deadlines_.emplace(expected.deadline, id);
    expected_.emplace(id, std::move(expected));
    return id;
}

void RequestTable::Remove(std::int32_t requestId) {
    const auto found = expected_.find(requestId);
    if (found != expected_.end()) {
        deadlines_.erase({found->second.deadline, requestId});
        expected_.erase(found);
    }
}

void RequestTable::Rearm(std::int32_t requestId, Millis deadline) {
    const auto found = expected_.find(requestId);
    if (found != expected_.end()) {
        deadlines_.erase({found->second.deadline, requestId});
        found->second.deadline = deadline;
        deadlines_.emplace(deadline, requestId);
    }
}

std::optional<Match> RequestTable::Accept(const std::uint8_t* datagram, std::size_t size,
                                          const net::Endpoint& from, std::uint64_t via,
                                          ber::Message& answer) {
    if (ber::Decode(datagram, size, answer) != ber::Error::None ||
        answer.pduType != SNMP_PDU_RESPONSE) {
        return std::nullopt;
    }
    const auto found = expected_.find(answer.requestId);
    if (found == expected_.end()) {
        return std::nullopt;
    }
    const Expected& expected = found->second;
    if (expected.via != via || !(expected.agent == from) || expected.version != answer.version ||
        expected.community != answer.community) {
        return std::nullopt;
    }
    const Match match{answer.requestId, expected.owner};
    Remove(answer.requestId);
    return match;
}

const Expected* RequestTable::Find(std::int32_t requestId) const {
    const auto found = expected_.find(requestId);
    return found == expected_.end() ? nullptr : &found->second;
}

std::optional<Millis> RequestTable::NextDeadline() const {
    if (deadlines_.empty()) {
        return std::nullopt;
    }
    return deadlines_.begin()->first;
}

std::vector<Match> RequestTable::Expired(Millis now) const {
    std::vector<Match> expired;
    for (const auto& [deadline, id] : deadlines_) {
        if (deadline > now) {
            break;
        }
        expired.push_back({id, expected_.at(id).owner});
    }
    return expired;
}

}  // namespace snmpmatch
