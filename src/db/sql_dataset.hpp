#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/variant.hpp"
#include "db/field_def.hpp"

namespace zorvanil::db {

class DriverStatement;
class SQLConnection;
class SQLDataSet;

// A data source on a master dataset: detail datasets that name it follow the master's rows.
class DataSource {
  public:
    DataSource(std::string name, SQLDataSet* dataSet) : name_(std::move(name)), dataSet_(dataSet) {}
    const std::string& name() const { return name_; }
    SQLDataSet* dataSet() const { return dataSet_; }

  private:
    std::string name_;
    SQLDataSet* dataSet_;
};

// How a dataset runs a statement that returns no rows.
enum class Execution : std::uint8_t { Prepared, Direct };

// A statement parameter: its name (without ':'), type, direction and value.
struct DataSetParam {
    std::string name;
    FieldType dataType = FieldType::Unknown;
    ParamDirection direction = ParamDirection::Input;
    Variant value;
};

// A handle on one field of a dataset's current row.
class Field {
  public:
    Field(SQLDataSet& dataSet, int index) : dataSet_(&dataSet), index_(index) {}
    const FieldDef& def() const;
    const std::string& name() const { return def().name; }
    int index() const { return index_; }
    const Variant& value() const;
    std::string asString() const { return value().toString(); }
    bool isNull() const { return value().isEmpty(); }
    // Sets a calculated field's value for the current row; text is cut to the field's size.
    void setValue(const Variant& value);

  private:
    SQLDataSet* dataSet_;
    int index_;
};

// A query dataset on the server object's connection: a statement (its command text), a
// forward-only cursor over the statement's rows, the fields of the current row and the
// statement's named parameters. A dataset with a persistent field list delivers exactly those
// fields, calculated ones included, whatever the statement selects.
class SQLDataSet {
  public:
    SQLDataSet(std::string name, SQLConnection& connection);
    ~SQLDataSet();
    SQLDataSet(const SQLDataSet&) = delete;
    SQLDataSet& operator=(const SQLDataSet&) = delete;

    const std::string& name() const { return name_; }
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    SQLConnection& connection() { return connection_; }

    // The statement, stored without its leading blanks. Setting the text the dataset holds does
    // nothing; changing the text of an open dataset fails.
    const std::string& commandText() const { return commandText_; }
    void setCommandText(std::string_view text);

    // Whether the dataset asks the database for index metadata (key fields).
    bool getMetadata() const { return getMetadata_; }
    void setGetMetadata(bool on) { getMetadata_ = on; }

    void setFieldSpecs(std::span<const FieldSpec> specs) { fieldSpecs_ = specs; }
    bool hasPersistentFields() const { return !fieldSpecs_.empty(); }

    // The master this dataset follows; the detail registers with the master's dataset.
    void setMasterSource(DataSource* source);
    DataSource* masterSource() const { return masterSource_; }
    const std::vector<SQLDataSet*>& details() const { return details_; }

    // Raised once for each row the cursor arrives on (the first row on opening, the row a skip
    // stops on, each row a step reaches), when that row is first read: its values or one of its
    // fields read or written. A row the cursor only passes over, or leaves unread before the next
    // move or the close, raises nothing.
    std::function<void(SQLDataSet&)> afterScroll;

    // Runs the statement and places the cursor on its first row.
    void open();
    void close();
    bool active() const { return active_; }
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    // One row forward; at the last row it sets eof and stays.
    void next();
    // Skips forward over `count` rows; returns how many it moved. Raises after-scroll once, for
    // the row it stops on, when it moved at all.
    int moveBy(int count);
    // Back to the first row: for a forward-only cursor that is the statement run once more.
    void first();

    // Runs the statement without rows; returns the number of rows it affected. Prepared, the
    // statement is compiled once, kept for the next run of the same text, and takes the
    // dataset's parameters; Direct, the text is sent as it stands, is not kept, and takes none.
    std::int64_t execSQL(Execution how = Execution::Prepared);
    void prepare();
    void unprepare();
    bool prepared() const { return prepared_; }

    std::vector<DataSetParam>& params() { return params_; }
    const std::vector<DataSetParam>& params() const { return params_; }
    DataSetParam* findParam(std::string_view name);
    // Replaces the parameter list (a client's parameters); the dataset is closed.
    void assignParams(std::vector<DataSetParam> params);

    // Fields of the open dataset, in delivery order.
    const std::vector<FieldDef>& fieldDefs() {
        settleRequired();
        return fields_;
    }
    int fieldCount() const { return static_cast<int>(fields_.size()); }
    Field field(int index) { return Field(*this, index); }
    // The field of that name (letter case ignored); fails with "Field '%s' not found".
    Field fieldByName(std::string_view name);
    int findField(std::string_view name) const;
    // The current row's values; the first read of a row raises its after-scroll.
    const Variant& value(int index) {
        settleScroll();
        return row_[index];
    }
    const std::vector<Variant>& currentRow() {
        settleScroll();
        return row_;
    }

    // The columns of the table's first unique index, when the dataset asks for index metadata.
    std::vector<std::string> keyFields(const std::string& table);

  private:
    friend class Field;
    void ensureStatement();
    std::vector<Variant> bindParams();
    void takeMasterValues(const SQLDataSet& master);
    void bindFields();
    void buildFields();
    bool fetchRow(bool readValues);
    void readRow();
    void dropStatement();
    // The cursor is on a new row: its after-scroll is owed until the row is read.
    void arrive() { scrollOwed_ = static_cast<bool>(afterScroll); }
    void settleScroll() {
        if (scrollOwed_) raiseOwedScroll();
    }
    void raiseOwedScroll();
    // Fields taken from the statement's columns learn whether they are required when they are
    // first described, not when the statement runs (see DriverStatement::columnRequired).
    void settleRequired() {
        if (requiredOwed_) tellRequired();
    }
    void tellRequired();

    std::string name_;
    SQLConnection& connection_;
    int tag_ = 0;
    std::string commandText_;
    bool getMetadata_ = true;
    std::span<const FieldSpec> fieldSpecs_;
    DataSource* masterSource_ = nullptr;
    std::vector<SQLDataSet*> details_;
    std::vector<DataSetParam> params_;

    std::unique_ptr<DriverStatement> statement_;
    bool prepared_ = false;
    bool active_ = false;
    bool eof_ = true;
    bool bof_ = true;
    bool scrollOwed_ = false;
    std::vector<FieldDef> fields_;
    std::vector<int> columnOf_;  // the statement column of each field; -1 for calculated fields
    std::vector<Variant> row_;
    // Changes whenever the fields are built anew.
    std::uint64_t fieldsVersion_ = 0;
    bool requiredOwed_ = false;
    // The fields of the last open, kept while the dataset is closed: opened again on the same
    // compiled statement, whose columns the driver has not described since, it has the same
    // fields (a detail is opened once for every master row). A new statement drops them.
    std::vector<FieldDef> keptFields_;
    std::vector<int> keptColumnOf_;
    std::uint64_t keptFieldsVersion_ = 0;
    std::uint64_t keptColumnsVersion_ = 0;
    bool keptRequiredOwed_ = false;
    // For each parameter, the master field it takes its value from (-1 none), as worked out for
    // the master's fields of masterFieldsVersion_ and the parameters then held.
    std::vector<int> masterFieldOf_;
    std::uint64_t masterFieldsVersion_ = 0;
    std::size_t masterFieldsParams_ = 0;
};

}  // namespace zorvanil::db
