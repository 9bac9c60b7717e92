#include "core/Settings.h"

#include "core/Conversions.h"
#include "core/IniFile.h"

namespace
{
const QString Account = QStringLiteral("Account");
const QString Connection = QStringLiteral("Connection");
const QString File = QStringLiteral("File");
} // namespace

QString SettingsPathFor(const QString& executablePath)
{
    // Only a "." inside the file name starts an extension, not one in a directory name.
    qsizetype nameStart = executablePath.lastIndexOf(QLatin1Char('/'));
#ifdef Q_OS_WIN
    nameStart = qMax(nameStart, executablePath.lastIndexOf(QLatin1Char('\\')));
#endif
    const qsizetype dot = executablePath.lastIndexOf(QLatin1Char('.'));
    if (dot > nameStart)
        return executablePath.left(dot) + QStringLiteral(".INI");
    return executablePath + QStringLiteral(".INI");
}

TLoadedSettings ReadSettingsFile(const QString& path)
{
    const TIniFile ini(path);
    TLoadedSettings loaded;
    SetupRecord& s = loaded.Setup;
    s = SetupRecord();
    const int host = SetupRecord::HostCapacity;
    const int user = SetupRecord::UserCapacity;

    s.Account = ini.ReadInteger(Account, QStringLiteral("Number"), 0);
    const QString number = ini.ReadString(Account, QStringLiteral("Number"), QString()).trimmed();
    if (IsAccountDigits(number))
        loaded.AccountNumber = number;
    else if (s.Account != 0)
        loaded.AccountNumber = QString::number(s.Account);
    s.SiteNumber = ini.ReadInteger(Account, QStringLiteral("Site"), 0);
    s.Email = SetupText(ini.ReadString(Account, QStringLiteral("Login"), QString()), host);
    s.ProxyServer = SetupText(ini.ReadString(Connection, QStringLiteral("ProxyServer"), QString()), host);
    s.ProxyPort = quint16(ini.ReadInteger(Connection, QStringLiteral("ProxyPort"), 0));
    s.ProxySSLServer = SetupText(ini.ReadString(Connection, QStringLiteral("ProxySSLServer"), QString()), host);
    s.ProxySSLPort = quint16(ini.ReadInteger(Connection, QStringLiteral("ProxySSLPort"), 0));
    s.ProxyUser = SetupText(ini.ReadString(Connection, QStringLiteral("ProxyUser"), QString()), user);
    s.ProxyPassword = SetupText(ini.ReadString(Connection, QStringLiteral("ProxyPassword"), QString()), user);
    s.ProxySSL = quint8(ini.ReadInteger(Connection, QStringLiteral("ProxySSL"), 0));
    s.FirewallHost = SetupText(ini.ReadString(Connection, QStringLiteral("FirewallHost"), QString()), host);
    s.FirewallPort = quint16(ini.ReadInteger(Connection, QStringLiteral("FirewallPort"), 0));
    s.FirewallUser = SetupText(ini.ReadString(Connection, QStringLiteral("FirewallUser"), QString()), user);
    s.FirewallPassword = SetupText(ini.ReadString(Connection, QStringLiteral("FirewallPassword"), QString()), user);
    s.FirewallType = quint8(ini.ReadInteger(Connection, QStringLiteral("FirewallType"), 0));
    s.UseSSL = ini.ReadBool(Connection, QStringLiteral("UseSSL"), true);
    s.UseWininet = ini.ReadBool(Connection, QStringLiteral("UseWininet"), true);
    s.CAFile = ini.ReadString(Connection, QStringLiteral("CAFile"), QString());
    loaded.ColHeadings = ini.ReadBool(File, QStringLiteral("ColHeadings"), true);
    loaded.FileName = ini.ReadString(File, QStringLiteral("Name"), QString());
    return loaded;
}

bool WriteSettingsFile(const QString& path, const SetupRecord& setup, const QString& accountNumber,
                       const QString& siteNumber, const QString& loginName, bool colHeadings, const QString& fileName,
                       QString* error)
{
    TIniFile ini(path);
    if (IsAccountDigits(accountNumber))
        ini.WriteString(Account, QStringLiteral("Number"), accountNumber);
    else
        ini.WriteInteger(Account, QStringLiteral("Number"), StrToIntOrZero(accountNumber));
    ini.WriteInteger(Account, QStringLiteral("Site"), StrToIntOrZero(siteNumber));
    ini.WriteString(Account, QStringLiteral("Login"), loginName);
    ini.WriteString(Connection, QStringLiteral("ProxyServer"), setup.ProxyServer);
    ini.WriteInteger(Connection, QStringLiteral("ProxyPort"), setup.ProxyPort);
    ini.WriteString(Connection, QStringLiteral("ProxySSLServer"), setup.ProxySSLServer);
    ini.WriteInteger(Connection, QStringLiteral("ProxySSLPort"), setup.ProxySSLPort);
    ini.WriteString(Connection, QStringLiteral("ProxyUser"), setup.ProxyUser);
    ini.WriteString(Connection, QStringLiteral("ProxyPassword"), setup.ProxyPassword);
    ini.WriteInteger(Connection, QStringLiteral("ProxySSL"), setup.ProxySSL);
    ini.WriteString(Connection, QStringLiteral("FirewallHost"), setup.FirewallHost);
    ini.WriteInteger(Connection, QStringLiteral("FirewallPort"), setup.FirewallPort);
    ini.WriteString(Connection, QStringLiteral("FirewallUser"), setup.FirewallUser);
    ini.WriteString(Connection, QStringLiteral("FirewallPassword"), setup.FirewallPassword);
    ini.WriteInteger(Connection, QStringLiteral("FirewallType"), setup.FirewallType);
    ini.WriteBool(Connection, QStringLiteral("UseSSL"), setup.UseSSL);
    ini.WriteBool(Connection, QStringLiteral("UseWininet"), setup.UseWininet);
    // Only written when set, so files of installations without one stay as they were.
    if (!setup.CAFile.isEmpty())
        ini.WriteString(Connection, QStringLiteral("CAFile"), setup.CAFile);
    ini.WriteBool(File, QStringLiteral("ColHeadings"), colHeadings);
    ini.WriteString(File, QStringLiteral("Name"), fileName);
    if (!ini.Save()) {
        if (error)
            *error = QStringLiteral("Unable to write to ") + path;
        return false;
    }
    return true;
}
