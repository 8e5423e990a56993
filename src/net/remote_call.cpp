#include "net/remote_call.hpp"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>

#include "common/json_writer.hpp"
#include "common/variant.hpp"
#include "packet/json_codec.hpp"
#include "server/remote_data_module.hpp"

namespace zorvanil::net {

namespace json = boost::json;
using server::CallStatus;
// The answer: `result` and the out arguments, each under its own name.
using Answer = packet::JsonObjectText;

namespace {

constexpr std::array<std::string_view, 7> kOperations = {
    "AS_ApplyUpdates", "AS_GetRecords", "AS_DataRequest", "AS_GetProviderNames",
    "AS_GetParams",    "AS_RowRequest", "AS_Execute"};

struct InvalidParams : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The named arguments of one call. Members that the operation does not take are refused, so that
// a misspelt name does not silently become an unassigned argument.
class Args {
  public:
    Args(const json::value& params, std::initializer_list<std::string_view> names) {
        if (params.is_array() && params.get_array().empty()) return;
        if (params.is_null()) return;
        if (!params.is_object()) throw InvalidParams("Invalid params: params must be an object");
        object_ = &params.get_object();
        for (const auto& member : *object_)
            if (std::find(names.begin(), names.end(), std::string_view(member.key())) ==
                names.end())
                throw InvalidParams("Invalid params: unknown member \"" +
                                    std::string(member.key()) + "\"");
    }

    // A string argument; null reads as the empty text.
    std::string text(std::string_view name, std::optional<std::string_view> fallback = {}) const {
        const json::value* v = find(name);
        if (!v) {
            if (fallback) return std::string(*fallback);
            missing(name);
        }
        if (v->is_null()) return {};
        if (!v->is_string()) wrongType(name, "a string");
        return std::string(v->get_string());
    }

    std::int32_t integer(std::string_view name,
                         std::optional<std::int32_t> fallback = std::nullopt) const {
        const json::value* v = find(name);
        if (!v) {
            if (fallback) return *fallback;
            missing(name);
        }
        constexpr auto lo = std::numeric_limits<std::int32_t>::min();
        constexpr auto hi = std::numeric_limits<std::int32_t>::max();
        if (v->is_int64() && v->get_int64() >= lo && v->get_int64() <= hi)
            return static_cast<std::int32_t>(v->get_int64());
        if (v->is_uint64() && v->get_uint64() <= static_cast<std::uint64_t>(hi))
            return static_cast<std::int32_t>(v->get_uint64());
        wrongType(name, "a 32-bit integer");
    }

    // A variant argument: an absent member is unassigned, null is null.
    Variant variant(std::string_view name) const {
        const json::value* v = find(name);
        if (!v) return {};
        try {
            return packet::variantFromJson(*v);
        } catch (const std::exception& e) {
            throw InvalidParams("Invalid params: \"" + std::string(name) + "\": " + e.what());
        }
    }

  private:
    const json::value* find(std::string_view name) const {
        return object_ ? object_->if_contains(name) : nullptr;
    }
    [[noreturn]] static void missing(std::string_view name) {
        throw InvalidParams("Invalid params: \"" + std::string(name) + "\" is missing");
    }
    [[noreturn]] static void wrongType(std::string_view name, std::string_view type) {
        throw InvalidParams("Invalid params: \"" + std::string(name) + "\" must be " +
                            std::string(type));
    }

