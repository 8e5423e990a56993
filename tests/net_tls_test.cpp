#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <spdlog/logger.h>
#include <spdlog/sinks/ringbuffer_sink.h>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>

#include "app/server_main.hpp"
#include "app/zorvanil_handlers.hpp"
#include "catalogue/zorvanil_catalogue.hpp"
#include "client/client.hpp"
#include "common/error.hpp"
#include "host/host.hpp"
#include "host/object_host.hpp"
#include "net/net_server.hpp"
#include "support/case_names.hpp"
#include "support/eventually.hpp"
#include "support/loopback_http.hpp"
#include "support/project_files.hpp"
#include "support/test_certificates.hpp"
#include "support/test_server.hpp"

namespace zorvanil::test {
namespace {

namespace asio = boost::asio;
using client::Client;
using client::TlsSettings;
using ::testing::HasSubstr;
using ::testing::StartsWith;

constexpr const char* kAccessKey = "tls-test-key";
constexpr const char* kReadOne = "SELECT NAME FROM T WHERE ID = 1";
constexpr const char* kRefused = "request refused: TLS handshake failed: ";

std::shared_ptr<spdlog::logger> ringLogger(
    std::shared_ptr<spdlog::sinks::ringbuffer_sink_mt>& sink) {
    sink = std::make_shared<spdlog::sinks::ringbuffer_sink_mt>(256);
    sink->set_pattern("%v");
    auto log = std::make_shared<spdlog::logger>("tls", sink);
    log->set_level(spdlog::level::debug);
    return log;
}

// What a program printed (standard output and error) and its exit code.
struct ToolRun {
    std::string output;
    int exitCode = -1;
};

ToolRun runTool(const std::string& command) {
    ToolRun run;
    FILE* out = ::popen((command + " 2>&1").c_str(), "r");
    if (!out) return run;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, out)) > 0)
        run.output.append(buffer, n);
    int status = ::pclose(out);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string quoted(const std::filesystem::path& file) {
    return "'" + file.string() + "'";
}

// A zorvanil host whose port speaks TLS with the test certificates and asks for an access key,
// logging into a ring buffer.
struct TlsServer {
    TestCertificates certificates;
    TestDatabase db{kSmallTableDdl};
    std::shared_ptr<spdlog::sinks::ringbuffer_sink_mt> sink;
    std::unique_ptr<host::Host> host;

    explicit TlsServer(bool otherName = false) {
        db.environment()->logger = ringLogger(sink);
        host::HostSettings settings;
        settings.net.port = 0;
        settings.net.ioThreads = 1;
        settings.net.accessKey = kAccessKey;
        settings.net.tlsHandshakeTimeout = std::chrono::milliseconds(300);
        settings.net.tls = net::TlsFiles{
            (otherName ? certificates.otherNameCertificateFile : certificates.certificateFile)
                .string(),
            certificates.keyFile.string()};
        settings.handleSignals = false;
        host = std::make_unique<host::Host>(settings, catalogue::zorvanilCatalogue(),
                                            app::zorvanilHandlers(), db.environment());
        host->start();
    }
    ~TlsServer() {
        host->requestStop("the test is over");
        host->wait();
    }

    std::string port() const { return std::to_string(host->port()); }
    std::string url(const std::string& scheme) const {
        return scheme + "://127.0.0.1:" + port() + "/";
    }
    TlsSettings trusting() const { return {certificates.caFile.string()}; }
    bool logged(const std::string& text) const {
        for (const std::string& line : sink->last_formatted())
            if (line.find(text) != std::string::npos) return true;
        return false;
    }
};

// The first value of each row of the read, one a line, through the C++ client; or what failed.
std::string readThrough(const client::ServerAddress& address, const TlsSettings& tls,
                        const std::string& key = kAccessKey) {
    try {
        Client c(address, tls);
        c.createObject(key);
        std::string lines;
        auto result = c.getRecords("DSPQ_PROCEDURE", -1, {}, 1, kReadOne);
        for (const auto& row : result.data.asPacket()->rows)
            lines += row.values.at(0).toString() + "\n";
        return lines;
    } catch (const std::exception& e) {
        return e.what();
    }
}

client::ServerAddress tlsAddress(const TlsServer& s, const std::string& host = "127.0.0.1") {
    return {host, s.host->port(), true};
}

