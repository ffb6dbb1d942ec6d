// Prepared inserts and key-addressed updates of the PostgreSQL driver.
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>

#include "db/DbError.h"
#include "db/PostgresConnection.h"
#include "db/PostgresCopyRow.h"
#include "db/PostgresDialect.h"
#include "db/PostgresErrorCode.h"
#include "db/PostgresValues.h"

namespace {

std::vector<std::optional<std::string>> Parameters(std::span<const FieldValue> values) {
    std::vector<std::optional<std::string>> parameters;
    parameters.reserve(values.size() + 1);
    for (const auto& value : values) parameters.push_back(ToPostgresParameter(value));
    return parameters;
}

// A server-side prepared statement that lives as long as the object.
class PreparedStatement {
  public:
    PreparedStatement(PostgresConnection& connection, std::string name)
        : connection_(connection), name_(std::move(name)) {}
    ~PreparedStatement() { connection_.Deallocate(name_); }
    PreparedStatement(const PreparedStatement&) = delete;
    PreparedStatement& operator=(const PreparedStatement&) = delete;

    PostgresResult Run(std::vector<std::optional<std::string>> parameters) {
        return connection_.Run({{}, std::move(parameters), name_});
    }

  private:
    PostgresConnection& connection_;
    std::string name_;
};

// The single-row and multi-row statements of a queued writer of changes, freed with it.
class PreparedRows {
  public:
    PreparedRows(PostgresConnection& connection,
                 std::shared_ptr<const PostgresRowStatements> statements)
        : single_(connection, statements->single),
          multi_(connection, statements->multi),
          statements_(std::move(statements)) {}

    const std::shared_ptr<const PostgresRowStatements>& Statements() const { return statements_; }

  private:
    PreparedStatement single_, multi_;
    std::shared_ptr<const PostgresRowStatements> statements_;
};

void RequireValueCount(std::span<const FieldValue> values, std::size_t expected,
                       const char* statement) {
    if (values.size() != expected)
        throw DbError(*PackSqlState("07001"), "PostgreSQL",
                      std::string("wrong number of values for the prepared ") + statement);
}

// Appended rows travel as COPY data. The COPY names every column of the table but those that
// would take a value of their own when left out, so that writers of different column sets (a
// row with a search phrase, one without) share one COPY; a column left out is NULL, as it would
// be in an INSERT that leaves it out. Rows go in the binary format where it fits (see
// PostgresCopyRow.h); the rest go as text, in a COPY of their own.
class PostgresInsert final : public DbInsert {
  public:
    struct Copies {
        std::shared_ptr<const PostgresRowStatements> text;
        std::shared_ptr<const PostgresRowStatements> binary;  // none: the columns do not fit
    };

    PostgresInsert(PostgresConnection& connection, std::string table,
                   std::vector<std::size_t> positions, std::vector<PostgresColumnRule> rules,
                   Copies copies)
        : connection_(connection),
          table_(std::move(table)),
          positions_(std::move(positions)),
          rules_(std::move(rules)),
          copies_(std::move(copies)) {}

    void Insert(std::span<const FieldValue> values) override {
        RequireValueCount(values, positions_.size(), "insert");
        CopyRowValues row(rules_.size());
        for (std::size_t i = 0; i < values.size(); ++i)
            row[positions_[i]] = ToPostgresParameter(values[i]);
        try {
            CheckRow(table_, rules_, row);
        } catch (DbError& refusal) {
            connection_.RefuseRow(std::move(refusal));
        }
        line_.clear();
        if (copies_.binary && AppendCopyBinaryRow(line_, rules_, row)) {
            connection_.QueueAppend(copies_.binary, line_);
            return;
        }
        AppendCopyTextRow(line_, row);
        connection_.QueueAppend(copies_.text, line_);
    }

