#pragma once

#include <string>

// A self-signed certificate and key for the TLS test servers, shared by every test program.
struct TestCertificate {
    std::string certFile;
    std::string keyFile;
};

// False (with the reason) when the certificate could not be made.
bool MakeTestCertificate(bool expired, TestCertificate& out, std::string* why = nullptr);
