#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "db/field_def.hpp"

namespace zorvanil::catalogue {

// Provider options.
enum ProviderOption : std::uint32_t {
    poAllowCommandText = 1u << 0,
    poCascadeDeletes = 1u << 1,
    poCascadeUpdates = 1u << 2,
    poAutoRefresh = 1u << 3,
    poPropogateChanges = 1u << 4,
};

// The provider events a catalogue entry can bind a handler to.
enum class ProviderEvent : std::uint8_t {
    BeforeGetRecords,
    AfterGetRecords,
    BeforeApplyUpdates,
    AfterApplyUpdates,
    BeforeExecute,
    AfterExecute,
    OnGetData,
    BeforeUpdateRecord,
    AfterUpdateRecord,
    OnUpdateError,
};

std::string_view providerEventName(ProviderEvent event);

struct EventBinding {
    ProviderEvent event;
    std::string_view handler;  // matched to a handler's name without regard to case
};

// One query dataset: its name, its design-time command text (empty when none), the data source it
// takes its master from (empty when none), its after-scroll handler (empty when none), whether it
// asks the database for index metadata, and its persistent field list (empty when none).
struct DatasetSpec {
    std::string_view name;
    std::string_view commandText;
    std::string_view masterSource;
    std::string_view afterScroll;
    bool getMetadata = true;
    std::span<const db::FieldSpec> fields;
};

// A data source on a master dataset; detail datasets name it as their master source.
struct MasterLinkSpec {
    std::string_view name;
    std::string_view masterDataset;
};

struct ProviderSpec {
    std::string_view name;
    std::string_view dataset;
    std::uint32_t options = 0;
    std::span<const EventBinding> events;
};

// One name=value parameter of the connection.
struct ConnectionParam {
    std::string_view name;
    std::string_view value;
};

struct ConnectionSpec {
    std::string_view name;            // the component's name
    std::string_view connectionName;  // the connection's own name setting
    std::string_view driverName;
    std::string_view libraryName;
    std::string_view getDriverFunc;
    std::string_view vendorLib;
    bool loginPrompt = false;
    bool connected = true;
    std::string_view beforeConnect;  // handler name
    std::string_view onLogin;        // handler name
    std::span<const ConnectionParam> params;
};

// The component table of a server object: everything it is built from, in construction order.
struct Catalogue {
    std::string_view moduleName;
    std::string_view onCreate;  // the module's creation handler
    ConnectionSpec connection;
    std::span<const DatasetSpec> datasets;
    std::span<const MasterLinkSpec> masterLinks;
    std::span<const ProviderSpec> providers;
};

}  // namespace zorvanil::catalogue
