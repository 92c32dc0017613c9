#include "servers/test_certificate.h"

#include <vector>

#include "servers/server_process.h"
#include "support/temp_folder.h"

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
    if (!RunToSuccess(args)) {
        if (why != nullptr) {
            *why = "make_certificate.py failed (is python3-openssl installed?)";
        }
        return false;
    }
    return true;
}
