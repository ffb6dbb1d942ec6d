#include "gui/FileFilter.h"

QStringList ToQtNameFilters(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QString patterns = parts[i + 1].split(';', Qt::SkipEmptyParts).join(' ');
        if (description.isEmpty() || patterns.isEmpty()) continue;
        // Qt takes the patterns from the last parentheses; a description that already shows
        // them needs no second copy.
        if (description.endsWith('(' + patterns + ')'))
            filters.append(description);
        else
            filters.append(description + " (" + patterns + ')');
    }
    return filters;
}
