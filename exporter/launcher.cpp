#include "exporter/launcher.h"

#include <memory>

#include "platform/net/net.h"

namespace exporter {
namespace {

void Refuse(std::string address, std::string refusal, ReadOutcomeDone& done) {
    ReadOutcome outcome;
    outcome.forbidden = true;
    outcome.address = std::move(address);
    outcome.refusal = std::move(refusal);
    done(std::move(outcome));
}

std::string OutOfScope(const Auth& auth, const std::string& where) {
    return "auth '" + auth.name + "' may not be sent to " + where +
           " (not among its printers or allowed_targets)";
}

}  // namespace

void Launcher::SetAllowList(std::vector<Cidr> allow) {
    auto list = std::make_shared<const std::vector<Cidr>>(std::move(allow));
    std::lock_guard lock(allowMutex_);
    allow_ = std::move(list);
}

void Launcher::Submit(condition::Reader& reader, const AllowList& allow, const TargetSpec& target,
                      const net::Endpoint& given, const Auth& auth,
                      std::chrono::steady_clock::time_point deadline, ReadOutcomeDone done) {
    // Checked and sent as one address: a mapped IPv4 address goes out over IPv4.
    const net::Endpoint endpoint = net::Unmapped(given);
    std::string address = net::AddressText(endpoint);
    if (!IsAllowed(*allow, endpoint)) {
        Refuse(address,
               "target address " + address + " is outside the networks this exporter may probe",
               done);
        return;
    }
    if (!auth.scope.Covers(target, endpoint)) {
        Refuse(address, OutOfScope(auth, address), done);
        return;
    }
    condition::ReadRequest request;
    request.agent = endpoint;
    request.version = auth.version;
    request.community = auth.community;
    request.usm = auth.usm;
    request.deadline = deadline;
    reader.Submit(std::move(request), [done = std::move(done), address = std::move(address)](
                                          condition::Condition&& condition) mutable {
        ReadOutcome outcome;
        outcome.address = std::move(address);
        outcome.condition = std::move(condition);
        done(std::move(outcome));
    });
}

void Launcher::Read(const TargetSpec& target, const Auth& auth,
                    std::chrono::steady_clock::time_point deadline, ReadOutcomeDone done) {
    AllowList allow;
    {
        std::lock_guard lock(allowMutex_);
        allow = allow_;
    }
    // A name outside a scope of printers only is refused before it is even looked up.
    if (auth.scope.scoped && auth.scope.networks.empty() && !auth.scope.Names(target)) {
        Refuse("", OutOfScope(auth, target.host), done);
        return;
    }
    if (auto literal = net::LiteralEndpoint(target.host, target.port)) {
        Submit(reader_, allow, target, *literal, auth, deadline, std::move(done));
        return;
    }
    resolver_.Resolve(
        target.host, target.port, deadline,
        [this, allow, target, auth, deadline, done = std::move(done)](Resolution&& found) mutable {
            if (!found.ok) {
                ReadOutcome outcome;
                outcome.condition.error = std::move(found.error);
                outcome.condition.errorKinds = {condition::ReadError::NotResolved};
                done(std::move(outcome));
                return;
            }
            Submit(reader_, allow, target, found.endpoint, auth, deadline, std::move(done));
        });
}

}  // namespace exporter