    const json::object* object_ = nullptr;
};

std::string run(server::TAZORVANIL& object, std::string_view method, const json::value& params,
                CallStatus& status) {
    Variant result;
    if (method == "AS_ApplyUpdates") {
        Args args(params, {"ProviderName", "Delta", "MaxErrors", "OwnerData"});
        std::string provider = args.text("ProviderName");
        Variant delta = args.variant("Delta");
        std::int32_t maxErrors = args.integer("MaxErrors");
        Variant ownerData = args.variant("OwnerData");
        std::int32_t errorCount = 0;
        status = object.AS_ApplyUpdates(provider, delta, maxErrors, errorCount, ownerData, result);
        return Answer()
            .variant("result", result)
            .integer("ErrorCount", errorCount)
            .variant("OwnerData", ownerData)
            .take();
    }
    if (method == "AS_GetRecords") {
        Args args(params,
                  {"ProviderName", "Count", "Options", "CommandText", "Params", "OwnerData"});
        std::string provider = args.text("ProviderName");
        std::int32_t count = args.integer("Count");
        std::int32_t options = args.integer("Options", 0);
        std::string commandText = args.text("CommandText", "");
        Variant inParams = args.variant("Params");
        Variant ownerData = args.variant("OwnerData");
        std::int32_t recsOut = 0;
        status = object.AS_GetRecords(provider, count, recsOut, options, commandText, inParams,
                                      ownerData, result);
        return Answer()
            .variant("result", result)
            .integer("RecsOut", recsOut)
            .variant("Params", inParams)
            .variant("OwnerData", ownerData)
            .take();
    }
    if (method == "AS_DataRequest") {
        Args args(params, {"ProviderName", "Data"});
        std::string provider = args.text("ProviderName");
        Variant data = args.variant("Data");
        status = object.AS_DataRequest(provider, data, result);
        return Answer().variant("result", result).take();
    }
    if (method == "AS_GetProviderNames") {
        Args args(params, {});
        status = object.AS_GetProviderNames(result);
        return Answer().variant("result", result).take();
    }
    if (method == "AS_GetParams") {
        Args args(params, {"ProviderName", "OwnerData"});
        std::string provider = args.text("ProviderName");
        Variant ownerData = args.variant("OwnerData");
        status = object.AS_GetParams(provider, ownerData, result);
        return Answer().variant("result", result).variant("OwnerData", ownerData).take();
    }
    if (method == "AS_RowRequest") {
        Args args(params, {"ProviderName", "Row", "RequestType", "OwnerData"});
        std::string provider = args.text("ProviderName");
        Variant row = args.variant("Row");
        std::int32_t requestType = args.integer("RequestType");
        Variant ownerData = args.variant("OwnerData");
        status = object.AS_RowRequest(provider, row, requestType, ownerData, result);
        return Answer().variant("result", result).variant("OwnerData", ownerData).take();
    }
    // AS_Execute: no result of its own.
    Args args(params, {"ProviderName", "CommandText", "Params", "OwnerData"});
    std::string provider = args.text("ProviderName");
    std::string commandText = args.text("CommandText", "");
    Variant inParams = args.variant("Params");
    Variant ownerData = args.variant("OwnerData");
    status = object.AS_Execute(provider, commandText, inParams, ownerData);
    return Answer().variant("Params", inParams).variant("OwnerData", ownerData).take();
}

}  // namespace

bool isRemoteOperation(std::string_view method) {
    return std::find(kOperations.begin(), kOperations.end(), method) != kOperations.end();
}

RpcError failureError(const CallStatus& status) {
    json::object data;
    data["interface"] = CallStatus::kInterface;
    data["source"] = CallStatus::kSource;
    data["helpContext"] = status.helpContext;
    return {status.status, status.message, std::move(data)};
}

std::variant<std::string, RpcError> callRemoteOperation(server::TAZORVANIL& object,
                                                        std::string_view method,
                                                        const json::value& params) {
    if (!isRemoteOperation(method))
        return RpcError{rpc::kMethodNotFound, "Method not found: " + std::string(method), {}};
    try {
        CallStatus status;
        std::string answer = run(object, method, params, status);
        if (!status.ok()) return failureError(status);
        return answer;
    } catch (const InvalidParams& e) {
        return RpcError{rpc::kInvalidParams, e.what(), {}};
    } catch (const std::exception& e) {
        // Encoding the answer failed; the operation itself catches its own errors.
        return RpcError{rpc::kInternalError, std::string("Internal error: ") + e.what(), {}};
    }
}

}  // namespace zorvanil::net
