#pragma once
// The export set-up kept in the per-user settings: what the dialog shows when it comes up and
// what the terminal program starts from, and what every export stores for the next start.

#include "app/ExportSettings.h"

class SettingsStore;

// The stored values, each one absent taking its default. The worker count is not stored: 0.
ExportSettings ReadStoredExportSettings(const SettingsStore& store);
// Writes the seven stored values in the order every export has always written them.
void StoreExportSettings(SettingsStore& store, const ExportSettings& settings);
