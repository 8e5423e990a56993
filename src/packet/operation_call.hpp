#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "common/variant.hpp"
#include "packet/remote_operations.hpp"

namespace zorvanil::packet {

// The values of one call of a remote operation: one for each argument of its row, of the row's
// type, and the result. Text, integer and boolean arguments start empty, 0 and false, variants
// unassigned. Asking
// for an argument the operation does not have, or for one of another type, is a fault of the
// caller and throws std::logic_error.
class OperationCall {
  public:
    explicit OperationCall(const RemoteOperation& operation);

    const RemoteOperation& operation() const { return *operation_; }

    std::string& text(std::string_view name) { return get<std::string>(name, ArgumentType::Text); }
    std::int32_t& integer(std::string_view name) {
        return get<std::int32_t>(name, ArgumentType::Integer);
    }
    bool& boolean(std::string_view name) { return get<bool>(name, ArgumentType::Boolean); }
    Variant& variant(std::string_view name) { return get<Variant>(name, ArgumentType::Variant); }
    Variant& result() { return result_; }

    // The value of the argument at a position of the operation's row.
    using Value = std::variant<std::string, std::int32_t, bool, Variant>;
    Value& at(std::size_t index) { return values_.at(index); }
    const Value& at(std::size_t index) const { return values_.at(index); }

    // The params of a request: every argument that is sent, under its own name; unassigned
    // variants and optional arguments at their default (empty, 0, false) are left out, so that a
    // request reads as it did before an optional argument was added.
    std::string requestParams() const;
    // The answer: `result` (when the operation has one) and every argument that is answered,
    // under its own name; unassigned variants are left out.
    std::string answer() const;

  private:
    template <class T>
    T& get(std::string_view name, ArgumentType type) {
        return std::get<T>(values_[checkedIndex(name, type)]);
    }
    std::size_t checkedIndex(std::string_view name, ArgumentType type) const;
    std::string members(bool answer) const;

    const RemoteOperation* operation_;
    std::array<Value, RemoteOperation::kMaxArguments> values_;
    Variant result_;
};

}  // namespace zorvanil::packet
