#include "host/host.hpp"

#include <signal.h>

#include <cstdio>
#include <thread>

#include <spdlog/logger.h>

#include "common/messages.hpp"
#include "host/console_access.hpp"

#include "host/console_page.hpp"
#include "host/metrics_page.hpp"
#include "host/status_page.hpp"
#include "net/openrpc.hpp"

namespace zorvanil::host {

namespace {

constexpr auto kPoll = std::chrono::milliseconds(100);

sigset_t closeSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

// The next close signal, waiting up to `timeout`; 0 when none came.
int nextSignal(std::chrono::milliseconds timeout) {
    sigset_t set = closeSignals();
    timespec wait{static_cast<time_t>(timeout.count() / 1000),
                  static_cast<long>(timeout.count() % 1000) * 1000000L};
    int signal = sigtimedwait(&set, nullptr, &wait);
    return signal > 0 ? signal : 0;
}

std::string_view signalName(int signal) {
    return signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : "signal";
}

// The third line of the connection file, read without rewriting it.
std::string aliasInFile(const std::filesystem::path& file) {
    std::FILE* in = std::fopen(file.c_str(), "rb");
    if (!in) return {};
    std::string lines[3];
    int line = 0;
    for (int c; line < 3 && (c = std::fgetc(in)) != EOF;) {
        if (c == '\n')
            ++line;
        else if (c != '\r')
            lines[line] += static_cast<char>(c);
    }
    std::fclose(in);
    return lines[2];
}

}  // namespace

Host::Host(HostSettings settings, const catalogue::Catalogue& catalogue,
           const server::HandlerTable& handlers, std::shared_ptr<server::ServerEnvironment> env)
    : settings_(std::move(settings)),
      env_(env),
      log_(env->logger),
      started_(std::chrono::steady_clock::now()),
      objects_(catalogue, handlers, env) {
    if (settings_.mode == StartMode::Automation)
        objects_.setLastReleaseHandler([this] { requestStop("the last object was released"); });
    net_ = std::make_unique<net::NetServer>(
        settings_.net, objects_, log_,
        [this](const net::HttpRequest& request) { return page(request); });
}

Host::~Host() {
    idleWatch_.reset();
    net_.reset();
    if (signalsBlocked_) {
        sigset_t set = closeSignals();
        pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    }
}

void Host::start() {
    if (settings_.handleSignals) {
        // Blocked before the first thread starts, so that every thread inherits the mask and
        // the signals wait for the main thread to take them.
        sigset_t set = closeSignals();
        pthread_sigmask(SIG_BLOCK, &set, nullptr);
        signalsBlocked_ = true;
    }
    net_->start();
    log_->info("serving on {} ({} mode)", net_->endpoint(), startModeName(settings_.mode));
    if (settings_.maxTransactionIdle.count() > 0) {
        log_->info("a transaction left open with no call for {} s is rolled back",
                   settings_.maxTransactionIdle.count());
        idleWatch_ = std::make_unique<IdleTransactionWatch>(
            settings_.maxTransactionIdle, objects_.board(),
            [this](const net::ObjectActivity& activity, std::chrono::milliseconds limit) {
                net_->rollbackIdleTransaction(activity.connectionId(), limit);
            });
    }
}

void Host::requestStop(std::string reason) {
    std::lock_guard lock(mutex_);
    if (!stopReason_) stopReason_ = std::move(reason);
    stopChanged_.notify_all();
}

bool Host::stopRequested() {
    std::lock_guard lock(mutex_);
    return stopReason_.has_value();
}

int Host::wait() {
    for (;;) {
        if (settings_.handleSignals) {
            if (stopRequested()) break;
            if (int signal = nextSignal(kPoll)) onSignal(signal);
        } else {
            std::unique_lock lock(mutex_);
            stopChanged_.wait(lock, [&] { return stopReason_.has_value(); });
            break;
        }
    }
    std::string reason;
    {
        std::lock_guard lock(mutex_);
        reason = *stopReason_;
    }
    log_->info("closing: {}", reason);
    idleWatch_.reset();
    int live = objects_.liveObjects();
    if (!net_->stop(settings_.shutdownGrace)) {
        // An object is still inside a call that does not end: the process ends around it.
        log_->warn("closing with {} object(s) still busy", objects_.liveObjects());
        log_->flush();
        std::fflush(nullptr);
        std::_Exit(0);
    }
    if (live > 0) log_->info("closed; {} object(s) were destroyed on the way", live);
    return 0;
}

void Host::onSignal(int signal) {
    int live = objects_.liveObjects();
    if (live == 0) {
        requestStop(std::string(signalName(signal)) + " with no live objects");
        return;
    }
    if (settings_.askToClose) {
        log_->info("{} with {} live object(s): asking before closing", signalName(signal), live);
        bool yes = settings_.askToClose();
        // Signals that came while the question was open are answered by it.
        while (nextSignal(std::chrono::milliseconds(0)) != 0) {
        }
        if (yes)
            requestStop("closed by hand with " + std::to_string(objects_.liveObjects()) +
                        " live object(s)");
        else
            log_->info("close cancelled; serving on");
        return;
    }
    log_->info(
        "{} with {} live object(s) and no terminal: no longer accepting connections; waiting up "
        "to {} s for clients to release",
        signalName(signal), live, settings_.shutdownGrace.count());
    closeWithoutTerminal();
}

void Host::closeWithoutTerminal() {
    net_->stopAccepting();
    auto deadline = std::chrono::steady_clock::now() + settings_.shutdownGrace;
    while (objects_.liveObjects() > 0 && std::chrono::steady_clock::now() < deadline) {
        if (int signal = nextSignal(kPoll)) {
            requestStop(std::string("a second ") + std::string(signalName(signal)) + " with " +
                        std::to_string(objects_.liveObjects()) + " live object(s)");
            return;
        }
        if (stopRequested()) return;
    }
    int live = objects_.liveObjects();
    if (live == 0)
        requestStop("every object was released");
    else
        requestStop("the grace period ended with " + std::to_string(live) +
                    " live object(s); closing their connections");
}

std::string Host::databaseAlias() const {
    // What the connection file names is what every object connects to.
    std::string alias = aliasInFile(env_->connectionFile);
    if (alias.empty() && env_->configFiles) alias = env_->configFiles->defaults().database;
    return alias;
}

StatusFacts Host::status() const {
    StatusFacts facts;
    facts.objects = objects_.liveObjects();
    facts.connections = net_->connections();
    facts.uptime = std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::steady_clock::now() - started_);
    facts.database = databaseAlias();
    facts.mode = std::string(startModeName(settings_.mode));
    facts.endpoint = net_->endpoint();
    facts.accepting = net_->accepting();
    facts.version = settings_.version;
    return facts;
}

