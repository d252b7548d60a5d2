#include "ui/Settings.h"

#include <QString>
#include <QVariant>

namespace harrowdale::ui {

namespace {

const QString kUpdateCheck = QStringLiteral("CheckForUpdatesAtStartUp");
const QString kEveryHardLink = QStringLiteral("Scan/CountEveryHardLink");
const QString kSizeOnDisk = QStringLiteral("Scan/SizeOnDisk");
const QString kDuplicatesBy = QStringLiteral("Duplicates/By");
const QString kMapNames = QStringLiteral("Map/Names");
const QString kMapCushions = QStringLiteral("Map/Cushions");
const QString kKeepHistory = QStringLiteral("History/KeepScans");
const QString kColourByChange = QStringLiteral("Compare/ColourByChange");

// Only an explicit "true" switches it on (the ini format keeps booleans as text).
bool SwitchedOn(const QSettings& store, const QString& key)
{
    return store.value(key).toString() == QLatin1String("true");
}

} // namespace

QSettings SettingsStore()
{
    return QSettings(QStringLiteral("Harrowdale"), QStringLiteral("Harrowdale"));
}

bool UpdateCheckAtStartUp()
{
    const QVariant value = SettingsStore().value(kUpdateCheck);
    // Only an explicit "false" switches it off (the ini format keeps booleans as text).
    return !(value.isValid() && value.toString() == QLatin1String("false"));
}

void SetUpdateCheckAtStartUp(bool on)
{
    SettingsStore().setValue(kUpdateCheck, on);
}

TScanMeasure SavedScanMeasure()
{
    const QSettings store = SettingsStore();
    return {SwitchedOn(store, kEveryHardLink), SwitchedOn(store, kSizeOnDisk)};
}

void SaveScanMeasure(const TScanMeasure& measure)
{
    QSettings store = SettingsStore();
    store.setValue(kEveryHardLink, measure.CountEveryHardLink);
    store.setValue(kSizeOnDisk, measure.SizeOnDisk);
}

TDupGrouping SavedDuplicateGrouping()
{
    return SettingsStore().value(kDuplicatesBy).toString() == QLatin1String("content")
               ? TDupGrouping::Content
               : TDupGrouping::NameAndSize;
}

void SaveDuplicateGrouping(TDupGrouping grouping)
{
    SettingsStore().setValue(kDuplicatesBy, grouping == TDupGrouping::Content
                                                ? QStringLiteral("content")
                                                : QStringLiteral("name"));
}

TMapLook SavedMapLook()
{
    const QSettings store = SettingsStore();
    return {SwitchedOn(store, kMapNames), SwitchedOn(store, kMapCushions)};
}

void SaveMapLook(const TMapLook& look)
{
    QSettings store = SettingsStore();
    store.setValue(kMapNames, look.Names);
    store.setValue(kMapCushions, look.Cushions);
}

bool KeepScanHistory()
{
    return SettingsStore().value(kKeepHistory).toString() != QLatin1String("false");
}

void SetKeepScanHistory(bool on)
{
    SettingsStore().setValue(kKeepHistory, on);
}

bool SavedColourByChange()
{
    return SwitchedOn(SettingsStore(), kColourByChange);
}

void SaveColourByChange(bool on)
{
    SettingsStore().setValue(kColourByChange, on);
}

} // namespace harrowdale::ui
