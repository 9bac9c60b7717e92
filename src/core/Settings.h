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
    // The account number as stored: its nine digits with any leading zero, another
    // number in decimal (Setup.Account), or empty when there is none.
    QString AccountNumber;
};

// Reads every key with its default; a missing file reads as all defaults.
TLoadedSettings ReadSettingsFile(const QString& path);

// Writes every key in its fixed order; the account number and site go out as numbers,
// but an account number of nine digits goes out as its digits, so a leading zero stays.
// On failure returns false with error = "Unable to write to " + path.
bool WriteSettingsFile(const QString& path, const SetupRecord& setup, const QString& accountNumber,
                       const QString& siteNumber, const QString& loginName, bool colHeadings, const QString& fileName,
                       QString* error);
