#include "db/config_file.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/error.hpp"
#include "common/messages.hpp"

namespace zorvanil::db {

namespace {

constexpr int kFileNotOpen = 103;

void setParams(ParamList& params, const ConfigValues& values) {
    params.setValue("User_name", values.userName);
    params.setValue("Password", values.password);
    params.setValue("Database", values.database);
}

// Reads one line without its line break; false when reading failed. A missing line reads empty.
bool readLine(std::FILE* file, std::string& line) {
    line.clear();
    for (;;) {
        int c = std::fgetc(file);
        if (c == EOF) return !std::ferror(file);
        if (c == '\n') return true;
        if (c == '\r') {
            int next = std::fgetc(file);
            if (next != '\n' && next != EOF) std::ungetc(next, file);
            return !std::ferror(file);
        }
        line.push_back(static_cast<char>(c));
    }
}

// Holds an exclusive lock on the file's directory for the whole procedure, so that no server
// process reads the file while another one is rewriting it: several processes that share one
// connection file would otherwise read it empty or half written now and then. The directory is
// locked rather than the file, since the file may not exist yet, and the lock goes with its
// descriptor. A directory that cannot be opened is not locked: the procedure then fails or goes
// on as it would without the lock.
class DirectoryLock {
  public:
    explicit DirectoryLock(const std::filesystem::path& file) {
        const std::filesystem::path dir = file.has_parent_path() ? file.parent_path() : ".";
        fd_ = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ < 0) return;
        while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~DirectoryLock() {
        if (fd_ >= 0) ::close(fd_);  // closing the descriptor releases the lock
    }
    DirectoryLock(const DirectoryLock&) = delete;
    DirectoryLock& operator=(const DirectoryLock&) = delete;

  private:
    int fd_ = -1;
};

}  // namespace

ConfigFileProcedure::ConfigFileProcedure(ConfigValues defaults,
                                         WriteFailureReporter reportWriteFailure)
    : defaults_(std::move(defaults)), reportWriteFailure_(std::move(reportWriteFailure)) {}

void ConfigFileProcedure::run(const std::filesystem::path& file, ParamList& params) {
    std::lock_guard lock(mutex_);
    DirectoryLock otherProcesses(file);
    ConfigValues values;

    if (std::FILE* in = std::fopen(file.c_str(), "rb")) {
        bool ok = readLine(in, values.userName) && readLine(in, values.password) &&
                  readLine(in, values.database);
        std::fclose(in);
        // A file that opened but could not be read gives the defaults for this attempt; it is
        // then rewritten from what was read until the failure.
        setParams(params, ok ? values : defaults_);
    } else if (std::FILE* created = std::fopen(file.c_str(), "wb")) {
        std::fclose(created);
        values = defaults_;
        setParams(params, values);
    }

    std::FILE* out = std::fopen(file.c_str(), "wb");
    int error = out ? 0 : errno;
    if (out) {
        std::string text =
            values.userName + "\r\n" + values.password + "\r\n" + values.database + "\r\n";
        if (std::fwrite(text.data(), 1, text.size(), out) != text.size()) error = errno;
        if (std::fclose(out) != 0 && !error) error = errno;
    }
    if (error) {
        if (reportWriteFailure_)
            reportWriteFailure_(msg::kConfigWriteFailed,
                                formatMessage(msg::kConfigWriteFailedBecause,
                                              {file.string(), std::strerror(error)}));
        // Closing a file that never opened is the error that ends the attempt.
        if (!out) throw Error(formatMessage(msg::kIOError, {std::to_string(kFileNotOpen)}));
    }
}

std::optional<std::string> ConfigFileProcedure::problem(const std::filesystem::path& file) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::is_directory(file, ec)) return std::strerror(EISDIR);
    if (fs::exists(file, ec)) {
        if (::access(file.c_str(), R_OK | W_OK) != 0) return std::strerror(errno);
        return std::nullopt;
    }
    // A missing file is created: its directory must be there and writable.
    const fs::path dir = file.has_parent_path() ? file.parent_path() : fs::path(".");
    if (::access(dir.c_str(), W_OK | X_OK) != 0) return std::strerror(errno);
    return std::nullopt;
}

}  // namespace zorvanil::db
