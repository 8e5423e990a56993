#include "db/sql_dataset.hpp"

#include "common/error.hpp"
#include "common/messages.hpp"
#include "common/text.hpp"
#include "db/driver.hpp"
#include "db/sql_connection.hpp"
#include "db/sql_params.hpp"

namespace zorvanil::db {

namespace {

// Whether a column of the given type can fill a declared field of the other.
// A narrower integer column fills a wider integer field; every other type must match.
bool compatible(FieldType declared, FieldType column) {
    if (declared == column || column == FieldType::Unknown) return true;
    return declared == FieldType::Integer && column == FieldType::Smallint;
}

}  // namespace

const FieldDef& Field::def() const {
    dataSet_->settleRequired();
    return dataSet_->fields_[index_];
}
const Variant& Field::value() const {
    return dataSet_->value(index_);
}

void Field::setValue(const Variant& value) {
    // A value set before the row's after-scroll ran would be overwritten by it.
    dataSet_->settleScroll();
    const FieldDef& d = def();
    if (d.type == FieldType::String && d.size > 0 && value.type() == Variant::Type::String)
        dataSet_->row_[index_] = Variant(cutToChars(value.asString(), d.size));
    else
        dataSet_->row_[index_] = value;
}

SQLDataSet::SQLDataSet(std::string name, SQLConnection& connection)
    : name_(std::move(name)), connection_(connection) {}

SQLDataSet::~SQLDataSet() = default;

void SQLDataSet::raiseOwedScroll() {
    // Cleared first: the handler reads the row it completes.
    scrollOwed_ = false;
    afterScroll(*this);
}

void SQLDataSet::tellRequired() {
    requiredOwed_ = false;
    if (!statement_) return;
    for (std::size_t i = 0; i < fields_.size(); ++i)
        if (columnOf_[i] >= 0) fields_[i].required = statement_->columnRequired(columnOf_[i]);
}

void SQLDataSet::setCommandText(std::string_view text) {
    // Compared as it would be stored: a text that differs only in its leading blanks is the same
    // statement, and keeps its compiled form and its parameters.
    const std::string_view stored = trimLeft(text);
    if (stored == commandText_) return;
    if (active_) throw DatabaseError(msg::kDataSetOpen);
    dropStatement();
    commandText_ = std::string(stored);
    params_.clear();
    for (auto& name : parseParamNames(commandText_))
        params_.push_back(DataSetParam{name, {}, {}, {}});
}

void SQLDataSet::setMasterSource(DataSource* source) {
    masterSource_ = source;
    masterFieldOf_.clear();
    if (source && source->dataSet()) source->dataSet()->details_.push_back(this);
}

DataSetParam* SQLDataSet::findParam(std::string_view name) {
    for (auto& p : params_)
        if (sameText(p.name, name)) return &p;
    return nullptr;
}

void SQLDataSet::assignParams(std::vector<DataSetParam> params) {
    close();
    params_ = std::move(params);
    masterFieldOf_.clear();
}

void SQLDataSet::dropStatement() {
    statement_.reset();
    prepared_ = false;
    keptFields_.clear();
    keptColumnOf_.clear();
    masterFieldOf_.clear();
}

void SQLDataSet::ensureStatement() {
    if (commandText_.empty()) throw DatabaseError(msg::kNoSQLStatement);
    if (statement_) return;
    try {
        statement_ = connection_.driverConnection().prepare(commandText_);
    } catch (...) {
        // A statement the database refuses to compile is in the trace too, where its message
        // is looked into.
        connection_.trace(commandText_, {});
        throw;
    }
}

void SQLDataSet::prepare() {
    ensureStatement();
    prepared_ = true;
}

void SQLDataSet::unprepare() {
    if (active_) close();
    dropStatement();
}

std::vector<Variant> SQLDataSet::bindParams() {
    // A detail takes its parameters from the master's current row, by name. They are stored
    // columns, which the master's after-scroll does not compute: reading them owes it nothing (a
    // packet's field descriptions open the details on a row that may never be packed).
    if (masterSource_ && masterSource_->dataSet() && masterSource_->dataSet()->active())
        takeMasterValues(*masterSource_->dataSet());
    std::vector<Variant> bound;
    const int count = statement_->parameterCount();
    bound.reserve(count);
    for (int i = 1; i <= count; ++i) {
        std::string name = statement_->parameterName(i);
        const DataSetParam* param = nullptr;
        if (!name.empty())
            param = findParam(name);
        else if (static_cast<std::size_t>(i - 1) < params_.size())
            param = &params_[i - 1];
        // A parameter nobody gave a value (null is a value) stops the statement.
        if (!param || param->value.isUnassigned())
            throw DatabaseError(formatMessage(msg::kNoParameterValue, {name.empty() ? "?" : name}));
        statement_->bind(i, param->value);
        bound.push_back(param->value);
    }
    return bound;
}

void SQLDataSet::takeMasterValues(const SQLDataSet& master) {
    // Which master field each parameter takes is worked out once for the master's fields, not at
    // every master row.
    if (masterFieldOf_.empty() || masterFieldsVersion_ != master.fieldsVersion_ ||
        masterFieldsParams_ != params_.size()) {
        masterFieldOf_.clear();
        for (const DataSetParam& p : params_)
            masterFieldOf_.push_back(master.findField(p.name));
        masterFieldsVersion_ = master.fieldsVersion_;
        masterFieldsParams_ = params_.size();
    }
    for (std::size_t p = 0; p < params_.size(); ++p)
        if (const int i = masterFieldOf_[p]; i >= 0) params_[p].value = master.row_[i];
}

void SQLDataSet::bindFields() {
    if (!keptFields_.empty() && keptColumnsVersion_ == statement_->columnsVersion()) {
        fields_.swap(keptFields_);
        columnOf_.swap(keptColumnOf_);
        fieldsVersion_ = keptFieldsVersion_;
        requiredOwed_ = keptRequiredOwed_;
        keptFields_.clear();
        keptColumnOf_.clear();
    } else {
        buildFields();
    }
    row_.assign(fields_.size(), Variant::null());
}

void SQLDataSet::buildFields() {
    const auto& columns = statement_->columns();
    fields_.clear();
    columnOf_.clear();
    ++fieldsVersion_;
    requiredOwed_ = false;
    if (fieldSpecs_.empty()) {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const ColumnInfo& col = columns[c];
            fields_.push_back(
                FieldDef{col.name, col.type, col.size, false, col.fixed, false, 0, {}});
            columnOf_.push_back(static_cast<int>(c));
        }
        requiredOwed_ = !fields_.empty();
    } else {
        for (const FieldSpec& spec : fieldSpecs_) {
            int column = -1;
            if (!spec.calculated()) {
                for (std::size_t c = 0; c < columns.size() && column < 0; ++c)
                    if (sameText(columns[c].name, spec.name)) column = static_cast<int>(c);
                if (column < 0)
                    throw DatabaseError(formatMessage(msg::kFieldNotFound, {spec.name}));
                if (!compatible(spec.type, columns[column].type))
                    throw DatabaseError(formatMessage(msg::kFieldTypeMismatch,
                                                      {spec.name, fieldTypeName(spec.type),
                                                       fieldTypeName(columns[column].type)}));
            }
            fields_.push_back(FieldDef::fromSpec(spec));
            columnOf_.push_back(column);
        }
    }
}

