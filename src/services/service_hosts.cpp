#include "services/service_hosts.h"

#include <cstdlib>
#include <mutex>
#include <optional>
#include <utility>

namespace {

struct ServiceHosts {
    std::mutex mutex;
    std::optional<std::array<std::string, 2>> componentHosts;
    std::optional<std::string> updateHost;
};

ServiceHosts& Hosts() {
    static ServiceHosts hosts;
    return hosts;
}

std::string EnvOr(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? std::string(value) : std::string(fallback);
}

}  // namespace

std::array<std::string, 2> GetComponentHosts() {
    ServiceHosts& hosts = Hosts();
    std::lock_guard<std::mutex> lock(hosts.mutex);
    if (hosts.componentHosts) {
        return *hosts.componentHosts;
    }
    return {EnvOr("BRINDLE_COMPONENT_HOST1", kDefaultComponentHost1),
            EnvOr("BRINDLE_COMPONENT_HOST2", kDefaultComponentHost2)};
}

void SetComponentHosts(std::string first, std::string second) {
    ServiceHosts& hosts = Hosts();
    std::lock_guard<std::mutex> lock(hosts.mutex);
    hosts.componentHosts = std::array<std::string, 2>{std::move(first), std::move(second)};
}

std::string GetUpdateHost() {
    ServiceHosts& hosts = Hosts();
    std::lock_guard<std::mutex> lock(hosts.mutex);
    if (hosts.updateHost) {
        return *hosts.updateHost;
    }
    return EnvOr("BRINDLE_UPDATE_HOST", kDefaultUpdateHost);
}

void SetUpdateHost(std::string host) {
    ServiceHosts& hosts = Hosts();
    std::lock_guard<std::mutex> lock(hosts.mutex);
    hosts.updateHost = std::move(host);
}

void ResetServiceHosts() {
    ServiceHosts& hosts = Hosts();
    std::lock_guard<std::mutex> lock(hosts.mutex);
    hosts.componentHosts.reset();
    hosts.updateHost.reset();
}
