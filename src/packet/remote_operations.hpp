#pragma once

// The seven operations of the server object's remote interface, each with its arguments in the
// order of the interface: their names on the wire, their types, and which way they travel. The
// transport reads a call's params and writes its answer from this table, and the client library
// writes its requests and reads the answers from it, so that both keep to one description.
//
// It sits with the packets because the variant arguments are packets on the wire, and because the
// client library sees no layer above this one.

#include <algorithm>
#include <array>
#include <cstddef>
#include <initializer_list>
#include <span>
#include <stdexcept>
#include <string_view>

namespace zorvanil::packet {

enum class ArgumentType {
    Text,     // a string; null reads as the empty text
    Integer,  // a 32-bit integer
    Boolean,  // true or false
    Variant,  // any variant; an absent member is unassigned, null is null, an object a packet
};

// Which way an argument travels: in the request, in the answer, or in both.
enum class Passing { In, Out, InOut };

// Whether a text, integer or boolean argument may be left out of a request (it is then the empty
// text, 0 or false). A variant may always be left out: it is then unassigned.
enum class Presence { Required, Optional };

struct Argument {
    std::string_view name;
    ArgumentType type = ArgumentType::Variant;
    Passing passing = Passing::In;
    Presence presence = Presence::Required;

    constexpr bool sent() const { return passing != Passing::Out; }
    constexpr bool answered() const { return passing != Passing::In; }
};

class RemoteOperation {
  public:
    static constexpr std::size_t kMaxArguments = 8;

    constexpr RemoteOperation(std::string_view method, bool hasResult,
                              std::initializer_list<Argument> arguments)
        : method_(method), hasResult_(hasResult), count_(arguments.size()) {
        if (arguments.size() > kMaxArguments) throw std::logic_error("too many arguments");
        std::copy(arguments.begin(), arguments.end(), arguments_.begin());
    }

    constexpr std::string_view method() const { return method_; }
    // Whether the operation has a result of its own, answered as `result`.
    constexpr bool hasResult() const { return hasResult_; }
    constexpr std::span<const Argument> arguments() const { return {arguments_.data(), count_}; }
    // The position of the argument of that name (letter case matters); kNone when there is none.
    constexpr std::size_t indexOf(std::string_view name) const {
        for (std::size_t i = 0; i < count_; ++i)
            if (arguments_[i].name == name) return i;
        return kNone;
    }
    static constexpr std::size_t kNone = kMaxArguments;

  private:
    std::string_view method_;
    bool hasResult_;
    std::array<Argument, kMaxArguments> arguments_{};
    std::size_t count_;
};

namespace operation_table {
using enum ArgumentType;
using enum Passing;
using enum Presence;
constexpr bool kResult = true;
constexpr bool kNoResult = false;

// clang-format off
inline constexpr RemoteOperation kRemoteOperations[] = {
    {"AS_ApplyUpdates", kResult, {
        {"ProviderName", Text},
        {"Delta",        Variant},
        {"MaxErrors",    Integer},
        {"ErrorCount",   Integer, Out},
        {"OwnerData",    Variant, InOut},
        // The client's id of this apply: an apply recorded under it is answered again, not run.
        {"RequestId",    Text,    In, Optional},
        // Runs the apply and rolls it back, answering the statements it ran as well.
        {"DryRun",       Boolean, In, Optional},
        {"Statements",   Variant, Out}}},
    {"AS_GetRecords", kResult, {
        {"ProviderName", Text},
        {"Count",        Integer},
        {"RecsOut",      Integer, Out},
        {"Options",      Integer, In, Optional},
        {"CommandText",  Text,    In, Optional},
        {"Params",       Variant, InOut},
        {"OwnerData",    Variant, InOut}}},
    {"AS_DataRequest", kResult, {
        {"ProviderName", Text},
        {"Data",         Variant}}},
    {"AS_GetProviderNames", kResult, {}},
    {"AS_GetParams", kResult, {
        {"ProviderName", Text},
        {"OwnerData",    Variant, InOut}}},
    {"AS_RowRequest", kResult, {
        {"ProviderName", Text},
        {"Row",          Variant},
        {"RequestType",  Integer},
        {"OwnerData",    Variant, InOut}}},
    {"AS_Execute", kNoResult, {
        {"ProviderName", Text},
        {"CommandText",  Text,    In, Optional},
        {"Params",       Variant, InOut},
        {"OwnerData",    Variant, InOut}}},
};
// clang-format on
}  // namespace operation_table

using operation_table::kRemoteOperations;

// The place of the operation of that method name in the table (letter case matters); the table's
// size when there is none. An index rather than a pointer, so that a constant evaluation never
// compares pointers (which GCC refuses under the null-pointer sanitizer).
constexpr std::size_t remoteOperationIndex(std::string_view method) {
    std::size_t index = 0;
    while (index < std::size(kRemoteOperations) && kRemoteOperations[index].method() != method)
        ++index;
    return index;
}

// The operation of that method name; null when there is none.
inline const RemoteOperation* findRemoteOperation(std::string_view method) {
    const std::size_t index = remoteOperationIndex(method);
    return index < std::size(kRemoteOperations) ? &kRemoteOperations[index] : nullptr;
}

// The operation of a method name the caller knows to be one; not constant when it is not one.
consteval const RemoteOperation& remoteOperation(std::string_view method) {
    const std::size_t index = remoteOperationIndex(method);
    if (index == std::size(kRemoteOperations)) throw std::logic_error("no such remote operation");
    return kRemoteOperations[index];
}

}  // namespace zorvanil::packet
