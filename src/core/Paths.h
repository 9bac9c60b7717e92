#pragma once

#include <QProcessEnvironment>
#include <QString>

// Directory of the running executable, without a trailing separator.
QString GetExeDirectory();
// The program's own file name on this platform: "QIMPORT.EXE" on Windows, "qimport" elsewhere.
QString ProgramFileName();

// Where a run keeps its settings file and its run log.
struct TFileLocations
{
    QString SettingsFile;
    QString LogFile;
    bool BesideProgram = true; // portable use: both files in the executable's folder
};

// Both front ends choose with this one rule, so they always share one settings file and one log.
// The files stay beside the program (portableSettingsFile, and Log.txt in exeDirectory) when that
// folder already holds the settings file, or when it can be written and is not an installed
// program folder (one with share/applications/qimport.desktop beside it). Otherwise they go to
// $XDG_CONFIG_HOME/qimport/qimport.INI and $XDG_STATE_HOME/qimport/Log.txt, with ~/.config and
// ~/.local/state when those are unset or not absolute.
TFileLocations FileLocationsFor(const QString& exeDirectory, const QString& portableSettingsFile,
                                const QProcessEnvironment& env);

// Creates the folders the two files live in; best effort, as writing the log is.
void MakeFileFolders(const TFileLocations& locations);

// Lines for --help naming the settings file and the run log in use.
QString FileLocationsHelpText(const TFileLocations& locations);
