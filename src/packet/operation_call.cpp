#include "packet/operation_call.hpp"

#include <stdexcept>

#include "packet/json_codec.hpp"

namespace zorvanil::packet {

namespace {

OperationCall::Value startValue(ArgumentType type) {
    switch (type) {
        case ArgumentType::Text:
            return std::string();
        case ArgumentType::Integer:
            return std::int32_t{0};
        case ArgumentType::Boolean:
            return false;
        case ArgumentType::Variant:
            break;
    }
    return Variant();
}

void writeMember(JsonObjectText& out, std::string_view name, const OperationCall::Value& value) {
    if (auto* text = std::get_if<std::string>(&value))
        out.text(name, *text);
    else if (auto* integer = std::get_if<std::int32_t>(&value))
        out.integer(name, *integer);
    else if (auto* flag = std::get_if<bool>(&value))
        out.boolean(name, *flag);
    else
        out.variant(name, std::get<Variant>(value));
}

bool atDefault(const OperationCall::Value& value) {
    if (auto* text = std::get_if<std::string>(&value)) return text->empty();
    if (auto* integer = std::get_if<std::int32_t>(&value)) return *integer == 0;
    if (auto* flag = std::get_if<bool>(&value)) return !*flag;
    return false;
}

}  // namespace

OperationCall::OperationCall(const RemoteOperation& operation) : operation_(&operation) {
    auto arguments = operation.arguments();
    for (std::size_t i = 0; i < arguments.size(); ++i)
        values_[i] = startValue(arguments[i].type);
}

std::size_t OperationCall::checkedIndex(std::string_view name, ArgumentType type) const {
    std::size_t index = operation_->indexOf(name);
    if (index == RemoteOperation::kNone || operation_->arguments()[index].type != type)
        throw std::logic_error(std::string(operation_->method()) + " has no argument " +
                               std::string(name) + " of that type");
    return index;
}

std::string OperationCall::requestParams() const {
    return members(false);
}

std::string OperationCall::answer() const {
    return members(true);
}

std::string OperationCall::members(bool answer) const {
    JsonObjectText out;
    if (answer && operation_->hasResult()) out.variant("result", result_);
    auto arguments = operation_->arguments();
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (!(answer ? arguments[i].answered() : arguments[i].sent())) continue;
        if (!answer && arguments[i].presence == Presence::Optional && atDefault(values_[i]))
            continue;
        writeMember(out, arguments[i].name, values_[i]);
    }
    return out.take();
}

}  // namespace zorvanil::packet
