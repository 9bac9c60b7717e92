#pragma once

// Helpers for the command-line tests: files in a scratch directory, the
// command line run in-process over buffers, and the real executable run from a
// copy in the scratch directory (so its settings file and Log.txt land there).

#include "cli/CommandLine.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <optional>

inline bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

inline QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A settings file of the wizard's layout; the test server speaks plain HTTP unless useSSL.
inline QByteArray SettingsText(const QByteArray& number, const QByteArray& login, bool useSSL, bool headings = true)
{
    return "[Account]\r\nNumber=" + number + "\r\nLogin=" + login + "\r\n[Connection]\r\nUseSSL=" +
           (useSSL ? "1" : "0") + "\r\nUseWininet=0\r\n[File]\r\nColHeadings=" + (headings ? "1" : "0") + "\r\n";
}

struct TCliResult
{
    int ExitCode = -1;
    QString Out;
    QString Err;
    QStringList OutLines() const { return Out.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
};

// Runs the command line in-process with dir as the program's directory.
inline TCliResult RunInProcess(const QString& dir, const QStringList& args, const QProcessEnvironment& env,
                               std::optional<QString> typedPassword = std::nullopt)
{
    QBuffer out;
    QBuffer err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    TCliEnvironment environment;
    environment.HostDirectory = dir;
    environment.ExecutablePath = QStringLiteral(QIMPORT_BIN_DIR "/qimport-cli");
    environment.Env = env;
    environment.Out = &out;
    environment.Err = &err;
    environment.ReadSecret = [typedPassword](const QString&) { return typedPassword; };
    TCommandLine commandLine(environment);
    TCliResult result;
    result.ExitCode = commandLine.Run(args);
    result.Out = QString::fromUtf8(out.data());
    result.Err = QString::fromUtf8(err.data());
    return result;
}

// Copies the real executable into dir (once) and runs it there, bounded.
inline TCliResult RunExecutable(const QString& dir, const QStringList& args, const QProcessEnvironment& env,
                                int timeoutMs = 60000)
{
    const QString program = QDir(dir).filePath(QStringLiteral("qimport-cli"));
    if (!QFile::exists(program))
        QFile::copy(QStringLiteral(QIMPORT_BIN_DIR "/qimport-cli"), program);
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(dir);
    process.start(program, args);
    TCliResult result;
    if (!process.waitForStarted(10000))
        return result;
    process.closeWriteChannel(); // no terminal: the password is never asked for
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        return result;
    }
    result.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.Out = QString::fromUtf8(process.readAllStandardOutput());
    result.Err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

// An environment without anything of the caller's that could leak into a run.
inline QProcessEnvironment CleanEnvironment()
{
    QProcessEnvironment env;
    const QProcessEnvironment system = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"PATH", "HOME", "LANG", "LD_LIBRARY_PATH"})
        if (system.contains(QLatin1String(name)))
            env.insert(QLatin1String(name), system.value(QLatin1String(name)));
    return env;
}
