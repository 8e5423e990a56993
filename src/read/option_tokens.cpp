#include "read/option_tokens.hpp"

namespace zorvanil::read {

std::string OptionTokens::next() {
    const std::size_t found = rest_.find(kTokenSeparator);
    const long long p = found == std::string_view::npos ? 0 : static_cast<long long>(found) + 1;
    std::string token = p > 1 ? std::string(rest_.substr(0, p - 1)) : std::string();
    const long long n = static_cast<long long>(rest_.size());
    const long long keep = n - p - 4;
    rest_ = keep > 0 ? rest_.substr(static_cast<std::size_t>(n - keep)) : std::string_view();
    return token;
}

}  // namespace zorvanil::read
