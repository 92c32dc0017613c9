#pragma once

#include <functional>
#include <optional>
#include <string>

// Runs `body` in a forked child with a mount namespace of its own, where /etc/hosts holds
// `hostsText` and the resolver reads only that file, so no name server is ever asked. Gives what
// the body returned, or nothing when the machine gives no permission for the namespace.
std::optional<std::string> RunWithPrivateHosts(const std::string& hostsText,
                                               const std::function<std::string()>& body);
