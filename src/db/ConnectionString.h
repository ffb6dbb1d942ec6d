#pragma once
// The `Key=Value;` lists that name a database. Keys are matched without regard to case; a value
// may be put in double quotes to hold ';' or '=' (a doubled quote inside stands for one quote).
// White space around keys and unquoted values is dropped.

#include <optional>
#include <string>
#include <utility>
#include <vector>

class ConnectionString {
  public:
    // Throws CADOException when the text is empty or not a `Key=Value;` list. The message says
    // what is wrong but never repeats the text, which may hold a password.
    static ConnectionString Parse(const std::string& text);

    // The value of the key (any letter case), or nothing when the key is absent. When a key is
    // given twice the last one counts.
    std::optional<std::string> Find(const std::string& key) const;
    // The value, or the empty text when the key is absent.
    std::string Value(const std::string& key) const;

    const std::vector<std::pair<std::string, std::string>>& Entries() const { return entries_; }

  private:
    std::vector<std::pair<std::string, std::string>> entries_;
};
