// Every test program starts here, with the user's folders in a fresh temporary home: no test
// ever writes into the real one.
#include <gtest/gtest.h>

#include <csignal>

#include "support/temp_folder.h"

int main(int argc, char** argv) {
    static TempFolder home("brindle-home");
    setenv("HOME", home.path().c_str(), 1);
    setenv("XDG_DATA_HOME", (home.path() + "/.local/share").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home.path() + "/.config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (home.path() + "/.cache").c_str(), 1);
    std::signal(SIGPIPE, SIG_IGN);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
