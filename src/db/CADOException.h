#pragma once
// The only exception that leaves the data-access layer: the driver's 32-bit error code and a
// text for the user (the driver's description, or the recordset error block).

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

class CADOException : public std::runtime_error {
  public:
    CADOException(std::int32_t code, const std::string& text,
                  std::optional<std::uint64_t> unstoredRows = std::nullopt)
        : std::runtime_error(text), code_(code), unstoredRows_(unstoredRows) {}
    virtual ~CADOException() = default;

    std::int32_t ErrorCode() const { return code_; }
    std::string ErrorText() const { return what(); }
    // For a refused row: how many of the rows handed over, counted back from the failing call,
    // were not stored (see DbError::UnstoredRows).
    std::optional<std::uint64_t> UnstoredRows() const { return unstoredRows_; }

  private:
    std::int32_t code_;
    std::optional<std::uint64_t> unstoredRows_;
};
