#include "servers/test_certificate.h"

#include <spawn.h>
#include <sys/wait.h>

#include <vector>

#include "support/temp_folder.h"

extern char** environ;

bool MakeTestCertificate(bool expired, TestCertificate& out, std::string* why) {
    static TempFolder folder("brindle-cert");
    std::string prefix = expired ? "expired" : "valid";
    out.certFile = folder.File(prefix + "-cert.pem");
    out.keyFile = folder.File(prefix + "-key.pem");
    if (!ReadWholeFile(out.certFile).empty()) {
        return true;
    }
    std::vector<std::string> args = {"/usr/bin/python3",
                                     std::string(BRINDLE_TEST_SERVERS_DIR) + "/make_certificate.py",
                                     out.certFile, out.keyFile};
    if (expired) {
        args.push_back("--expired");
    }
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    int status = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0 ||
        waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        if (why != nullptr) {
            *why = "make_certificate.py failed (is python3-openssl installed?)";
        }
        return false;
    }
    return true;
}
