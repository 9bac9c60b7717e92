#pragma once

#include "core/SetupRecord.h"

#include <QString>

// The settings file beside the executable: its path with the extension (from the
// last "." of the file name on) replaced by ".INI", or ".INI" appended when the
// file name has none.
QString SettingsPathFor(const QString& executablePath);

// What a run takes from the settings file.
struct TLoadedSettings
{
    SetupRecord Setup;
    bool ColHeadings = true;
    QString FileName;
};

// Reads every key with its default; a missing file reads as all defaults.
TLoadedSettings ReadSettingsFile(const QString& path);

// Writes every key in its fixed order; the account number and site go out as numbers.
// On failure returns false with error = "Unable to write to " + path.
bool WriteSettingsFile(const QString& path, const SetupRecord& setup, const QString& accountNumber,
                       const QString& siteNumber, const QString& loginName, bool colHeadings, const QString& fileName,
                       QString* error);
