#include "exporter/launcher.h"

#include <memory>

#include "platform/net/net.h"

namespace exporter {
namespace {

void Submit(condition::Reader& reader, const std::vector<Cidr>& allow,
            const net::Endpoint& endpoint, const Auth& auth,
            std::chrono::steady_clock::time_point deadline, ReadOutcomeDone done) {
    std::string address = net::AddressText(endpoint);
    if (!IsAllowed(allow, endpoint)) {
        ReadOutcome outcome;
        outcome.forbidden = true;
        outcome.address = std::move(address);
        done(std::move(outcome));
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

}  // namespace

void Launcher::Read(const TargetSpec& target, const Auth& auth,
                    std::chrono::steady_clock::time_point deadline, ReadOutcomeDone done) {
    if (auto literal = net::LiteralEndpoint(target.host, target.port)) {
        Submit(reader_, allow_, *literal, auth, deadline, std::move(done));
        return;
    }
    resolver_.Resolve(target.host, target.port, deadline,
                      [this, auth, deadline, done = std::move(done)](Resolution&& found) mutable {
                          if (!found.ok) {
                              ReadOutcome outcome;
                              outcome.condition.error = std::move(found.error);
                              outcome.condition.errorKinds = {condition::ReadError::NotResolved};
                              done(std::move(outcome));
                              return;
                          }
                          Submit(reader_, allow_, found.endpoint, auth, deadline, std::move(done));
                      });
}

}  // namespace exporter
