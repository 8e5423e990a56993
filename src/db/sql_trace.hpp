#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "common/variant.hpp"

namespace zorvanil::db {

// Writes every statement sent to the database, with its parameters, one JSON object per line:
// {"sql": text, "params": [values], "connection": id}. Shared by the connections of a process.
class SqlTrace {
  public:
    // "-" writes to standard error; any other text names a file that is appended to.
    explicit SqlTrace(const std::string& target);
    // Collects the lines in memory instead (tests read them with lines()).
    SqlTrace();
    ~SqlTrace();
    SqlTrace(const SqlTrace&) = delete;
    SqlTrace& operator=(const SqlTrace&) = delete;

    void record(std::string_view sql, const std::vector<Variant>& params, std::uint64_t connection);
    // The lines collected by an in-memory trace.
    std::vector<std::string> lines() const;
    void clear();

  private:
    mutable std::mutex mutex_;
    std::FILE* file_ = nullptr;
    bool ownsFile_ = false;
    bool inMemory_ = false;
    std::vector<std::string> lines_;
};

}  // namespace zorvanil::db