std::string pythonClient(const std::string& url, const std::string& ca,
                         const std::string& key = kAccessKey) {
    return runTool("/usr/bin/python3 " + quoted(sourceDir() / "tests/support/wss_client.py") + " " +
                   url + " '" + kReadOne + "' --ca-file " + ca + " --access-key " + key)
        .output;
}

std::string curl(const std::string& url, const std::string& ca) {
    return runTool("curl -sS --max-time 10 --cacert " + ca + " " + url).output;
}

// Client, server and what the client gets: exactly `expected` (with "{port}" standing for the
// server's port), or text containing it.
struct ClientCase {
    const char* name;
    std::function<std::string(const TlsServer&)> run;
    std::string expected;
    bool exact = true;
    bool otherNameServer = false;  // the server shows a certificate for another host name
};

void PrintTo(const ClientCase& c, std::ostream* os) {
    *os << c.name;
}

std::string withPort(std::string text, const std::string& port) {
    if (auto at = text.find("{port}"); at != std::string::npos) text.replace(at, 6, port);
    return text;
}

const std::string kUntrusted =
    "Cannot connect to 127.0.0.1:{port}: the server's certificate is not trusted: ";

const ClientCase kClientCases[] = {
    {"CppClientReadsOverWss",
     [](const TlsServer& s) { return readThrough(tlsAddress(s), s.trusting()); }, "ONE\n"},
    {"CppClientReadsByHostName",
     [](const TlsServer& s) { return readThrough(tlsAddress(s, "localhost"), s.trusting()); },
     "ONE\n"},
    {"CppClientWithAWrongAccessKeyIsDenied",
     [](const TlsServer& s) { return readThrough(tlsAddress(s), s.trusting(), "wrong"); },
     "Access denied: wrong or missing access key"},
    {"CppClientRefusesAnotherAuthority",
     [](const TlsServer& s) {
         return readThrough(tlsAddress(s), {s.certificates.otherCaFile.string()});
     },
     kUntrusted + "unable to get local issuer certificate"},
    {"CppClientRefusesWhatTheSystemDoesNotTrust",
     [](const TlsServer& s) { return readThrough(tlsAddress(s), {}); },
     kUntrusted + "unable to get local issuer certificate"},
    {"CppClientRefusesACertificateForAnotherName",
     [](const TlsServer& s) { return readThrough(tlsAddress(s), s.trusting()); },
     kUntrusted + "IP address mismatch", true, true},
    {"CppClientSaysWhenTheCaFileIsMissing",
     [](const TlsServer& s) {
         return readThrough(tlsAddress(s), {(s.certificates.dir / "missing.pem").string()});
     },
     "Cannot read the CA file ", false},
    {"PythonReadsOverWss",
     [](const TlsServer& s) { return pythonClient(s.url("wss"), s.certificates.caFile.string()); },
     "ONE\n"},
    {"PythonWithAWrongAccessKeyIsDenied",
     [](const TlsServer& s) {
         return pythonClient(s.url("wss"), s.certificates.caFile.string(), "wrong");
     },
     "error: RuntimeError: Access denied: wrong or missing access key\n"},
    {"PythonRefusesAnotherAuthority",
     [](const TlsServer& s) {
         return pythonClient(s.url("wss"), s.certificates.otherCaFile.string());
     },
     "CERTIFICATE_VERIFY_FAILED", false},
    {"CurlReadsTheHealthPageOverHttps",
     [](const TlsServer& s) {
         return curl(s.url("https") + "health", s.certificates.caFile.string());
     },
     "ok\n"},
    {"CurlReadsTheStatusPageOverHttps",
     [](const TlsServer& s) {
         return curl(s.url("https") + "status", s.certificates.caFile.string());
     },
     "Remote Server Zorvanil db2", false},
    {"CurlReadsStatusJsonOverHttps",
     [](const TlsServer& s) {
         return curl(s.url("https") + "status.json", s.certificates.caFile.string());
     },
     "\"accepting\":true", false},
    {"CurlRefusesAnotherAuthority",
     [](const TlsServer& s) {
         return curl(s.url("https") + "health", s.certificates.otherCaFile.string());
     },
     "SSL certificate problem: unable to get local issuer certificate", false},
};

