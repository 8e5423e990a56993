#include "server/resolver/resolver.hpp"

#include <memory>
#include <optional>

#include "common/messages.hpp"
#include "common/text.hpp"
#include "db/sql_connection.hpp"
#include "db/sql_dataset.hpp"
#include "server/resolver/change_savepoint.hpp"
#include "server/resolver/sql_generator.hpp"

namespace zorvanil::server {

namespace {

// A handler that asks for the same change to be tried again and again is not obeyed forever.
constexpr int kMaxRetries = 8;

std::string unquoted(std::string name) {
    std::string out;
    for (char c : name)
        if (c != '"' && c != '\'' && c != '`') out.push_back(c);
    return out;
}

}  // namespace

struct Resolver::Tree {
    db::SQLDataSet* source = nullptr;
    std::vector<packet::PacketField>* fields = nullptr;
    std::string tableName;  // as the packet or the statement gives it, quoted when written
    SqlGenerator generator{"", ""};
    std::vector<std::pair<int, db::SQLDataSet*>> details;  // nested field index, detail dataset
    const MasterRow* master = nullptr;                     // of a detail tree's rows
};

Resolver::Resolver(db::SQLDataSet& dataSet, ResolverEvents events)
    : dataSet_(dataSet), events_(std::move(events)) {}

Resolver::Tree Resolver::buildTree(db::SQLDataSet& source, std::vector<packet::PacketField>& fields,
                                   const std::string& tableName) {
    Tree tree;
    tree.source = &source;
    tree.fields = &fields;
    std::string quote = source.connection().driverConnection().quoteChar();
    std::string table = tableName.empty() ? tableNameFromSql(source.commandText()) : tableName;
    tree.tableName = table;
    tree.generator = SqlGenerator(quote, table);

    // Key fields: those the packet flags, or else the table's first unique index. A name that
    // cannot be written fails each change that needs it, and is looked up nowhere.
    bool anyKey = false;
    for (auto& f : fields)
        anyKey = anyKey || (f.providerFlags & packet::pfInKey);
    if (!anyKey && !table.empty()) {
        try {
            SqlGenerator::quoteName(table, quote);
            for (const std::string& key : source.keyFields(unquoted(table)))
                for (auto& f : fields)
                    if (sameText(f.originOrName(), key)) f.providerFlags |= packet::pfInKey;
        } catch (const std::exception&) {
            // Without index metadata the current values of a failed row are not read.
        }
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].def.type != db::FieldType::DataSet) continue;
        for (db::SQLDataSet* detail : source.details())
            if (sameText(detail->name(), fields[i].name()))
                tree.details.emplace_back(static_cast<int>(i), detail);
    }
    return tree;
}

packet::PacketPtr Resolver::apply(packet::DataPacket& delta, std::int32_t maxErrors,
                                  std::int32_t& errorCount, bool& transactionStarted) {
    maxErrors_ = maxErrors;
    errorCount_ = &errorCount;
    transactionStarted_ = &transactionStarted;
    packet::inferFieldTypes(delta.fields, delta.rows);
    const Variant* tableName = delta.attribute("TABLE_NAME");
    Tree root =
        buildTree(dataSet_, delta.fields, tableName ? tableName->toString() : std::string());

    auto result = std::make_shared<packet::DataPacket>();
    resolveRows(root, delta.rows, result->rows);
    if (result->rows.empty()) return nullptr;
    result->hasMetadata = true;
    result->fields = delta.fields;
    return result;
}

bool Resolver::resolveRows(Tree& tree, std::vector<packet::PacketRow>& rows,
                           std::vector<packet::PacketRow>& result) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        packet::PacketRow& row = rows[i];
        const auto recordNo = static_cast<std::int32_t>(i + 1);
        if (row.status == packet::RowStatus::Inserted &&
            !applyChange(tree, UpdateKind::ukInsert, row, row, recordNo, result))
            return false;

        const bool pair = row.status == packet::RowStatus::Unchanged && i + 1 < rows.size() &&
                          rows[i + 1].status == packet::RowStatus::Modified;
        std::optional<MasterRow> master;
        if (!tree.details.empty()) master.emplace(*tree.fields, row, pair ? &rows[i + 1] : nullptr);
        // The detail changes this master row carries, before the master's own modification or
        // deletion.
        for (auto& [field, detailSource] : tree.details) {
            for (packet::PacketRow* carrier : {&row, pair ? &rows[i + 1] : nullptr}) {
                if (!carrier || static_cast<std::size_t>(field) >= carrier->values.size()) continue;
                const Variant& nestedValue = carrier->values[field];
                if (nestedValue.type() != Variant::Type::Packet || !nestedValue.asPacket())
                    continue;
                packet::DataPacket nested = *nestedValue.asPacket();
                auto& childFields = (*tree.fields)[field].children;
                if (childFields.empty() && !nested.rows.empty()) {
                    // Nested rows without descriptions: their fields are named by position.
                    for (std::size_t c = 0; c < nested.rows.front().values.size(); ++c) {
                        packet::PacketField f;
                        f.def.name = std::to_string(c);
                        childFields.push_back(f);
                    }
                }
                packet::inferFieldTypes(childFields, nested.rows);
                Tree child = buildTree(*detailSource, childFields, {});
                child.master = &*master;
                std::vector<packet::PacketRow> childResult;
                const bool goOn = resolveRows(child, nested.rows, childResult);
                if (!childResult.empty()) {
                    // A failed line travels inside a copy of its master row, which carries no
                    // error.
                    packet::PacketRow master = *carrier;
                    master.error.reset();
                    auto lines = std::make_shared<packet::DataPacket>();
                    lines->rows = std::move(childResult);
                    master.values[field] = Variant(packet::PacketPtr(std::move(lines)));
                    result.push_back(std::move(master));
                }
                if (!goOn) return false;
            }
        }

        if (pair) {
            if (!applyChange(tree, UpdateKind::ukModify, row, rows[i + 1], recordNo + 1, result))
                return false;
            ++i;
        } else if (row.status == packet::RowStatus::Deleted) {
            if (!applyChange(tree, UpdateKind::ukDelete, row, row, recordNo, result)) return false;
        } else if (row.status == packet::RowStatus::Modified) {
            // Without its before-image the row to change cannot be found: the change fails as
            // any other, instead of being left out unreported.
            if (!applyChange(tree, UpdateKind::ukModify, row, row, recordNo, result,
                             msg::kModifiedWithoutOriginal))
                return false;
        }
    }
    return true;
}

