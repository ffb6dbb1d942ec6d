#pragma once
// A target table for the pass tests, in a fresh SQLite file or on the PostgreSQL test server,
// with rows made from the few fields the passes look at and readers of the columns they fill.

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "db/CADODatabase.h"
#include "db/CADORecordset.h"
#include "pipeline/TargetTable.h"
#include "support/TestSupport.h"

struct Hit {
    std::string ip = "";
    std::string agent = "";
    std::string time = "";  // "YYYY-MM-DD HH:MM:SS"; empty for NULL
    std::string fileName = "index";
    std::string extension = "html";
    std::string isSpider = "";
    std::string hostName = "";
    std::optional<int> sessionId = std::nullopt;
};

enum class Driver { Sqlite, Postgres };

inline std::string DriverName(const ::testing::TestParamInfo<Driver>& info) {
    return info.param == Driver::Sqlite ? "SQLite" : "PostgreSQL";
}

class PassTable {
  public:
    PassTable(std::string connection, std::string base)
        : connection_(std::move(connection)), base_(std::move(base)) {
        db.Open(connection_);
        CADOCommand(db, "DROP TABLE IF EXISTS " + TargetTableName(base_)).Execute();
        CADOCommand(db, TargetTableCreateStatement(base_)).Execute();
    }
    ~PassTable() {
        try {
            if (!db.IsOpen()) db.Open(connection_);
            CADOCommand(db, "DROP TABLE " + TargetTableName(base_)).Execute();
        } catch (const CADOException&) {
        }
    }

    const std::string& Base() const { return base_; }
    const std::string& Connection() const { return connection_; }

    void Add(const std::vector<Hit>& hits) {
        CADORecordset rows(db);
        rows.Open(TargetTableName(base_));
        for (const Hit& hit : hits) {
            rows.AddNew();
            rows.WriteFieldValue("id", FieldValue::Int32(++lastId_));
            rows.WriteFieldText("IP", hit.ip);
            rows.WriteFieldText("Country", "ZZ");
            rows.WriteFieldText("identd", "-");
            rows.WriteFieldText("UserID", "-");
            rows.WriteFieldText("DateTimeTxt", hit.time.empty() ? "-" : hit.time);
            if (!hit.time.empty()) {
                rows.WriteFieldValue("DateTimeValue",
                                     FieldValue::Date(DateTime::FromSqlText(hit.time)));
            }
            rows.WriteFieldText("Request", "GET /" + hit.fileName + "." + hit.extension);
            rows.WriteFieldText("FileName", hit.fileName);
            rows.WriteFieldText("Extension", hit.extension);
            rows.WriteFieldValue("Status", FieldValue::Int16(200));
            rows.WriteFieldValue("Bytes", FieldValue::Int32(100));
            rows.WriteFieldText("UserAgent", hit.agent);
            rows.WriteFieldText("IsSpider", hit.isSpider);
            rows.WriteFieldText("HostName", hit.hostName);
            if (hit.sessionId) rows.WriteFieldValue("SessionID", FieldValue::Int32(*hit.sessionId));
            rows.Update();
        }
        rows.Close();
    }

    // The column's values in id order as texts; NULL reads as "NULL".
    std::vector<std::string> Column(const std::string& column) {
        CADORecordset rows(db);
        rows.Open("Select [" + column + "] From [" + TargetTableName(base_) + "] Order By id");
        std::vector<std::string> values;
        for (rows.MoveFirst(); !rows.IsEof(); rows.MoveNext()) {
            std::string text;
            rows.ReadFieldText(column, text);
            values.push_back(text.empty() ? "NULL" : text);
        }
        return values;
    }

    CADODatabase db;

  private:
    std::string connection_;
    std::string base_;
    std::int32_t lastId_ = 0;
};

// A table for one test on the chosen driver. A PostgreSQL table gets a name of its own, since
// several test programs may use the server at once.
#define KP_PASS_TABLE(table, driver, dir)                                                       \
    std::optional<PassTable> table;                                                             \
    do {                                                                                        \
        if ((driver) == Driver::Sqlite) {                                                       \
            table.emplace("Provider=SQLite;Data Source=" + (dir).File("passes.db"), "Web");     \
        } else {                                                                                \
            KP_REQUIRE_POSTGRES(pg);                                                            \
            static std::atomic<int> serial{0};                                                  \
            table.emplace(pg,                                                                   \
                          "Web" + std::to_string(::getpid()) + "_" + std::to_string(++serial)); \
        }                                                                                       \
    } while (false)
