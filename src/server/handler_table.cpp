#include "server/handler_table.hpp"

#include "common/error.hpp"
#include "common/messages.hpp"
#include "common/text.hpp"

namespace zorvanil::server {

void HandlerTable::add(std::string name, Handler handler) {
    if (!indexByUpperName_.emplace(upperCase(name), entries_.size()).second)
        raise(msg::kHandlerRegisteredTwice, {name});
    entries_.emplace_back(std::move(name), std::move(handler));
}

const Handler* HandlerTable::findAny(std::string_view name) const {
    auto it = indexByUpperName_.find(upperCase(name));
    return it == indexByUpperName_.end() ? nullptr : &entries_[it->second].second;
}

std::vector<std::string> HandlerTable::names() const {
    std::vector<std::string> out;
    for (auto& e : entries_)
        out.push_back(e.first);
    return out;
}

}  // namespace zorvanil::server