  private:
    PostgresConnection& connection_;
    std::string table_;
    std::vector<std::size_t> positions_;  // of each given value among the COPY's columns
    std::vector<PostgresColumnRule> rules_;
    Copies copies_;
    std::string line_;
};

// Rows keyed by id are queued like appended rows and keep their key. Rows keyed by ctid are
// changed at once, since the change moves the row and the caller needs its new ctid.
class PostgresUpdate final : public DbUpdate {
  public:
    PostgresUpdate(PostgresConnection& connection, std::string byCtidName, std::size_t columns)
        : connection_(connection), byCtid_(connection, std::move(byCtidName)), columns_(columns) {}

    void QueueChangesById(std::string table,
                          std::shared_ptr<const PostgresRowStatements> statements,
                          std::vector<PostgresColumnRule> rules) {
        table_ = std::move(table);
        byId_.emplace(connection_, std::move(statements));
        for (std::size_t i = 0; i < rules.size(); ++i)
            if (rules[i].name == "id") idColumn_ = i;
        rules_ = std::move(rules);
    }

    RowKey Update(const RowKey& key, std::span<const FieldValue> values) override {
        RequireValueCount(values, columns_, "update");
        auto parameters = Parameters(values);
        if (byId_ && key.text.empty()) {
            try {
                CheckRow(table_, rules_, parameters);
            } catch (DbError& refusal) {
                connection_.RefuseRow(std::move(refusal));
            }
            // A change of the id itself moves the row's key like a ctid's.
            RowKey newKey = key;
            if (idColumn_ && parameters[*idColumn_])
                newKey.number = std::strtoll(parameters[*idColumn_]->c_str(), nullptr, 10);
            parameters.emplace_back(std::to_string(key.number));
            connection_.QueueChange(byId_->Statements(), std::move(parameters), key.number);
            return newKey;
        }
        parameters.emplace_back(key.text);
        parameters.emplace_back(std::to_string(key.number));
        PostgresResult r = byCtid_.Run(std::move(parameters));
        if (PQntuples(r.get()) != 1) throw MissingRowError();
        // A changed row gets a new ctid; the caller addresses it by that from now on.
        return {key.number ? std::strtoll(PQgetvalue(r.get(), 0, 1), nullptr, 10) : 0,
                PQgetvalue(r.get(), 0, 0)};
    }

  private:
    PostgresConnection& connection_;
    PreparedStatement byCtid_;
    std::size_t columns_;
    std::string table_;
    std::optional<PreparedRows> byId_;
    std::vector<PostgresColumnRule> rules_;
    std::optional<std::size_t> idColumn_;
};

// "$first, $first+1, ..." for `count` parameters; `casts` gives each its type.
std::string ParameterList(std::size_t first, std::size_t count,
                          const std::vector<std::string>& casts = {}) {
    std::string list;
    for (std::size_t i = 0; i < count; ++i) {
        list += (i ? ", $" : "$") + std::to_string(first + i);
        if (i < casts.size()) list += "::" + casts[i];
    }
    return list;
}

// "(...), (...)" for `rows` rows of `columns` parameters each.
std::string ValueLists(std::size_t rows, std::size_t columns,
                       const std::vector<std::string>& casts = {}) {
    std::string lists;
    for (std::size_t row = 0; row < rows; ++row)
        lists += (row ? ", (" : "(") + ParameterList(row * columns + 1, columns, casts) + ")";
    return lists;
}

}  // namespace

// The server runs one statement of many rows far faster than as many statements of one row.
constexpr std::size_t kRowsPerStatement = 250;

std::shared_ptr<PostgresRowStatements> PostgresConnection::PrepareChanges(
    std::size_t parametersPerRow,
    const std::function<std::string(std::size_t rows)>& statementFor) {
    auto statements = std::make_shared<PostgresRowStatements>();
    // The server takes at most 65535 parameters per statement.
    statements->multiRows = std::max<std::size_t>(
        1, std::min(kRowsPerStatement, 65535 / std::max<std::size_t>(1, parametersPerRow)));
    statements->single = NewPreparedName("update_rows");
    Prepare(statements->single, statementFor(1));
    statements->multi = NewPreparedName("update_rows");
    Prepare(statements->multi, statementFor(statements->multiRows));
    return statements;
}

