#include "db/param_list.hpp"

#include "common/text.hpp"

namespace zorvanil::db {

ParamList::ParamList(std::initializer_list<std::pair<std::string, std::string>> values)
    : entries_(values) {}

std::string ParamList::value(std::string_view name) const {
    for (auto& [key, val] : entries_)
        if (sameText(key, name)) return val;
    return {};
}

bool ParamList::contains(std::string_view name) const {
    for (auto& entry : entries_)
        if (sameText(entry.first, name)) return true;
    return false;
}

void ParamList::setValue(std::string_view name, std::string_view value) {
    for (auto& [key, val] : entries_)
        if (sameText(key, name)) {
            val = value;
            return;
        }
    entries_.emplace_back(std::string(name), std::string(value));
}

}  // namespace zorvanil::db
