#pragma once

// The settings kept between runs: the store of the organization and application
// "Harrowdale" (~/.config/Harrowdale/Harrowdale.conf on Linux, the registry on Windows).
// Beside the language (LanguageSettings.h) it holds the window's state
// (TMainWindow::SaveSettings) and whether start-up asks for a new version. A value that
// is missing or of the wrong kind (edited by hand) counts as not set.
//
// Thread: UI thread only.

#include "treemap/MapLook.h"
#include "views/Duplicates.h"

#include <QSettings>

namespace harrowdale::ui {

/// A handle on the store; cheap to open where it is needed.
QSettings SettingsStore();

/// The menu setting "Check for updates at start-up"; on unless switched off.
bool UpdateCheckAtStartUp();
void SetUpdateCheckAtStartUp(bool on);

/// How scans measure: the View menu's "Count Every Hard Link" and "Size on Disk"; both
/// off unless switched on.
struct TScanMeasure
{
    bool CountEveryHardLink = false;
    bool SizeOnDisk = false;
};
TScanMeasure SavedScanMeasure();
void SaveScanMeasure(const TScanMeasure& measure);

/// How duplicates are grouped: the View menu's "Duplicates: Same Name and Size" (unless
/// switched) or "Duplicates: Same Content".
TDupGrouping SavedDuplicateGrouping();
void SaveDuplicateGrouping(TDupGrouping grouping);

/// How the maps are drawn: the View menu's "Names on the Map" and "Cushion Shading"; both
/// off unless switched on.
TMapLook SavedMapLook();
void SaveMapLook(const TMapLook& look);

/// The File menu's "Keep Scan History": whether each scan of a folder is kept for later
/// comparison; on unless switched off.
bool KeepScanHistory();
void SetKeepScanHistory(bool on);

/// The View menu's "Colour by Change": while comparing, the maps colour by change; off
/// unless switched on.
bool SavedColourByChange();
void SaveColourByChange(bool on);

} // namespace harrowdale::ui