class TlsClientTest : public ::testing::TestWithParam<ClientCase> {};

// Clients of three makes reach the server over TLS when they trust its authority, and only then;
// the access key is checked over TLS as over plain TCP.
TEST_P(TlsClientTest, ReachesTheServerOnlyWhenItTrustsTheCertificate) {
    const ClientCase& c = GetParam();
    TlsServer server(c.otherNameServer);
    const std::string outcome = c.run(server);
    const std::string expected = withPort(c.expected, server.port());
    if (c.exact)
        EXPECT_EQ(outcome, expected);
    else
        EXPECT_THAT(outcome, HasSubstr(expected));
}

INSTANTIATE_TEST_SUITE_P(NetTls, TlsClientTest, ::testing::ValuesIn(kClientCases), CaseName());

// A client that connects and says nothing: closed once the handshake time is over.
std::string silentClient(const TlsServer& s) {
    asio::io_context io;
    asio::ip::tcp::socket socket(io);
    socket.connect({asio::ip::make_address("127.0.0.1"), s.host->port()});
    char byte;
    boost::system::error_code ec;
    asio::read(socket, asio::buffer(&byte, 1), ec);
    return ec == asio::error::eof ? "closed" : ec.message();
}

struct PlainCase {
    const char* name;
    std::function<std::string(const TlsServer&)> run;
    std::string expected;  // contained in what the client gets
    bool refusalLogged;
};

void PrintTo(const PlainCase& c, std::ostream* os) {
    *os << c.name;
}

const PlainCase kPlainCases[] = {
    {"CppClientOverWs",
     [](const TlsServer& s) {
         return readThrough({"127.0.0.1", s.host->port()}, {});
     },
     "Cannot connect to 127.0.0.1:{port}: ", true},
    {"PythonOverWs", [](const TlsServer& s) { return pythonClient(s.url("ws"), "-"); },
     "error: ", true},
    {"CurlOverHttp", [](const TlsServer& s) { return curl(s.url("http") + "health", "-"); },
     "curl: (", true},
    {"SilentClient", silentClient, "closed", false},
};

class TlsPlainClientTest : public ::testing::TestWithParam<PlainCase> {};

// A client without TLS on the TLS port is refused at the handshake, which leaves a log line when
// it said anything, and the server serves on.
TEST_P(TlsPlainClientTest, IsRefusedAndTheServerServesOn) {
    const PlainCase& c = GetParam();
    TlsServer server;
    EXPECT_THAT(c.run(server), HasSubstr(withPort(c.expected, server.port())));
    if (c.refusalLogged) {
        EXPECT_TRUE(eventually([&] { return server.logged(kRefused); }));
    }
    EXPECT_EQ(readThrough(tlsAddress(server), server.trusting()), "ONE\n");
    EXPECT_EQ(server.logged(kRefused), c.refusalLogged);
}

INSTANTIATE_TEST_SUITE_P(NetTls, TlsPlainClientTest, ::testing::ValuesIn(kPlainCases), CaseName());

bool listening(std::uint16_t port) {
    asio::io_context io;
    asio::ip::tcp::socket socket(io);
    boost::system::error_code ec;
    socket.connect({asio::ip::make_address("127.0.0.1"), port}, ec);
    return !ec;
}

struct StartCase {
    const char* name;
    std::function<net::TlsFiles(const TestCertificates&)> files;
    // The message, with {cert} and {key} for the files; the whole of it unless it ends in ": "
    // (then OpenSSL's reason follows).
    std::string expected;
};

void PrintTo(const StartCase& c, std::ostream* os) {
    *os << c.name;
}

