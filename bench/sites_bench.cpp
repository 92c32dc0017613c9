// Time of `sites` and `site-save` on a store of many site accounts, as a script sees it: the
// accounts are saved into a fresh store, then brindleftp-cli (the one beside this program) lists
// them and saves one more. Usage: sites_bench [COUNT], 10000 accounts by default.
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "program_run.h"
#include "settings/ftp_account.h"
#include "settings/reg_key.h"

namespace {}  // namespace

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

    const ProgramRun sites = RunCountingLines(cli, {"sites"});
    std::printf("brindleftp-cli sites: exit %d, %ld lines in %.3f s\n", sites.status, sites.lines,
                sites.seconds);
    const ProgramRun save =
        RunCountingLines(cli, {"--server", "127.0.0.1", "--user", "u", "site-save", "One more"});
    std::printf("brindleftp-cli site-save: exit %d in %.3f s\n", save.status, save.seconds);
    const ProgramRun resave =
        RunCountingLines(cli, {"--server", "127.0.0.1:2121", "site-save", "site 0"});
    std::printf("brindleftp-cli site-save of the first account: exit %d in %.3f s\n", resave.status,
                resave.seconds);

    std::filesystem::remove_all(folder);
    const bool ok = sites.status == 0 && sites.lines == count && save.status == 0 &&
                    resave.status == 0 && labels == static_cast<std::size_t>(count);
    return ok ? 0 : 1;
}
