#include "core/Paths.h"

#include "core/RunLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString GetExeDirectory()
{
    QString path = QCoreApplication::applicationFilePath();
    if (path.isEmpty())
        return QDir::currentPath();
    return QDir::toNativeSeparators(QFileInfo(path).absolutePath());
}

QString ProgramFileName()
{
#ifdef Q_OS_WIN
    return QStringLiteral("QIMPORT.EXE");
#else
    return QStringLiteral("qimport");
#endif
}

namespace
{
// An XDG base directory: the variable when it holds an absolute path (relative ones are to be
// ignored), else the fallback under the home folder.
QString BaseDirectory(const QProcessEnvironment& env, const char* variable, const char* fallback)
{
    const QString value = env.value(QLatin1String(variable));
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    QString home = env.value(QStringLiteral("HOME"));
    if (home.isEmpty() || !QDir::isAbsolutePath(home))
        home = QDir::homePath();
    return QDir::cleanPath(QDir(home).filePath(QLatin1String(fallback)));
}

// An installed program folder is shared by every user of the machine (and writable by root), so
// it must not collect one user's settings and log. The install puts the desktop entry beside it.
bool IsInstalledProgramFolder(const QString& exeDirectory)
{
    return QFileInfo::exists(QDir(exeDirectory).filePath(QStringLiteral("../share/applications/qimport.desktop")));
}
} // namespace

TFileLocations FileLocationsFor(const QString& exeDirectory, const QString& portableSettingsFile,
                                const QProcessEnvironment& env)
{
    TFileLocations locations;
    const QFileInfo folder(exeDirectory);
    const bool holdsSettings = QFileInfo::exists(portableSettingsFile);
    const bool ownWritableFolder =
        folder.isDir() && folder.isWritable() && !IsInstalledProgramFolder(exeDirectory);
    if (holdsSettings || ownWritableFolder) {
        locations.SettingsFile = portableSettingsFile;
        locations.LogFile = LogFilePath(exeDirectory);
        locations.BesideProgram = true;
        return locations;
    }
    const QString appFolder = QStringLiteral("qimport");
    locations.SettingsFile =
        QDir(BaseDirectory(env, "XDG_CONFIG_HOME", ".config")).filePath(appFolder + QStringLiteral("/qimport.INI"));
    locations.LogFile = LogFilePath(QDir(BaseDirectory(env, "XDG_STATE_HOME", ".local/state")).filePath(appFolder));
    locations.BesideProgram = false;
    return locations;
}

void MakeFileFolders(const TFileLocations& locations)
{
    for (const QString& file : {locations.SettingsFile, locations.LogFile})
        QDir().mkpath(QFileInfo(file).absolutePath());
}

QString FileLocationsHelpText(const TFileLocations& locations)
{
    return (locations.BesideProgram ? QStringLiteral("Files in use, beside the program:\n")
                                    : QStringLiteral("Files in use, in your configuration and state folders:\n")) +
           QStringLiteral("  settings file  ") + QDir::toNativeSeparators(locations.SettingsFile) +
           QStringLiteral("\n  run log        ") + QDir::toNativeSeparators(locations.LogFile) + QLatin1Char('\n');
}
