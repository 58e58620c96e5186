#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace talvora {

// Why a URL cannot be a network endpoint of the application, or nothing when it can. Only
// https is accepted, except for the loopback host (127.0.0.1, any 127.x.y.z, localhost, [::1]),
// which may use plain http so that a server on the same machine can stand in for the real one.
// The same rule is checked when the build is configured.
std::optional<std::string> endpointProblem(std::string_view url);

// The URL's host, lower-case, without brackets or port; empty when it has none.
std::string endpointHost(std::string_view url);

} // namespace talvora