const StartCase kStartCases[] = {
    {"MissingCertificate",
     [](const TestCertificates& t) {
         return net::TlsFiles{(t.dir / "missing.pem").string(), t.keyFile.string()};
     },
     "The TLS certificate {cert} cannot be read: No such file or directory"},
    {"MissingKey",
     [](const TestCertificates& t) {
         return net::TlsFiles{t.certificateFile.string(), (t.dir / "missing.key").string()};
     },
     "The TLS key {key} cannot be read: No such file or directory"},
    {"KeyThatIsADirectory",
     [](const TestCertificates& t) {
         return net::TlsFiles{t.certificateFile.string(), t.dir.string()};
     },
     "The TLS key {key} cannot be read: Is a directory"},
    {"CertificateThatIsAKey",
     [](const TestCertificates& t) {
         return net::TlsFiles{t.keyFile.string(), t.keyFile.string()};
     },
     "The TLS certificate {cert} cannot be read: "},
    {"KeyThatIsACertificate",
     [](const TestCertificates& t) {
         return net::TlsFiles{t.certificateFile.string(), t.caFile.string()};
     },
     "The TLS key {key} cannot be read: "},
    {"KeyOfAnotherCertificate",
     [](const TestCertificates& t) {
         return net::TlsFiles{t.certificateFile.string(), t.strayKeyFile.string()};
     },
     "The TLS key {key} does not match the certificate {cert}"},
};

class TlsStartTest : public ::testing::TestWithParam<StartCase> {};

// A certificate or key that cannot serve stops the start with a message that names the file and
// the reason, before the port listens; the server program exits with 1.
TEST_P(TlsStartTest, FailsNamingTheFileBeforeListening) {
    const StartCase& c = GetParam();
    TestCertificates certificates;
    TestDatabase db;
    const net::TlsFiles files = c.files(certificates);
    std::string expected = c.expected;
    for (auto [mark, file] : {std::pair{"{cert}", files.certificateFile}, {"{key}", files.keyFile}})
        if (auto at = expected.find(mark); at != std::string::npos)
            expected.replace(at, std::string_view(mark).size(), file);

    host::ObjectHost objects(catalogue::zorvanilCatalogue(), app::zorvanilHandlers(),
                             db.environment());
    net::NetOptions options;
    options.port = freePort();
    options.tls = files;
    net::NetServer server(options, objects, db.environment()->logger, {});
    std::string message;
    try {
        server.start();
    } catch (const Error& e) {
        message = e.what();
    }
    if (expected.ends_with(": ")) {
        EXPECT_THAT(message, StartsWith(expected));
        EXPECT_GT(message.size(), expected.size());
    } else {
        EXPECT_EQ(message, expected);
    }
    EXPECT_FALSE(listening(options.port));

    EXPECT_EQ(app::runServer({"zorvanil-server", "--listen", "127.0.0.1:0", "--registry",
                              (db.dir() / "registry.txt").string(), "--connection-file",
                              db.environment()->connectionFile.string(), "--tls-cert",
                              files.certificateFile, "--tls-key", files.keyFile}),
              1);
}

INSTANTIATE_TEST_SUITE_P(NetTls, TlsStartTest, ::testing::ValuesIn(kStartCases), CaseName());

TEST(NetTls, TheCertificateAndTheKeyComeTogether) {
    EXPECT_NE(app::runServer({"zorvanil-server", "--tls-cert", "server.pem"}), 0);
    EXPECT_NE(app::runServer({"zorvanil-server", "--tls-key", "server.key"}), 0);
}

// Listening beyond loopback in clear text is warned of at start.
TEST(NetTls, ClearTextBeyondLoopbackIsWarnedOf) {
    struct Case {
        const char* address;
        bool tls;
        bool warned;
    };
    const Case cases[] = {
        {"0.0.0.0", false, true}, {"127.0.0.1", false, false}, {"0.0.0.0", true, false}};
    TestCertificates certificates;
    TestDatabase db;
    host::ObjectHost objects(catalogue::zorvanilCatalogue(), app::zorvanilHandlers(),
                             db.environment());
    for (const Case& c : cases) {
        std::shared_ptr<spdlog::sinks::ringbuffer_sink_mt> sink;
        net::NetOptions options;
        options.address = c.address;
        options.port = 0;
        options.accessKey = kAccessKey;
        if (c.tls)
            options.tls =
                net::TlsFiles{certificates.certificateFile.string(), certificates.keyFile.string()};
        net::NetServer server(options, objects, ringLogger(sink), {});
        server.start();
        const std::string warning = "Listening on " + std::string(c.address) +
                                    ", which is not a loopback address, without TLS: ";
        bool warned = false;
        for (const std::string& line : sink->last_formatted())
            warned |= line.starts_with(warning);
        EXPECT_EQ(warned, c.warned) << c.address << (c.tls ? " with TLS" : "");
    }
}

}  // namespace
}  // namespace zorvanil::test
