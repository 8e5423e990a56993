#pragma once

#include <string>
#include <string_view>

namespace zorvanil::read {

// The separator that closes every token of an options string.
inline constexpr std::string_view kTokenSeparator = "-***#";

// Cuts the tokens of an options string one after the other. A token is the text before the first
// separator of the remaining text (empty when there is none, or when the text begins with it); the
// remaining text then becomes its own last N - P - 4 characters, N being its length and P the
// 1-based position of the separator (0 when there is none), which is what follows the separator.
class OptionTokens {
  public:
    explicit OptionTokens(std::string_view text) : rest_(text) {}
    std::string next();
    std::string_view rest() const { return rest_; }

  private:
    std::string_view rest_;
};

}  // namespace zorvanil::read
