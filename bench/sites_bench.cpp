// Time of `sites` and `site-save` on a store of many site accounts, as a script sees it: the
// accounts are saved into a fresh store, then brindleftp-cli (the one beside this program) lists
// them and saves one more. Usage: sites_bench [COUNT], 10000 accounts by default.
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "settings/ftp_account.h"
#include "settings/reg_key.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Run {
    int status = -1;
    long lines = 0;
    double seconds = 0;
};

// Runs the program with `args`, counting the lines it prints on stdout.
Run RunProgram(const std::string& program, std::vector<std::string> args) {
    Run run;
    int out[2];
    if (pipe(out) != 0) {
        return run;
    }
    args.insert(args.begin(), program);
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const Clock::time_point start = Clock::now();
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    char buffer[65536];
    ssize_t got = 0;
    while ((got = read(out[0], buffer, sizeof buffer)) > 0) {
        for (ssize_t i = 0; i < got; ++i) {
            run.lines += buffer[i] == '\n' ? 1 : 0;
        }
    }
    close(out[0]);
    int status = 0;
    if (spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
        run.status = WEXITSTATUS(status);
    }
    run.seconds = SecondsSince(start);
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    const std::string cli =
        std::filesystem::read_symlink("/proc/self/exe").parent_path() / "brindleftp-cli";
    char folderTemplate[] = "/tmp/brindle-sites-bench-XXXXXX";
    if (count <= 0 || mkdtemp(folderTemplate) == nullptr) {
        std::fprintf(stderr, "usage: sites_bench [COUNT]\n");
        return 2;
    }
    const std::string folder = folderTemplate;
    // The program and the CLI use the fresh store; the CLI logs into the folder as well.
    setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    setenv("XDG_DATA_HOME", (folder + "/data").c_str(), 1);

    Clock::time_point start = Clock::now();
    constexpr int kBatch = 1000;
    for (int first = 0; first < count; first += kBatch) {
        LRegTransaction batch;
        for (int i = first; i < count && i < first + kBatch; ++i) {
            FtpAccount account;
            account.label = "Site " + std::to_string(i);
            account.server = "ftp" + std::to_string(i) + ".example.com";
            account.userName = "user" + std::to_string(i);
            SaveFtpAccount("", account);
        }
        if (!batch.Commit()) {
            std::fprintf(stderr, "the accounts could not be saved in %s\n", folder.c_str());
            return 2;
        }
    }
    std::printf("%d accounts saved in %.2f s\n", count, SecondsSince(start));

    start = Clock::now();
    const std::size_t labels = ListFtpAccountLabels().size();
    std::printf("labels listed in the program: %zu in %.3f s\n", labels, SecondsSince(start));

    const Run sites = RunProgram(cli, {"sites"});
    std::printf("brindleftp-cli sites: exit %d, %ld lines in %.3f s\n", sites.status, sites.lines,
                sites.seconds);
    const Run save =
        RunProgram(cli, {"--server", "127.0.0.1", "--user", "u", "site-save", "One more"});
    std::printf("brindleftp-cli site-save: exit %d in %.3f s\n", save.status, save.seconds);
    const Run resave = RunProgram(cli, {"--server", "127.0.0.1:2121", "site-save", "site 0"});
    std::printf("brindleftp-cli site-save of the first account: exit %d in %.3f s\n", resave.status,
                resave.seconds);

    std::filesystem::remove_all(folder);
    const bool ok = sites.status == 0 && sites.lines == count && save.status == 0 &&
                    resave.status == 0 && labels == static_cast<std::size_t>(count);
    return ok ? 0 : 1;
}
