#include "support/private_hosts.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/temp_folder.h"

namespace {

// Written by the child when it could not make its namespace; no body's text starts with a NUL.
constexpr char kNoNamespace[] = "\0no namespace";

}  // namespace

std::optional<std::string> RunWithPrivateHosts(const std::string& hostsText,
                                               const std::function<std::string()>& body) {
    const std::string noNamespace(kNoNamespace, sizeof kNoNamespace - 1);
    TempFolder folder("brindle-hosts");
    const std::string hosts = folder.File("hosts");
    const std::string nsswitch = folder.File("nsswitch.conf");
    if (!WriteWholeFile(hosts, hostsText) || !WriteWholeFile(nsswitch, "hosts: files\n")) {
        return std::nullopt;
    }
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        return std::nullopt;
    }
    pid_t child = fork();
    if (child < 0) {
        close(pipeFds[0]);
        close(pipeFds[1]);
        return std::nullopt;
    }
    if (child == 0) {
        close(pipeFds[0]);
        std::string report = noNamespace;
        if (unshare(CLONE_NEWNS) == 0 &&
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
            mount(hosts.c_str(), "/etc/hosts", nullptr, MS_BIND, nullptr) == 0 &&
            mount(nsswitch.c_str(), "/etc/nsswitch.conf", nullptr, MS_BIND, nullptr) == 0) {
            report = body();
        }
        [[maybe_unused]] ssize_t n = write(pipeFds[1], report.data(), report.size());
        _exit(0);
    }
    close(pipeFds[1]);
    std::string report;
    char buffer[512];
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0) {
        report.append(buffer, static_cast<std::size_t>(n));
    }
    close(pipeFds[0]);
    waitpid(child, nullptr, 0);
    if (report == noNamespace) {
        return std::nullopt;
    }
    return report;
}