void SQLDataSet::readRow() {
    for (std::size_t i = 0; i < fields_.size(); ++i)
        if (columnOf_[i] >= 0)
            statement_->readValue(columnOf_[i], row_[i]);
        else
            row_[i].set(Variant::NullTag{});
}

bool SQLDataSet::fetchRow(bool readValues) {
    if (!statement_->fetch()) return false;
    if (readValues) readRow();
    return true;
}

void SQLDataSet::open() {
    if (active_) return;
    ensureStatement();
    try {
        std::vector<Variant> bound = bindParams();
        connection_.trace(commandText_, bound);
        statement_->execute();
        bindFields();
        active_ = true;
        bof_ = true;
        eof_ = !fetchRow(true);
    } catch (...) {
        active_ = false;
        if (statement_) statement_->reset();
        throw;
    }
    if (!eof_) arrive();
}

void SQLDataSet::close() {
    if (!active_) return;
    active_ = false;
    eof_ = bof_ = true;
    scrollOwed_ = false;
    // The statement stays compiled, ended, for the next open of the same text: a client paging
    // through a list sends the same statement page after page, and a detail is opened once per
    // master row. A new text or unprepare() drops it.
    if (statement_) statement_->reset();
    if (statement_ && !fields_.empty()) {
        keptFields_.swap(fields_);
        keptColumnOf_.swap(columnOf_);
        keptFieldsVersion_ = fieldsVersion_;
        keptColumnsVersion_ = statement_->columnsVersion();
        keptRequiredOwed_ = requiredOwed_;
    }
    fields_.clear();
    columnOf_.clear();
    requiredOwed_ = false;
    row_.clear();
}

void SQLDataSet::next() {
    if (!active_) throw DatabaseError(msg::kDataSetClosed);
    if (eof_) return;
    if (!fetchRow(true)) {
        eof_ = true;
        return;
    }
    bof_ = false;
    arrive();
}

int SQLDataSet::moveBy(int count) {
    if (!active_) throw DatabaseError(msg::kDataSetClosed);
    // A skip that runs past the end stops on the last row, whose after-scroll is owed like any
    // other's; so with a handler every row passed over has its values taken (no handler runs for
    // them), without one only the row stopped on.
    const bool readEach = static_cast<bool>(afterScroll);
    int moved = 0;
    bool read = true;
    while (moved < count && !eof_) {
        if (!statement_->fetch()) {
            eof_ = true;
            break;
        }
        ++moved;
        read = readEach;
        if (readEach) readRow();
    }
    if (moved > 0) {
        if (!read && !eof_) readRow();
        bof_ = false;
        arrive();
    }
    return moved;
}

void SQLDataSet::first() {
    if (!active_ || bof_) return;
    close();
    open();
}

std::int64_t SQLDataSet::execSQL(Execution how) {
    if (how == Execution::Direct) {
        if (commandText_.empty()) throw DatabaseError(msg::kNoSQLStatement);
        return connection_.executeDirect(commandText_);
    }
    ensureStatement();
    try {
        std::vector<Variant> bound = bindParams();
        connection_.trace(commandText_, bound);
        statement_->execute();
    } catch (...) {
        if (statement_) statement_->reset();
        throw;
    }
    std::int64_t affected = statement_->rowsAffected();
    statement_->reset();
    return affected;
}

Field SQLDataSet::fieldByName(std::string_view name) {
    int index = findField(name);
    if (index < 0) throw DatabaseError(formatMessage(msg::kFieldNotFound, {echoed(name)}));
    return Field(*this, index);
}

int SQLDataSet::findField(std::string_view name) const {
    for (std::size_t i = 0; i < fields_.size(); ++i)
        if (sameText(fields_[i].name, name)) return static_cast<int>(i);
    return -1;
}

std::vector<std::string> SQLDataSet::keyFields(const std::string& table) {
    if (!getMetadata_) return {};
    return connection_.driverConnection().uniqueIndexFields(table);
}

}  // namespace zorvanil::db
