#include "app/StoredExportSettings.h"

#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"

ExportSettings ReadStoredExportSettings(const SettingsStore& store) {
    const char* section = SettingsKey::Section;
    ExportSettings settings;
    settings.logFile = store.ReadText(section, SettingsKey::Source);
    settings.connectionString = store.ReadText(section, SettingsKey::ConnString);
    settings.tableBaseName =
        store.ReadText(section, SettingsKey::TableBasis, SettingsDefault::TableBasis);
    settings.resetTable = store.ReadInt(section, SettingsKey::Reset, SettingsDefault::Reset) != 0;
    settings.includeExts =
        store.ReadText(section, SettingsKey::IncludeExts, SettingsDefault::IncludeExts);
    settings.pageHitExts =
        store.ReadText(section, SettingsKey::PageHitExts, SettingsDefault::PageHitExts);
    settings.autoDns = store.ReadInt(section, SettingsKey::AutoDNS, SettingsDefault::AutoDNS) != 0;
    return settings;
}

void StoreExportSettings(SettingsStore& store, const ExportSettings& settings) {
    const char* section = SettingsKey::Section;
    store.WriteText(section, SettingsKey::Source, settings.logFile);
    store.WriteText(section, SettingsKey::ConnString, settings.connectionString);
    store.WriteText(section, SettingsKey::TableBasis, settings.tableBaseName);
    store.WriteInt(section, SettingsKey::Reset, settings.resetTable ? 1 : 0);
    store.WriteText(section, SettingsKey::IncludeExts, settings.includeExts);
    store.WriteText(section, SettingsKey::PageHitExts, settings.pageHitExts);
    store.WriteInt(section, SettingsKey::AutoDNS, settings.autoDns ? 1 : 0);
}
