#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zorvanil {

// The general failure status a remote call answers with when the error carries no status of its
// own.
inline constexpr std::int32_t kGeneralFailure = static_cast<std::int32_t>(0x8000FFFFu);

// Every failure inside the server is one of these: the message text travels to the client
// unchanged, the status (when negative) replaces the general failure status, and the help context
// goes along.
class Error : public std::runtime_error {
  public:
    explicit Error(const std::string& message, std::int32_t status = 0,
                   std::int32_t helpContext = 0)
        : std::runtime_error(message), status_(status), helpContext_(helpContext) {}

    // The status code carried by the error; 0 when it carries none.
    std::int32_t status() const { return status_; }
    std::int32_t helpContext() const { return helpContext_; }

  private:
    std::int32_t status_;
    std::int32_t helpContext_;
};

// A failure as a remote call answers it: the error's own status when it is negative, else the
// general failure status; the error's message text unchanged; its help context.
struct Failure {
    std::int32_t status = kGeneralFailure;
    std::string message;
    std::int32_t helpContext = 0;
};

// The failure of the exception being handled; to be called inside a catch block. Exceptions that
// are no Error carry no status nor help context; those that are no std::exception no message
// either ("Unknown error").
Failure currentFailure();

// A database driver reported a failure; the message is the driver's text.
class DatabaseError : public Error {
  public:
    using Error::Error;
};

// A value could not be converted ("'x' is not a valid integer value").
class ConvertError : public Error {
  public:
    using Error::Error;
};

// Fills the "%s" and "%d" markers of a message pattern, in order, with the given texts.
std::string formatMessage(std::string_view pattern, std::initializer_list<std::string_view> args);

template <class E = Error>
[[noreturn]] void raise(std::string_view pattern,
                        std::initializer_list<std::string_view> args = {}) {
    throw E(formatMessage(pattern, args));
}

}  // namespace zorvanil
