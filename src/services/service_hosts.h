#pragma once

#include <array>
#include <string>

// The maker's web servers that the auxiliary services talk to over plain HTTP: the two
// component hosts (tried in order) and the update host. Each is "host" or "host:port".
// A host set here wins; otherwise the environment variables BRINDLE_COMPONENT_HOST1,
// BRINDLE_COMPONENT_HOST2 and BRINDLE_UPDATE_HOST; otherwise the defaults below.

inline constexpr char kDefaultComponentHost1[] = "components.velmorsoftware.com";
inline constexpr char kDefaultComponentHost2[] = "components2.velmorsoftware.com";
inline constexpr char kDefaultUpdateHost[] = "www.velmorsoftware.com";

std::array<std::string, 2> GetComponentHosts();
void SetComponentHosts(std::string first, std::string second);
std::string GetUpdateHost();
void SetUpdateHost(std::string host);
// Forgets the hosts set above.
void ResetServiceHosts();
