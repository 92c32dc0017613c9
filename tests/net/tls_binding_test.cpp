#include "net/tls_binding.h"

#include <gtest/gtest.h>

namespace {

// The system's OpenSSL 3 is loaded at run time; the program never links it.
TEST(TlsBinding, LoadsTheSystemOpenSsl) {
    TlsLibraryLoad();
    EXPECT_TRUE(TlsAvailable());
    EXPECT_EQ(ERR_get_error(), 0u);
    DrainTlsErrors();
    EXPECT_EQ(ERR_get_error(), 0u);
}

}  // namespace
