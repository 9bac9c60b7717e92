#pragma once

#include "ScriptedPrompt.h"
#include "app/Unit1.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

// A shown main window of its own: settings file, run log and prompt in the test's
// directory, talking to the given endpoint (the local sandbox) when one is named.
inline std::unique_ptr<TForm1> MakeTestWindow(const QTemporaryDir& dir, TScriptedPrompt& prompt,
                                              const TEndpointOptions& endpoint = {})
{
    TForm1Options options;
    options.HostDirectory = dir.path();
    options.Prompt = &prompt;
    options.SettingsPath = dir.filePath(QStringLiteral("test.INI"));
    options.Endpoint = endpoint;
    auto form = std::make_unique<TForm1>(options);
    form->show();
    return form;
}

// Writes a fixture file into the test's directory and returns its path.
inline QString WriteTestFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    file.write(bytes);
    return path;
}
