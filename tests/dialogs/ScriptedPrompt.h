#pragma once

#include "core/Prompt.h"

#include <QList>
#include <QStringList>

// Answers questions from a script and remembers everything shown. An empty
// script answers No, so a forgotten answer fails a test instead of blocking.
class TScriptedPrompt : public IPrompt
{
public:
    void ShowMessage(const QString& text) override { Shown << text; }
    void ShowError(const QString& text, const QString& = QString()) override { Shown << text; }
    bool Confirm(const QString& text) override
    {
        Shown << text;
        return Answers.isEmpty() ? false : Answers.takeFirst();
    }
    QString OpenFileName(const QString&, const QString& = QString()) override { return {}; }
    QString SaveFileName(const QString&, const QString& = QString()) override { return {}; }

    QStringList Shown;
    QList<bool> Answers;
};
