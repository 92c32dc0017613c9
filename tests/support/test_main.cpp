// Every test program starts here, with the user's folders in a fresh temporary home: no test
// ever writes into the real one. The tests' private CA is the only one trusted, so the test
// servers' certificates verify and no other does (the CLI the tests start inherits this).
#include <gtest/gtest.h>

#include <csignal>

#include "servers/real_server.h"
#include "support/temp_folder.h"

int main(int argc, char** argv) {
    static TempFolder home("brindle-home");
    setenv("HOME", home.path().c_str(), 1);
    setenv("XDG_DATA_HOME", (home.path() + "/.local/share").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home.path() + "/.config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (home.path() + "/.cache").c_str(), 1);
    setenv("SSL_CERT_FILE", kTestCaCertificate, 1);
    setenv("SSL_CERT_DIR", (home.path() + "/no-certificates").c_str(), 1);
    std::signal(SIGPIPE, SIG_IGN);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
