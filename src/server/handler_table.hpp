#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "common/variant.hpp"
#include "packet/data_packet.hpp"
#include "server/resolver/delta_record.hpp"

namespace zorvanil::db {
class SQLConnection;
class SQLDataSet;
class ParamList;
}  // namespace zorvanil::db

namespace zorvanil::server {

class TAZORVANIL;
class DataSetProvider;

// The kinds of event handler the server object's components call, each with its arguments.
using RemoteEventHandler =
    std::function<void(TAZORVANIL&, DataSetProvider& sender, Variant& ownerData)>;
using GetDataHandler =
    std::function<void(TAZORVANIL&, DataSetProvider& sender, packet::DataPacket& data)>;
using AfterScrollHandler = std::function<void(TAZORVANIL&, db::SQLDataSet& dataSet)>;
using ConnectionHandler = std::function<void(TAZORVANIL&, db::SQLConnection& connection)>;
using LoginHandler =
    std::function<void(TAZORVANIL&, db::SQLConnection& connection, db::ParamList& loginParams)>;
using ModuleHandler = std::function<void(TAZORVANIL&)>;
using BeforeUpdateRecordHandler =
    std::function<void(TAZORVANIL&, DataSetProvider& sender, db::SQLDataSet& sourceDS,
                       DeltaRecord& deltaDS, UpdateKind updateKind, bool& applied)>;
using AfterUpdateRecordHandler =
    std::function<void(TAZORVANIL&, DataSetProvider& sender, db::SQLDataSet& sourceDS,
                       DeltaRecord& deltaDS, UpdateKind updateKind)>;
using UpdateErrorHandler =
    std::function<void(TAZORVANIL&, DataSetProvider& sender, DeltaRecord& dataSet,
                       const EUpdateError& e, UpdateKind updateKind, ResolverResponse& response)>;

using Handler =
    std::variant<RemoteEventHandler, GetDataHandler, AfterScrollHandler, ConnectionHandler,
                 LoginHandler, ModuleHandler, BeforeUpdateRecordHandler, AfterUpdateRecordHandler,
                 UpdateErrorHandler>;

// A handler as the component that raises its event calls it: with the server object it serves
// bound in, ahead of the event's own arguments.
template <class... Args>
std::function<void(Args...)> withOwner(TAZORVANIL& owner,
                                       std::function<void(TAZORVANIL&, Args...)> handler) {
    return [&owner, handler = std::move(handler)](Args... args) {
        handler(owner, std::forward<Args>(args)...);
    };
}

// The handlers of the server object by name. Catalogue bindings find them by name without regard
// to letter case; a name bound to a handler of another kind is not found.
class HandlerTable {
  public:
    void add(std::string name, Handler handler);

    template <class H>
    const H* find(std::string_view name) const {
        const Handler* h = findAny(name);
        return h ? std::get_if<H>(h) : nullptr;
    }
    const Handler* findAny(std::string_view name) const;
    std::vector<std::string> names() const;

  private:
    std::vector<std::pair<std::string, Handler>> entries_;  // in the order they were added
    // Each object built binds some hundreds of names: they are found through their upper-case
    // form rather than by comparing with every entry.
    std::unordered_map<std::string, std::size_t> indexByUpperName_;
};

}  // namespace zorvanil::server
