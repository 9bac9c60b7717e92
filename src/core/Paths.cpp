#include "core/Paths.h"

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
