// libFuzzer target: the settings file. Whatever it holds, reading it gives
// values within their bounds, and a value written into it reads back as
// written (trimmed, cut to its length) while the other lines stay.
#include "FuzzSupport.h"
#include "core/IniFile.h"
#include "core/Settings.h"

#include <QFile>
#include <QTemporaryDir>

namespace
{
QTemporaryDir* Dir = nullptr;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!Dir)
        Dir = new QTemporaryDir();
    const QString path = Dir->filePath(QStringLiteral("QImport.INI"));
    QFile file(path);
    Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write input");
    file.write(BytesOf(data, size));
    file.close();

    const TLoadedSettings loaded = ReadSettingsFile(path);
    Check(loaded.Setup.Email.size() <= SetupRecord::HostCapacity, "a text past its capacity");
    Check(loaded.Setup.ProxyUser.size() <= SetupRecord::UserCapacity, "a text past its capacity");
    Check(loaded.Setup.FirewallPassword.size() <= SetupRecord::UserCapacity, "a text past its capacity");

    TIniFile ini(path);
    const qsizetype before = ini.Lines().size();
    const QString name = QStringLiteral("File");
    const QString value = QStringLiteral("C:\\Data\\Volunteers  2024.csv");
    const QString other = ini.ReadString(QStringLiteral("Account"), QStringLiteral("Number"), QStringLiteral("-"));
    Check(ini.ReadString(name, QStringLiteral("Name"), QString()).size() <= TIniFile::MaxValueLength,
          "a value past its length");
    ini.WriteString(name, QStringLiteral("Name"), value);
    ini.WriteInteger(name, QStringLiteral("ColHeadings"), 0);
    Check(ini.Lines().size() <= before + 4, "a write added more than its section and keys");
    Check(ini.Save(), "cannot save");

    const TIniFile reread(path);
    Check(reread.ReadString(name, QStringLiteral("Name"), QString()) == value, "a written value reads back changed");
    Check(!reread.ReadBool(name, QStringLiteral("ColHeadings"), true), "a written number reads back changed");
    Check(reread.ReadString(QStringLiteral("Account"), QStringLiteral("Number"), QStringLiteral("-")) == other,
          "a write changed another key");
    return 0;
}
