#pragma once

#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "db/param_list.hpp"

namespace zorvanil::db {

// The three values of a configuration file: database user, password and alias.
struct ConfigValues {
    std::string userName;
    std::string password;
    std::string database;
};

// Reads and rewrites the three-line configuration files. One instance serves a whole process: it
// holds the lock that keeps one server object from reading a file that another is rewriting, and
// each run locks the file's directory against the other processes that use the same file.
class ConfigFileProcedure {
  public:
    // Called with the message when the file cannot be written (a headless server logs it), and
    // with what the log adds to it: the file and the reason.
    using WriteFailureReporter =
        std::function<void(std::string_view message, std::string_view detail)>;

    ConfigFileProcedure(ConfigValues defaults, WriteFailureReporter reportWriteFailure);

    // Reads the file into User_name, Password and Database of `params` (the defaults when the
    // file cannot be read, creating it when it is missing), then writes the three values back as
    // three lines ended by CR LF. A file that cannot be written at all fails with "I/O error 103".
    void run(const std::filesystem::path& file, ParamList& params);

    const ConfigValues& defaults() const { return defaults_; }
    // Why the procedure could never read and rewrite `file` (it is a directory, its directory is
    // missing, or it or its directory may not be written), leaving the file as it is; nothing
    // when it can.
    static std::optional<std::string> problem(const std::filesystem::path& file);

  private:
    ConfigValues defaults_;
    WriteFailureReporter reportWriteFailure_;
    std::mutex mutex_;
};

}  // namespace zorvanil::db
