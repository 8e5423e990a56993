#include "support/test_certificates.hpp"

#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "support/project_files.hpp"
#include "support/temp_dir.hpp"

namespace zorvanil::test {

namespace {

namespace fs = std::filesystem;

// P-256 keys: made in a moment, unlike RSA ones.
constexpr const char* kNewKey = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";

void run(const std::string& command) {
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0)
        throw std::runtime_error("making the test certificates failed: " + command);
}

std::string quoted(const fs::path& file) {
    return "'" + file.string() + "'";
}

// A self-signed authority.
void makeAuthority(const fs::path& dir, const std::string& name) {
    run("openssl req -x509 " + std::string(kNewKey) + " -days 2 -subj '/CN=" + name +
        "' -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign" +
        " -keyout " + quoted(dir / (name + ".key")) + " -out " + quoted(dir / (name + ".pem")));
}

// A server certificate of `authority` for the names of `altNames`, of the key `key` (made when
// missing).
void makeServerCertificate(const fs::path& dir, const std::string& authority,
                           const std::string& name, const std::string& altNames,
                           const fs::path& key) {
    const fs::path extensions = dir / (name + ".ext");
    writeFile(extensions,
              "basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\n"
              "extendedKeyUsage=serverAuth\nsubjectAltName=" +
                  altNames + "\n");
    const std::string keyArgs = fs::exists(key) ? "-new -key " + quoted(key)
                                                : std::string(kNewKey) + " -keyout " + quoted(key);
    run("openssl req " + keyArgs + " -subj '/CN=" + name + "' -out " +
        quoted(dir / (name + ".csr")));
    run("openssl x509 -req -days 2 -in " + quoted(dir / (name + ".csr")) + " -CA " +
        quoted(dir / (authority + ".pem")) + " -CAkey " + quoted(dir / (authority + ".key")) +
        " -CAcreateserial -extfile " + quoted(extensions) + " -out " +
        quoted(dir / (name + ".pem")));
}

}  // namespace

TestCertificates::TestCertificates()
    : dir(testBuildDir() / ("tls-certificates-" + std::to_string(::getpid()))) {
    fs::remove_all(dir);
    fs::create_directories(dir);
    makeAuthority(dir, "ca");
    makeAuthority(dir, "other-ca");
    keyFile = dir / "server.key";
    makeServerCertificate(dir, "ca", "server", "DNS:localhost,IP:127.0.0.1", keyFile);
    makeServerCertificate(dir, "ca", "other-name", "DNS:other.example", keyFile);
    strayKeyFile = dir / "stray.key";
    run("openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:prime256v1 -out " +
        quoted(strayKeyFile));
    caFile = dir / "ca.pem";
    certificateFile = dir / "server.pem";
    otherCaFile = dir / "other-ca.pem";
    otherNameCertificateFile = dir / "other-name.pem";
}

TestCertificates::~TestCertificates() {
    std::error_code ec;
    fs::remove_all(dir, ec);
}

}  // namespace zorvanil::test
