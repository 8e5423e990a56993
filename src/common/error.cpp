#include "common/error.hpp"

#include "common/messages.hpp"

namespace zorvanil {

std::string formatMessage(std::string_view pattern, std::initializer_list<std::string_view> args) {
    std::string out;
    out.reserve(pattern.size() + 32);
    auto next = args.begin();
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() &&
            (pattern[i + 1] == 's' || pattern[i + 1] == 'd') && next != args.end()) {
            out.append(*next++);
            ++i;
        } else {
            out.push_back(pattern[i]);
        }
    }
    return out;
}

Failure currentFailure() {
    try {
        throw;
    } catch (const Error& e) {
        return {e.status() < 0 ? e.status() : kGeneralFailure, e.what(), e.helpContext()};
    } catch (const std::exception& e) {
        return {kGeneralFailure, e.what(), 0};
    } catch (...) {
        return {kGeneralFailure, msg::kUnknownError, 0};
    }
}

}  // namespace zorvanil
