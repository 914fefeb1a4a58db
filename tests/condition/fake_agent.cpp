#include "tests/condition/fake_agent.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <fstream>
#include <sstream>

#include "platform/snmpmgr/asn_types.h"

namespace fake {

Oid ParseOid(const std::string& dotted) {
    Oid oid;
    std::stringstream in(dotted[0] == '.' ? dotted.substr(1) : dotted);
    std::string part;
    while (std::getline(in, part, '.')) {
        oid.push_back(static_cast<std::uint32_t>(std::stoul(part)));
    }
    return oid;
}

ber::Value Integer(std::int64_t value) {
    ber::Value v;
    v.tag = ASN_INTEGER;
    v.integer = value;
    return v;
}

ber::Value Text(const std::string& text) {
    ber::Value v;
    v.tag = ASN_OCTETSTRING;
    v.bytes.assign(text.begin(), text.end());
    return v;
}

void Agent::Load(const std::string& snmprec) {
    std::stringstream lines(snmprec);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const std::size_t a = line.find('|');
        const std::size_t b = line.find('|', a + 1);
        std::string tag = line.substr(a + 1, b - a - 1);
        const std::string text = line.substr(b + 1);
        ber::Value v;
        const bool hex = !tag.empty() && tag.back() == 'x';
        if (hex) {
            tag.pop_back();
        }
        v.tag = static_cast<std::uint8_t>(std::stoi(tag));
        if (hex) {
            for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
                v.bytes.push_back(
                    static_cast<std::uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
            }
        } else if (v.tag == ASN_OCTETSTRING) {
            v.bytes.assign(text.begin(), text.end());
        } else if (v.tag == ASN_OBJECTIDENTIFIER) {
            v.oid = ParseOid(text);
        } else if (v.tag == ASN_IPADDRESS) {
            in_addr address{};
            inet_pton(AF_INET, text.c_str(), &address);
            const auto* p = reinterpret_cast<const std::uint8_t*>(&address);
            v.bytes.assign(p, p + 4);
        } else {
            v.integer = std::stoll(text);
        }
        objects[ParseOid(line.substr(0, a))] = v;
    }
}

std::string FullPrinterProfile() {
    std::ifstream file(VM_CONDITION_TEST_DIR "/full-printer.snmprec");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

ber::Message Agent::Respond(const ber::Message& request) const {
    ber::Message answer = request;
    answer.pduType = SNMP_PDU_RESPONSE;
    answer.errorStatus = 0;
    answer.errorIndex = 0;
    const bool v1 = request.version == ber::VERSION_1;
    auto next = [&](const Oid& after, ber::VarBind& out) -> bool {
        const auto found = objects.upper_bound(after);
        if (found == objects.end()) {
            out.name = after;
            out.value = ber::Value{};
            out.value.tag = ber::END_OF_MIB_VIEW;
            return false;
        }
        out.name = found->first;
        out.value = found->second;
        return true;
    };
    if (request.pduType == SNMP_PDU_GET || request.pduType == SNMP_PDU_GETNEXT) {
        for (std::size_t i = 0; i < request.varbinds.size(); ++i) {
            ber::VarBind& vb = answer.varbinds[i];
            bool found = false;
            if (request.pduType == SNMP_PDU_GET) {
                const auto at = objects.find(vb.name);
                found = at != objects.end();
                vb.value = found ? at->second : ber::Value{};
                if (!found) {
                    vb.value.tag = ber::NO_SUCH_INSTANCE;
                }
            } else {
                found = next(request.varbinds[i].name, vb);
            }
            if (!found && v1) {
                answer.varbinds = request.varbinds;
                answer.errorStatus = SNMP_ERRORSTATUS_NOSUCHNAME;
                answer.errorIndex = static_cast<std::int32_t>(i + 1);
                break;
            }
        }
    } else if (request.pduType == ber::PDU_GET_BULK) {
        answer.varbinds.clear();
        const auto nonRepeaters = static_cast<std::size_t>(std::max(0, request.errorStatus));
        std::vector<Oid> cursors;
        for (std::size_t i = 0; i < request.varbinds.size(); ++i) {
            ber::VarBind vb;
            next(request.varbinds[i].name, vb);
            if (i < nonRepeaters) {
                answer.varbinds.push_back(vb);
            } else {
                cursors.push_back(request.varbinds[i].name);
            }
        }
        for (std::int32_t r = 0; r < request.errorIndex && !cursors.empty(); ++r) {
            for (Oid& cursor : cursors) {
                ber::VarBind vb;
                next(cursor, vb);
                cursor = vb.name;
                answer.varbinds.push_back(vb);
            }
        }
    }
    if (answer.varbinds.size() > maxAnswerBindings) {
        answer.varbinds = request.varbinds;
        answer.errorStatus = SNMP_ERRORSTATUS_TOOBIG;
        answer.errorIndex = 0;
    }
    if (tamper) {
        tamper(request, answer);
    }
    return answer;
}

condition::Condition Drive(const Agent& agent, condition::SnmpVersion version, int* requests,
                           double threshold) {
    condition::Walk walk(version);
    ber::Message request;
    std::vector<std::uint8_t> bytes;
    while (walk.Next(request)) {
        request.version = version == condition::SnmpVersion::V1 ? ber::VERSION_1 : ber::VERSION_2C;
        request.community = "orchid";
        bytes.clear();
        ber::Message seen;
        if (ber::Encode(request, bytes) != ber::Error::None ||
            ber::Decode(bytes.data(), bytes.size(), seen) != ber::Error::None) {
            walk.Abort("request does not encode");
            break;
        }
        const ber::Message answer = agent.Respond(seen);
        bytes.clear();
        ber::Message back;
        if (ber::Encode(answer, bytes) == ber::Error::None &&
            ber::Decode(bytes.data(), bytes.size(), back) == ber::Error::None) {
            walk.Answer(back);
        } else {
            walk.Answer(answer);  // a test's answer the codec would not write: feed it as is
        }
    }
    if (requests != nullptr) {
        *requests = walk.Requests();
    }
    return walk.Take(threshold);
}

UdpAgent::UdpAgent(Agent agent, bool ipv6) : agent_(std::move(agent)) {
    const int family = ipv6 ? AF_INET6 : AF_INET;
    auto open = [&]() {
        const int fd = socket(family, SOCK_DGRAM, 0);
        sockaddr_storage local{};
        socklen_t length = 0;
        if (ipv6) {
            auto* v6 = reinterpret_cast<sockaddr_in6*>(&local);
            v6->sin6_family = AF_INET6;
            v6->sin6_addr = in6addr_loopback;
            length = sizeof *v6;
        } else {
            auto* v4 = reinterpret_cast<sockaddr_in*>(&local);
            v4->sin_family = AF_INET;
            v4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            length = sizeof *v4;
        }
        if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&local), length) != 0) {
            if (fd >= 0) {
                close(fd);
            }
            return -1;
        }
        return fd;
    };
    fd_ = open();
    spoofFd_ = open();
    stopFd_ = eventfd(0, 0);
    if (fd_ < 0) {
        return;
    }
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&bound), &length);
    endpoint_.ipv6 = ipv6;
    if (ipv6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&bound);
        std::memcpy(endpoint_.address.data(), &v6->sin6_addr, 16);
        endpoint_.port = ntohs(v6->sin6_port);
    } else {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(&bound);
        std::memcpy(endpoint_.address.data(), &v4->sin_addr, 4);
        endpoint_.port = ntohs(v4->sin_port);
    }
    thread_ = std::thread([this] { Run(); });
}

