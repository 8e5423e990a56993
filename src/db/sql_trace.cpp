#include "db/sql_trace.hpp"

#include <cerrno>
#include <cstring>

#include "common/error.hpp"
#include "common/json_writer.hpp"
#include "common/messages.hpp"

namespace zorvanil::db {

SqlTrace::SqlTrace(const std::string& target) {
    if (target == "-") {
        file_ = stderr;
    } else {
        file_ = std::fopen(target.c_str(), "a");
        if (!file_) raise(msg::kCannotOpenSqlTrace, {target, std::strerror(errno)});
        ownsFile_ = true;
    }
}

SqlTrace::SqlTrace() : inMemory_(true) {}

SqlTrace::~SqlTrace() {
    if (ownsFile_) std::fclose(file_);
}

void SqlTrace::record(std::string_view sql, const std::vector<Variant>& params,
                      std::uint64_t connection) {
    std::string text;
    JsonWriter line(text);
    line.beginObject().key("sql").string(sql).key("params").beginArray();
    for (const Variant& p : params)
        line.value(p);
    line.endArray().key("connection").integer(static_cast<std::int64_t>(connection)).endObject();
    std::lock_guard lock(mutex_);
    if (inMemory_) {
        lines_.push_back(std::move(text));
        return;
    }
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), file_);
    std::fflush(file_);
}

std::vector<std::string> SqlTrace::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

void SqlTrace::clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
}

}  // namespace zorvanil::db
