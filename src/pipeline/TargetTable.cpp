#include "pipeline/TargetTable.h"

std::string TargetTableName(const std::string& base) {
    return base + "_data";
}

std::string TargetIndexName(const std::string& base) {
    return base + "_Index";
}

std::string TargetTableCreateStatement(const std::string& base) {
    return "CREATE TABLE " + base +
           "_data(\n   id int NOT NULL,\n   SessionID int,\n\tIP varchar(255) NOT NULL,\n"
           "   HostName varchar(255),\n\tCountry varchar(3) NOT NULL,\n"
           "\tidentd varchar(255) NOT NULL,\n\tUserID varchar(255) NOT NULL,\n"
           "\tDateTimeTxt varchar(255) NOT NULL,\n\tDateTimeValue datetime,\n"
           "\tRequest text NOT NULL,\n   FileName varchar(255),\n   Extension varchar(32),\n"
           "\tStatus smallint NOT NULL,\n\tBytes integer NOT NULL,\n   PageTimeSecs smallint,\n"
           "\tReferrer text,\n   SearchTerm varchar(255),\n   ResultsPage smallint,\n"
           "\tUserAgent text,\n   IsSpider varchar(1))";
}

std::string TargetBaseNameProblem(const std::string& base) {
    if (base.size() <= kMaxTargetBaseBytes) return {};
    return "The table base name is too long: it may have at most " +
           std::to_string(kMaxTargetBaseBytes) + " bytes, so that the table's names fit the 63 " +
           "bytes a database keeps of a name.";
}