std::string Host::consoleJson() const {
    ConsoleFacts facts;
    facts.status = status();
    facts.objects = objects_.board().snapshots();
    facts.lastMinute = objects_.activity().lastMinute();
    facts.maxTransactionIdle = settings_.maxTransactionIdle;
    facts.accessKeyConfigured = settings_.net.accessKey.has_value();
    return host::consoleJson(facts);
}

std::optional<net::HttpReply> Host::page(const net::HttpRequest& request) {
    std::string_view path = request.target.substr(0, request.target.find('?'));
    if (request.method == "POST") {
        if (path == "/console/end") return endObject(request);
        return std::nullopt;
    }
    if (path == "/" || path == "/status")
        return net::HttpReply{200, "text/html; charset=utf-8", statusHtml(status())};
    if (path == "/status.json")
        return net::HttpReply{200, "application/json", statusJson(status())};
    if (path == "/console.json") return net::HttpReply{200, "application/json", consoleJson()};
    if (path == "/metrics")
        return net::HttpReply{200, kMetricsContentType,
                              metricsText(objects_.activity(), objects_.liveObjects(),
                                          net_->connections(), objects_.board().snapshots())};
    if (path == "/openrpc.json") return net::HttpReply{200, "application/json", net::openRpcText()};
    if (path == "/health") {
        if (net_->accepting()) return net::HttpReply{200, "text/plain; charset=utf-8", "ok\n"};
        return net::HttpReply{503, "text/plain; charset=utf-8", "closing\n"};
    }
    return std::nullopt;
}

net::HttpReply Host::endObject(const net::HttpRequest& request) {
    constexpr const char* kText = "text/plain; charset=utf-8";
    const std::string who(request.peer);
    const ConsoleAccess access =
        consoleAccess(request, settings_.net.accessKey ? &*settings_.net.accessKey : nullptr);
    std::string_view query =
        request.target.substr(std::min(request.target.find('?'), request.target.size()));
    const std::optional<std::uint64_t> objectId = objectOfQuery(query);
    if (access != ConsoleAccess::Granted) {
        const char* why =
            access == ConsoleAccess::WrongKey ? msg::kConsoleKeyRefused : msg::kConsoleLoopbackOnly;
        log_->warn("console: {} was refused ending object {}: {}", who,
                   objectId ? std::to_string(*objectId) : "?", why);
        return {403, kText, std::string(why) + "\n"};
    }
    std::optional<std::uint64_t> connection;
    if (objectId)
        for (const auto& activity : objects_.board().all())
            if (activity->objectId() == *objectId) connection = activity->connectionId();
    const std::string named = objectId ? std::to_string(*objectId) : std::string(query);
    if (!connection || !net_->endConnection(*connection, who)) {
        log_->warn("console: {} asked to end object {}, which is not live", who, named);
        return {404, kText, formatMessage(msg::kConsoleNoSuchObject, {named}) + "\n"};
    }
    log_->warn("console: {} ends object {} (connection {})", who, named, *connection);
    return {200, kText, "Object " + named + " is being ended\n"};
}

}  // namespace zorvanil::host
