#pragma once

#include <filesystem>

namespace zorvanil::test {

// Certificates made for one test process with the openssl command, in a folder of the build tree
// of its own that goes with the object (no key is ever kept): an authority, and the server's
// certificate it signed for "localhost" and 127.0.0.1 with its key; a second authority that
// signed nothing the server shows; a certificate of the first authority for another host name
// (with the server's key); and a key of no certificate.
struct TestCertificates {
    TestCertificates();
    ~TestCertificates();
    TestCertificates(const TestCertificates&) = delete;
    TestCertificates& operator=(const TestCertificates&) = delete;

    std::filesystem::path dir;
    std::filesystem::path caFile;
    std::filesystem::path certificateFile;
    std::filesystem::path keyFile;
    std::filesystem::path otherCaFile;
    std::filesystem::path otherNameCertificateFile;
    std::filesystem::path strayKeyFile;
};

}  // namespace zorvanil::test