std::unique_ptr<DbInsert> PostgresConnection::PrepareInsert(
    const std::string& table, const std::vector<std::string>& columns) {
    const std::string target = PostgresIdentifier(table);
    std::vector<std::string> given;
    for (const auto& column : columns) given.push_back(FoldIdentifier(column));
    const std::vector<std::string> ownValues = ColumnsWithDefaults(target);
    auto listed = [](const std::vector<std::string>& names, const std::string& name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    std::vector<std::string> copied;
    for (const auto& column : TableColumns(table))
        if (listed(given, column) || !listed(ownValues, column)) copied.push_back(column);
    // A name the table does not have stays in the list, for the server to refuse.
    for (const auto& column : given)
        if (!listed(copied, column)) copied.push_back(column);
    std::vector<std::size_t> positions;
    for (const auto& column : given)
        positions.push_back(static_cast<std::size_t>(
            std::find(copied.begin(), copied.end(), column) - copied.begin()));

    std::string copy = "COPY " + target + " (";
    for (std::size_t i = 0; i < copied.size(); ++i)
        copy += (i ? ", " : "") + PostgresIdentifier(copied[i]);
    copy += ") FROM STDIN";
    auto rules = ColumnRules(table, copied);
    PostgresInsert::Copies copies;
    auto text = std::make_shared<PostgresRowStatements>();
    text->copyCommand = copy;
    copies.text = std::move(text);
    if (BinaryCopyFits(rules)) {
        auto binary = std::make_shared<PostgresRowStatements>();
        binary->copyCommand = copy + " WITH (FORMAT binary)";
        binary->binaryCopy = true;
        copies.binary = std::move(binary);
    }
    return std::make_unique<PostgresInsert>(*this, FoldIdentifier(table), std::move(positions),
                                            std::move(rules), std::move(copies));
}

std::unique_ptr<DbUpdate> PostgresConnection::PrepareUpdate(
    const std::string& table, const std::vector<std::string>& columns) {
    const std::string target = PostgresIdentifier(table);
    std::string assignments;
    for (std::size_t i = 0; i < columns.size(); ++i)
        assignments +=
            (i ? ", " : "") + PostgresIdentifier(columns[i]) + " = $" + std::to_string(i + 1);
    const std::string key = "$" + std::to_string(columns.size() + 1);
    const std::string partition = "$" + std::to_string(columns.size() + 2) + "::oid";
    const std::string byCtid = NewPreparedName("update");
    // In a partitioned table a ctid names a row only together with its partition.
    Prepare(byCtid, "UPDATE " + target + " SET " + assignments + " WHERE ctid = " + key +
                        "::tid AND (" + partition + " = 0 OR tableoid = " + partition +
                        ") RETURNING ctid, tableoid");
    auto update = std::make_unique<PostgresUpdate>(*this, byCtid, columns.size());
    const auto idKey = IdKey(target);
    if (!idKey) return update;

    auto rules = ColumnRules(table, columns);
    std::vector<std::string> casts;
    std::string fromAssignments, valueNames;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        casts.push_back(rules[i].typeName);
        const std::string valueName = "kp_v" + std::to_string(i);
        fromAssignments +=
            (i ? ", " : "") + PostgresIdentifier(columns[i]) + " = kp_values." + valueName;
        valueNames += valueName + ", ";
    }
    casts.push_back(idKey->typeName);
    auto statements = PrepareChanges(columns.size() + 1, [&](std::size_t rows) -> std::string {
        if (rows == 1) return "UPDATE " + target + " SET " + assignments + " WHERE id = " + key;
        return "UPDATE " + target + " AS kp_target SET " + fromAssignments + " FROM (VALUES " +
               ValueLists(rows, columns.size() + 1, casts) + ") AS kp_values(" + valueNames +
               "kp_key) WHERE kp_target.id = kp_values.kp_key";
    });
    update->QueueChangesById(FoldIdentifier(table), std::move(statements), std::move(rules));
    return update;
}
