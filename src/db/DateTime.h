#pragma once
// The date-time value of the data-access layer: days since 30 December 1899, 00:00, as a double
// with the time of day as the fraction, plus a status. Conversions to and from calendar fields
// are our own and exact to the second.

#include <cstdint>
#include <optional>
#include <string>

struct CalendarTime {
    int year = 0;    // 100..9999
    int month = 0;   // 1..12
    int day = 0;     // 1..days in month
    int hour = 0;    // 0..23
    int minute = 0;  // 0..59
    int second = 0;  // 0..59
    bool operator==(const CalendarTime&) const = default;
};

class DateTime {
  public:
    // One byte, so that a date fits the 16-byte cell of a query's rows (RowBlock).
    enum class Status : std::uint8_t { Valid, Invalid, Null };

    DateTime() = default;  // 0.0 (30 December 1899 00:00), valid
    explicit DateTime(double days, Status status = Status::Valid) : days_(days), status_(status) {}

    // Invalid when a field is out of range (month 13, 30 February, hour 24, second 60, year < 100).
    static DateTime FromCalendar(const CalendarTime& t);
    static DateTime Null() { return DateTime(0.0, Status::Null); }

    double Days() const { return days_; }
    Status GetStatus() const { return status_; }
    bool IsValid() const { return status_ == Status::Valid; }
    void SetStatus(Status s) { status_ = s; }

    // Rounded to the nearest second; nullopt when the value lies outside years 100..9999.
    std::optional<CalendarTime> ToCalendar() const;

    // "YYYY-MM-DD HH:MM:SS" (the SQLite storage form) and back.
    std::string ToSqlText() const;
    static DateTime FromSqlText(const std::string& text);

    bool operator==(const DateTime&) const = default;

  private:
    double days_ = 0.0;
    Status status_ = Status::Valid;
};
