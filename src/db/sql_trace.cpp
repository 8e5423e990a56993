#include "db/sql_trace.hpp"

#include <boost/json.hpp>
#include <cerrno>
#include <cstring>

#include "common/error.hpp"
#include "common/variant_json.hpp"

namespace zorvanil::db {

SqlTrace::SqlTrace(const std::string& target) {
    if (target == "-") {
        file_ = stderr;
    } else {
        file_ = std::fopen(target.c_str(), "a");
        if (!file_)
            throw Error("Cannot open the SQL trace file " + target + ": " + std::strerror(errno));
        ownsFile_ = true;
    }
}

SqlTrace::SqlTrace() : inMemory_(true) {}

SqlTrace::~SqlTrace() {
    if (ownsFile_) std::fclose(file_);
}

void SqlTrace::record(std::string_view sql, const std::vector<Variant>& params,
                      std::uint64_t connection) {
    boost::json::object line;
    line["sql"] = boost::json::string(sql);
    boost::json::array values;
    for (auto& p : params)
        values.push_back(variantToJson(p));
    line["params"] = std::move(values);
    line["connection"] = connection;
    std::string text = boost::json::serialize(line);
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
