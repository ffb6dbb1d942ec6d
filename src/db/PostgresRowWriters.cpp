// Prepared inserts and key-addressed updates of the PostgreSQL driver.
#include <algorithm>

#include "db/DbError.h"
#include "db/PostgresConnection.h"
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

class PostgresInsert final : public DbInsert {
  public:
    PostgresInsert(PostgresConnection& connection, std::string table,
                   std::shared_ptr<const PostgresInsertStatements> statements,
                   std::vector<PostgresColumnRule> rules)
        : connection_(connection),
          table_(std::move(table)),
          single_(connection, statements->single),
          multi_(connection, statements->multi),
          statements_(std::move(statements)),
          rules_(std::move(rules)) {}

    void Insert(std::span<const FieldValue> values) override {
        if (values.size() != rules_.size())
            throw DbError(*PackSqlState("07001"), "PostgreSQL",
                          "wrong number of values for the prepared insert");
        auto parameters = Parameters(values);
        CheckRow(table_, rules_, parameters);
        connection_.QueueInsert(statements_, std::move(parameters));
    }

  private:
    PostgresConnection& connection_;
    std::string table_;
    PreparedStatement single_, multi_;
    std::shared_ptr<const PostgresInsertStatements> statements_;
    std::vector<PostgresColumnRule> rules_;
};

class PostgresUpdate final : public DbUpdate {
  public:
    PostgresUpdate(PostgresConnection& connection, std::string name, std::size_t columns)
        : statement_(connection, std::move(name)), columns_(columns) {}

    RowKey Update(const RowKey& key, std::span<const FieldValue> values) override {
        if (values.size() != columns_)
            throw DbError(*PackSqlState("07001"), "PostgreSQL",
                          "wrong number of values for the prepared update");
        auto parameters = Parameters(values);
        parameters.emplace_back(key.text);
        PostgresResult r = statement_.Run(std::move(parameters));
        if (PQntuples(r.get()) != 1)
            throw DbError(*PackSqlState("02000"), "PostgreSQL",
                          "the row to update no longer exists");
        // A changed row gets a new ctid; the caller addresses it by that from now on.
        return {0, PQgetvalue(r.get(), 0, 0)};
    }

  private:
    PreparedStatement statement_;
    std::size_t columns_;
};

}  // namespace

// The server runs one statement of many rows far faster than as many statements of one row.
constexpr std::size_t kRowsPerInsert = 250;

std::unique_ptr<DbInsert> PostgresConnection::PrepareInsert(
    const std::string& table, const std::vector<std::string>& columns) {
    std::string names;
    for (std::size_t i = 0; i < columns.size(); ++i)
        names += (i ? ", " : "") + PostgresIdentifier(columns[i]);
    auto valueLists = [&](std::size_t rows) {
        std::string lists;
        for (std::size_t row = 0, n = 1; row < rows; ++row) {
            lists += row ? ", (" : "(";
            for (std::size_t i = 0; i < columns.size(); ++i, ++n)
                lists += (i ? ", $" : "$") + std::to_string(n);
            lists += ")";
        }
        return lists;
    };
    const std::string insert =
        "INSERT INTO " + PostgresIdentifier(table) + " (" + names + ") VALUES ";
    auto statements = std::make_shared<PostgresInsertStatements>();
    // The server takes at most 65535 parameters per statement.
    statements->multiRows = std::max<std::size_t>(
        1, std::min(kRowsPerInsert, 65535 / std::max<std::size_t>(1, columns.size())));
    statements->single = NewPreparedName("insert");
    Prepare(statements->single, insert + valueLists(1));
    statements->multi = NewPreparedName("insert_rows");
    Prepare(statements->multi, insert + valueLists(statements->multiRows));
    return std::make_unique<PostgresInsert>(*this, FoldIdentifier(table), std::move(statements),
                                            ColumnRules(table, columns));
}

std::unique_ptr<DbUpdate> PostgresConnection::PrepareUpdate(
    const std::string& table, const std::vector<std::string>& columns) {
    std::string assignments;
    for (std::size_t i = 0; i < columns.size(); ++i)
        assignments +=
            (i ? ", " : "") + PostgresIdentifier(columns[i]) + " = $" + std::to_string(i + 1);
    const std::string name = NewPreparedName("update");
    Prepare(name, "UPDATE " + PostgresIdentifier(table) + " SET " + assignments +
                      " WHERE ctid = $" + std::to_string(columns.size() + 1) +
                      "::tid RETURNING ctid");
    return std::make_unique<PostgresUpdate>(*this, name, columns.size());
}
