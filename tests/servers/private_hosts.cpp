#include "servers/private_hosts.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/temp_folder.h"

std::optional<std::string> RunWithPrivateHosts(const std::string& hostsText,
                                               const std::function<std::string()>& body) {
    TempFolder folder("brindle-hosts");
    const std::string hosts = folder.File("hosts"), nsswitch = folder.File("nsswitch.conf");
    if (!WriteWholeFile(hosts, hostsText) || !WriteWholeFile(nsswitch, "hosts: files\n")) {
        return std::nullopt;
    }
    const pid_t child = fork();
    if (child == 0) {
        const bool isolated =
            unshare(CLONE_NEWNS) == 0 &&
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
            mount(hosts.c_str(), "/etc/hosts", nullptr, MS_BIND, nullptr) == 0 &&
            mount(nsswitch.c_str(), "/etc/nsswitch.conf", nullptr, MS_BIND, nullptr) == 0;
        _exit(isolated && WriteWholeFile(folder.File("report"), body()) ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    return ReadWholeFile(folder.File("report"));
}
