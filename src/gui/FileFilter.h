#pragma once
// File dialogs are asked for with the classic filter form "Description|pattern;pattern|...||";
// Qt wants one "Description (pattern pattern)" entry per filter.

#include <QStringList>
#include <string>

QStringList ToQtNameFilters(const std::string& filter);
