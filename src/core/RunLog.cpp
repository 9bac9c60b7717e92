#include "core/RunLog.h"

#include <QDir>
#include <QSaveFile>

void TRunLog::LoadFrom(const QString& path)
{
    QStringList lines;
    TextEncoding encoding = TextEncoding::Ansi;
    if (ReadTextFileLines(path, lines, &encoding)) {
        Lines = lines;
        FileEncoding = encoding;
    }
}

bool TRunLog::SaveTo(const QString& path) const noexcept
{
    if (path.isEmpty())
        return true;
    try {
        QString text;
        qsizetype size = 0;
        for (const QString& line : Lines)
            size += line.size() + 2;
        text.reserve(size);
        for (const QString& line : Lines) {
            text += line;
            text += QLatin1String("\r\n");
        }
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        const QByteArray bytes = EncodeText(text, FileEncoding);
        return file.write(bytes) == bytes.size() && file.flush();
    } catch (...) {
        return false;
    }
}

QString LogTime(const QTime& time, const QString& separator)
{
    int hour = time.hour() % 12;
    if (hour == 0)
        hour = 12;
    return QString::number(hour) + separator + QStringLiteral("%1").arg(time.minute(), 2, 10, QLatin1Char('0'))
         + (time.hour() < 12 ? QStringLiteral(" am") : QStringLiteral(" pm"));
}

QString LogDate(const QDate& date)
{
    return QStringLiteral("%1-%2-%3")
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(date.year(), 4, 10, QLatin1Char('0'));
}

QString StartedLine(const QDateTime& now)
{
    return QStringLiteral("Started ") + LogTime(now.time()) + QLatin1Char(' ') + LogDate(now.date());
}

QString StoppedLine(const QDateTime& now)
{
    return QStringLiteral("Stopped ") + LogTime(now.time()) + QLatin1Char(' ') + LogDate(now.date());
}

QString LogFilePath(const QString& hostDirectory)
{
    return QDir(hostDirectory).filePath(QStringLiteral("Log.txt"));
}
