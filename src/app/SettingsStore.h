#pragma once
// The per-user settings store shared by the desktop and the terminal program: an INI file,
// by default $XDG_CONFIG_HOME/Quillmoor/Kestrelport.conf (~/.config/... without the variable).
//
// File format, one entry per line:
//   [Section]
//   key=value
// Lines starting with ";" or "#" are comments. Keys and values are stored with these escapes so
// that any byte string survives: "\\" for a backslash, "\n" and "\r" for line breaks, "\t" for a
// tab and "\xHH" for any other byte below 0x20 or 0x7F; in keys also "\x3D" for "=" and an escaped
// first character when it would start a comment or a section. A value that starts or ends with
// a space or a tab, or starts with a double quote, is written inside double quotes; the outer
// pair is removed on reading, so unquoted values never start with a quote.
//
// Every read looks at the file afresh and every write rewrites it atomically (a temporary file in
// the same folder, flushed to disk, then renamed over the store), so two programs sharing the store
// see each other's values and a crash never leaves a half-written store. The file is created
// readable by its owner only: it holds connection strings, which may carry passwords.

#include <string>
#include <string_view>

class SettingsStore {
  public:
    explicit SettingsStore(std::string path);

    static std::string DefaultPath();
    const std::string& Path() const { return path_; }

    // An absent or unreadable entry gives the default; so does an integer entry that is not a
    // decimal 32-bit number.
    std::string ReadText(std::string_view section, std::string_view key,
                         std::string_view defaultValue = {}) const;
    int ReadInt(std::string_view section, std::string_view key, int defaultValue) const;

    // False when the store could not be written; the earlier store is then left as it was.
    bool WriteText(std::string_view section, std::string_view key, std::string_view value);
    bool WriteInt(std::string_view section, std::string_view key, int value);

  private:
    std::string path_;
};
