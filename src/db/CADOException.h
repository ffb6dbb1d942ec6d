#pragma once
// The only exception that leaves the data-access layer: the driver's 32-bit error code and a
// text for the user (the driver's description, or the recordset error block).

#include <cstdint>
#include <stdexcept>
#include <string>

class CADOException : public std::runtime_error {
  public:
    CADOException(std::int32_t code, const std::string& text)
        : std::runtime_error(text), code_(code) {}
    virtual ~CADOException() = default;

    std::int32_t ErrorCode() const { return code_; }
    std::string ErrorText() const { return what(); }

  private:
    std::int32_t code_;
};
