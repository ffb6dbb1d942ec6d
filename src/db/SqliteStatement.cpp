#include "db/SqliteStatement.h"

#include <limits>

#include "db/DbError.h"
#include "textfiles/AsciiText.h"

namespace {

bool OnlyBlankOrSemicolons(const char* text) {
    for (; *text != '\0'; ++text) {
        if (*text != ';' && !IsAsciiWhiteSpace(*text)) return false;
    }
    return true;
}

}  // namespace

void ThrowSqliteError(sqlite3* db) {
    throw DbError(sqlite3_extended_errcode(db), "SQLite", sqlite3_errmsg(db));
}

DbError SqliteRowGoneError() {
    return DbError(SQLITE_NOTFOUND, "SQLite", "The row to update no longer exists.");
}

SqliteStatement::SqliteStatement(sqlite3* db, const std::string& sql) {
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &statement_, &tail) !=
        SQLITE_OK) {
        ThrowSqliteError(db);
    }
    if (statement_ == nullptr) throw DbError(SQLITE_MISUSE, "SQLite", "The statement is empty.");
    if (tail != nullptr && !OnlyBlankOrSemicolons(tail)) {
        sqlite3_finalize(statement_);
        statement_ = nullptr;
        throw DbError(SQLITE_MISUSE, "SQLite",
                      "Only one statement can be run at a time; the text holds more.");
    }
}

void SqliteStatement::Bind(int index, const FieldValue& value) {
    int rc = SQLITE_OK;
    switch (value.GetKind()) {
        case FieldValue::Kind::Null:
            rc = sqlite3_bind_null(statement_, index);
            break;
        case FieldValue::Kind::Text:
            rc = sqlite3_bind_text(statement_, index, value.AsText().data(),
                                   static_cast<int>(value.AsText().size()), SQLITE_STATIC);
            break;
        case FieldValue::Kind::Float:
        case FieldValue::Kind::Double:
            rc = sqlite3_bind_double(statement_, index, value.AsDouble());
            break;
        case FieldValue::Kind::Currency:
            rc = sqlite3_bind_double(statement_, index,
                                     static_cast<double>(value.AsInteger()) / 10000.0);
            break;
        case FieldValue::Kind::Decimal: {
            const FieldValue::DecimalParts parts = value.AsDecimal();
            double number = static_cast<double>(parts.magnitude);
            for (int i = 0; i < parts.scale; ++i) number /= 10.0;
            rc = sqlite3_bind_double(statement_, index, parts.negative ? -number : number);
            break;
        }
        case FieldValue::Kind::DateTime: {
            const DateTime date = value.AsDateTime();
            if (!date.IsValid() || !date.ToCalendar()) {
                throw DbError(SQLITE_MISMATCH, "SQLite", "The date-time value is not valid.");
            }
            const std::string text = date.ToSqlText();
            rc = sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                                   SQLITE_TRANSIENT);
            break;
        }
        default:  // the integer kinds and Bool
            rc = sqlite3_bind_int64(statement_, index, value.AsInteger());
            break;
    }
    if (rc != SQLITE_OK) ThrowSqliteError(sqlite3_db_handle(statement_));
}

bool SqliteStatement::Step() {
    const int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    sqlite3* db = sqlite3_db_handle(statement_);
    DbError error(sqlite3_extended_errcode(db), "SQLite", sqlite3_errmsg(db));
    sqlite3_reset(statement_);
    throw error;
}

void SqliteStatement::Reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

bool SqliteStatement::IsDateColumn(int index) const {
    const char* declared = sqlite3_column_decltype(statement_, index);
    const std::string type = ToLowerAscii(declared ? declared : "");
    return type.find("date") != std::string::npos || type.find("time") != std::string::npos;
}

FieldValue SqliteStatement::Column(int index, bool isDateColumn) const {
    switch (sqlite3_column_type(statement_, index)) {
        case SQLITE_NULL:
            return FieldValue::Null();
        case SQLITE_INTEGER: {
            const sqlite3_int64 number = sqlite3_column_int64(statement_, index);
            if (number >= std::numeric_limits<std::int32_t>::min() &&
                number <= std::numeric_limits<std::int32_t>::max()) {
                return FieldValue::Int32(static_cast<std::int32_t>(number));
            }
            return FieldValue::Int64(number);
        }
        case SQLITE_FLOAT:
            return FieldValue::Double(sqlite3_column_double(statement_, index));
        default: {  // text or blob: the bytes as stored
            const void* bytes = sqlite3_column_blob(statement_, index);
            const int size = sqlite3_column_bytes(statement_, index);
            std::string text =
                bytes ? std::string(static_cast<const char*>(bytes), static_cast<std::size_t>(size))
                      : std::string();
            if (isDateColumn) {
                const DateTime date = DateTime::FromSqlText(text);
                if (date.IsValid()) return FieldValue::Date(date);
            }
            return FieldValue::Text(std::move(text));
        }
    }
}