void Resolver::write(Tree& tree, DeltaRecord& change) {
    if (tree.tableName.empty()) throw Error(msg::kTableNameNotFound);
    GeneratedStatement statement =
        change.kind() == UpdateKind::ukModify   ? tree.generator.modification(change)
        : change.kind() == UpdateKind::ukInsert ? tree.generator.insertion(change)
                                                : tree.generator.deletion(change);
    db::SQLConnection& connection = tree.source->connection();
    const std::int64_t affected = connection.execute(statement.sql, statement.params);
    if (affected > 1) {
        if (connection.inTransaction()) {
            db::TransactionDesc desc;
            desc.transactionID = 1;
            connection.rollback(desc);
        }
        *transactionStarted_ = false;
        throw Error(msg::kTooManyRecords);
    }
    if (affected == 0) throw Error(msg::kRecordNotFound);
}

void Resolver::readCurrentValues(Tree& tree, DeltaRecord& change) {
    try {
        if (tree.tableName.empty()) return;
        GeneratedStatement statement = tree.generator.currentValues(change);
        std::vector<Variant> row =
            tree.source->connection().firstRow(statement.sql, statement.params);
        if (row.empty()) return;
        std::vector<Variant> current(change.fields().size());
        std::size_t column = 0;
        for (std::size_t i = 0; i < change.fields().size() && column < row.size(); ++i)
            if (SqlGenerator::takesPartInWhere(change.fields()[i])) current[i] = row[column++];
        change.setCurrentValues(std::move(current));
    } catch (const std::exception&) {
        // The current values are a help for the error handler; failing to read them is no error.
    }
}

bool Resolver::applyChange(Tree& tree, UpdateKind kind, const packet::PacketRow& before,
                           packet::PacketRow& after, std::int32_t recordNo,
                           std::vector<packet::PacketRow>& result, const char* refusal) {
    DeltaRecord change(*tree.fields, kind, &before, &after, recordNo, tree.master);
    std::int32_t previousError = 0;
    for (int attempt = 0;; ++attempt) {
        std::string message;
        ChangeSavepoint savepoint(tree.source->connection());
        try {
            if (refusal) throw Error(refusal);
            bool applied = false;
            if (events_.beforeUpdate) events_.beforeUpdate(*tree.source, change, kind, applied);
            if (!applied) write(tree, change);
            if (events_.afterUpdate) events_.afterUpdate(*tree.source, change, kind);
            savepoint.keep();
            if (events_.propagateChanges && change.newValuesChanged()) {
                packet::PacketRow propagated = change.resultRow();
                propagated.status = packet::RowStatus::Modified;
                result.push_back(std::move(propagated));
            }
            return true;
        } catch (const std::exception& e) {
            message = e.what();
        }
        savepoint.undo();

        EUpdateError error(message, 1, previousError);
        previousError = error.errorCode();
        readCurrentValues(tree, change);
        const bool limitReached = maxErrors_ != -1 && *errorCount_ >= maxErrors_;
        ResolverResponse response =
            limitReached ? ResolverResponse::rrAbort : ResolverResponse::rrSkip;
        if (events_.onUpdateError) events_.onUpdateError(change, error, kind, response);

        if (response == ResolverResponse::rrIgnore) return true;
        if ((response == ResolverResponse::rrMerge || response == ResolverResponse::rrApply) &&
            attempt < kMaxRetries) {
            if (kind == UpdateKind::ukInsert) throw Error(msg::kInvalidResponse);
            if (response == ResolverResponse::rrMerge && change.hasCurrentValues()) {
                for (std::size_t i = 0; i < change.fields().size(); ++i) {
                    const Variant current = change.curValue(static_cast<int>(i));
                    if (change.newValue(static_cast<int>(i)).isUnassigned() ||
                        current.isUnassigned())
                        continue;
                    if (!current.sameValue(change.oldValue(static_cast<int>(i))))
                        throw Error(msg::kInvalidResponse);
                }
            }
            change.useCurrentValuesAsOld();
            continue;
        }
        if (response != ResolverResponse::rrAbort) response = ResolverResponse::rrSkip;
        ++*errorCount_;
        if (maxErrors_ != -1 && *errorCount_ > maxErrors_) response = ResolverResponse::rrAbort;
        packet::PacketRow failed = change.resultRow();
        failed.error = packet::RowError{recordNo, static_cast<std::int32_t>(response), message,
                                        error.errorCode()};
        result.push_back(std::move(failed));
        return response != ResolverResponse::rrAbort;
    }
}

}  // namespace zorvanil::server
