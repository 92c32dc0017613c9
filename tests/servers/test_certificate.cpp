#include "servers/test_certificate.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "servers/server_process.h"
#include "support/temp_folder.h"

// Made once per build folder: RSA key generation is slow, and parallel test programs would
// each make their own. The lock lets only one of them make it.
bool MakeTestCertificate(bool expired, TestCertificate& out, std::string* why) {
    const std::string folder = BRINDLE_TEST_CERT_DIR;
    const std::string prefix = folder + (expired ? "/expired" : "/valid");
    out.certFile = prefix + "-cert.pem";
    out.keyFile = prefix + "-key.pem";
    mkdir(folder.c_str(), 0755);
    const int lock = open((folder + "/lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    std::vector<std::string> args = {"/usr/bin/python3",
                                     std::string(BRINDLE_TEST_SERVERS_DIR) + "/make_certificate.py",
                                     prefix + ".cert.tmp", prefix + ".key.tmp"};
    if (expired) {
        args.push_back("--expired");
    }
    // The certificate is renamed last: once it is there, both files are complete.
    const bool made = lock >= 0 && flock(lock, LOCK_EX) == 0 &&
                      (!ReadWholeFile(out.certFile).empty() ||
                       (RunToSuccess(args) && rename(args[3].c_str(), out.keyFile.c_str()) == 0 &&
                        rename(args[2].c_str(), out.certFile.c_str()) == 0));
    if (lock >= 0) {
        close(lock);
    }
    if (!made && why != nullptr) {
        *why = "make_certificate.py failed (is python3-openssl installed?)";
    }
    return made;
}
