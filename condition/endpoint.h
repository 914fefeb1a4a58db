// Turning a target text into an Endpoint, for the terminal program and the tests (the reader
// itself never resolves names). Text: "host", "host:port", an IPv4 or IPv6 literal, or
// "[IPv6]:port"; without a port, 161. "host:port" follows the window's target syntax (one
// colon and a number 1..65535; text with more colons is an IPv6 literal or nothing).
//
// Resolution waits at most `wait`: a name that has not resolved by then is an error, and the
// lookup is abandoned. Literals never wait.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "condition/reader.h"

namespace condition {

std::optional<Endpoint> ResolveEndpoint(const std::string& target, std::chrono::milliseconds wait,
                                        std::string* error = nullptr);

// "127.0.0.1:161" or "[::1]:161".
std::string EndpointText(const Endpoint& endpoint);

}  // namespace condition
