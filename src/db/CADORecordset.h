#pragma once
// A cursor over a query or a table, held in memory and updatable row by row; also the way the
// system runs its UPDATE and DELETE statements. Every failure leaves as CADOException whose text
// is the RecordsetErrorText block (RecordCount answers -1 instead).
//
// Opened on a bare table name (`WebLog_data` or `[WebLog_data]`) the recordset appends through a
// prepared INSERT and fetches the table's rows only when asked to move or read.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "db/CADOException.h"
#include "db/DateTime.h"
#include "db/DbSession.h"
#include "db/FieldValue.h"
#include "db/RowBlock.h"

class CADODatabase;

class CADORecordset {
  public:
    enum class EditMode { None = 0, Adding = 1, Editing = 2 };

    CADORecordset();
    explicit CADORecordset(const CADODatabase& database);
    virtual ~CADORecordset();
    CADORecordset(CADORecordset&&) noexcept;
    CADORecordset& operator=(CADORecordset&&) noexcept;
    CADORecordset(const CADORecordset&) = delete;
    CADORecordset& operator=(const CADORecordset&) = delete;

    // True when the text produced rows to walk (a query or a table, maybe without rows), with the
    // cursor on the first row; false when it ran as a statement producing none (UPDATE, DELETE).
    // An empty text reopens the previous one. The handle keeps the first connection it is given.
    bool Open(const std::shared_ptr<DbSession>& connection, const std::string& text);
    // Open over the handle's own connection.
    bool Open(const std::string& text);
    // Opens a query over the handle's own connection to be read forward only, with at most
    // `rowsPerChunk` of its rows in memory at a time: for results as large as a table.
    // RecordCount counts every row of the query, MoveFirst works only before the first chunk is
    // left, and
    // MovePrevious throws. Statements may run on the connection (batches of changes stored, say)
    // while the rows are walked; they do not change the rows the walk yields.
    void OpenForwardOnly(const std::string& text, std::size_t rowsPerChunk);
    bool IsOpen() const;
    // Whether the recordset has this field, matched as the Read and Write functions match it.
    bool HasField(const std::string& field) const;
    // Drops a pending change and the rows, and commits the rows written on the connection: a
    // refusal of them is thrown here. The destructor closes too, but can only report a refusal
    // on stderr, so a recordset that writes rows is closed explicitly.
    void Close();

    bool IsEof();
    void MoveFirst();
    void MoveNext();
    void MovePrevious();
    // The number of rows; -1 when it cannot be told.
    std::int32_t RecordCount();

    bool AddNew();
    void Edit();
    // True when the pending row was stored (or there was none). A rejected row throws; the
    // rows stored before it stay stored.
    bool Update();
    EditMode GetEditMode() const { return editMode_; }

    // False, with nothing set, when no AddNew or Edit is pending. An unknown field throws.
    bool WriteFieldValue(const std::string& field, FieldValue value);
    // The empty text is stored as NULL.
    bool WriteFieldText(const std::string& field, const std::string& text);
    // Stores the low 16 bits of the value as a signed 16-bit integer.
    bool WriteFieldShort(const std::string& field, int value);

    // Field names are matched without regard to case.
    bool ReadFieldText(const std::string& field, std::string& text,
                       const std::string& dateFormat = "");
    bool ReadFieldLong(const std::string& field, std::int32_t& value);
    bool ReadFieldDateTime(const std::string& field, DateTime& value);

    const std::string& Query() const { return query_; }

    // The address of the current row, for a change stored later (BatchUpdate).
    RowKey CurrentRowKey();
    // Stores changes of rows of this recordset's table all at once (BatchUpdate).
    void StoreRowChanges(const RowChanges& changes);
    // Sets changes aside to be stored with the next StoreRowChanges (BatchUpdate::Stage).
    void StageRowChanges(const RowChanges& changes, bool first);

  private:
    struct PreparedWrites;

    bool OpenLocked(const std::string& text);
    void RequireOpen() const;
    void EnsureRowsFetched();
    void ClearResult();
    void FetchNextChunk();
    bool OnRow() const;
    std::size_t FieldIndex(const std::string& field);
    std::optional<std::size_t> FindField(const std::string& field) const;
    std::size_t ResolveField(const std::string& field) const;
    // The row and column of a field of the current row.
    std::pair<std::size_t, std::size_t> CurrentCell(const std::string& field);
    FieldValue CurrentField(const std::string& field);
    void StoreNewRow();
    void StoreChangedRow();
    void ClearPending();
    void ReleaseRows();
    void CloseReportingFailure() noexcept;
    void StartPending(EditMode mode);
    // Moves the written values, in column order, into writeValues_.
    std::vector<FieldValue>& ChosenPendingValues();
    void RestorePendingValues();
    template <class Write>
    void StorePendingValues(Write&& write);

    std::shared_ptr<DbSession> connection_;  // the first connection given; tells IsOpen
    std::shared_ptr<DbSession> active_;      // the connection of the current Open
    std::shared_ptr<DbConnection> driver_;   // outlives the walk and prepared statements below
    std::unique_ptr<DbRowWalk> walk_;        // while rows of a forward-only open are unread
    std::size_t rowsPerChunk_ = 0;           // set when opened forward only
    std::int64_t walkRows_ = 0;              // all rows of a forward-only query
    bool leftFirstChunk_ = false;
    std::string query_;
    bool open_ = false;
    std::string appendTable_;  // set when opened on a bare table name
    bool rowsFetched_ = false;

    std::vector<std::string> columns_;
    // Field names asked for since the open, with their columns, in the order first asked.
    std::vector<std::pair<std::string, std::size_t>> resolvedFields_;
    std::size_t nextFieldGuess_ = 0;  // the entry of resolvedFields_ to try first
    RowBlock rows_;
    std::string keyTable_;
    std::vector<std::optional<RowKey>> keys_;
    std::int64_t cursor_ = 0;  // -1 before the first row, rows_.size() after the last

    EditMode editMode_ = EditMode::None;
    std::vector<FieldValue> pendingValues_;
    std::vector<bool> pendingSet_;
    std::vector<FieldValue> writeValues_;
    std::unique_ptr<PreparedWrites> prepared_;
};