UdpAgent::~UdpAgent() {
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = write(stopFd_, &one, sizeof one);
        thread_.join();
    }
    for (const int fd : {fd_, spoofFd_, stopFd_}) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

void UdpAgent::Run() {
    using Clock = std::chrono::steady_clock;
    struct Due {
        Clock::time_point when;
        sockaddr_storage to;
        socklen_t length;
        std::vector<std::uint8_t> bytes;
    };
    std::deque<Due> due;  // answers held back by delayMs, in arrival order
    std::vector<std::uint8_t> buffer(70000);
    for (;;) {
        int wait = -1;
        if (!due.empty()) {
            wait = static_cast<int>(std::max<long>(
                0, std::chrono::duration_cast<std::chrono::milliseconds>(due.front().when -
                                                                         Clock::now())
                       .count()));
        }
        pollfd fds[2] = {{fd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        if (poll(fds, 2, wait) < 0 || (fds[1].revents & POLLIN) != 0) {
            return;
        }
        while (!due.empty() && due.front().when <= Clock::now()) {
            const Due& d = due.front();
            sendto(fd_, d.bytes.data(), d.bytes.size(), 0, reinterpret_cast<const sockaddr*>(&d.to),
                   d.length);
            due.pop_front();
        }
        if ((fds[0].revents & POLLIN) == 0) {
            continue;
        }
        sockaddr_storage from{};
        socklen_t length = sizeof from;
        const ssize_t size = recvfrom(fd_, buffer.data(), buffer.size(), 0,
                                      reinterpret_cast<sockaddr*>(&from), &length);
        ber::Message request;
        if (size < 0 || ber::Decode(buffer.data(), static_cast<std::size_t>(size), request) !=
                            ber::Error::None) {
            continue;
        }
        const int index = received_++;
        if (drop && drop(index)) {
            continue;
        }
        const ber::Message answer = agent_.Respond(request);
        std::vector<std::uint8_t> bytes;
        if (ber::Encode(answer, bytes) != ber::Error::None) {
            continue;
        }
        if (spoof) {
            ber::Message wrong = answer;
            for (ber::VarBind& vb : wrong.varbinds) {
                vb.value = Text("spoofed");
            }
            std::vector<std::uint8_t> forged;
            ber::Encode(wrong, forged);
            sendto(spoofFd_, forged.data(), forged.size(), 0, reinterpret_cast<sockaddr*>(&from),
                   length);
        }
        if (delayMs > 0) {
            due.push_back(Due{Clock::now() + std::chrono::milliseconds(delayMs), from, length,
                              std::move(bytes)});
            maxOutstanding_ = std::max(maxOutstanding_.load(), static_cast<int>(due.size()));
            continue;
        }
        sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&from), length);
    }
}

}  // namespace fake
