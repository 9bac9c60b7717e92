#pragma once

#include "core/Prompt.h"

#include <QList>
#include <QStringList>

// Answers the program's questions from a script so window tests never block on a box.
// Every text shown is kept in order; a question with no answer queued is recorded as a
// failure and answered No (or with an empty file name).
class TScriptedPrompt : public IPrompt
{
public:
    void ShowMessage(const QString& text) override;
    void ShowError(const QString& text, const QString& title = QString()) override;
    bool Confirm(const QString& text) override;
    QString OpenFileName(const QString& filter, const QString& startPath = QString()) override;
    QString SaveFileName(const QString& filter, const QString& startPath = QString()) override;

    void QueueConfirm(bool answer) { Confirms.append(answer); }
    void QueueFileName(const QString& fileName) { FileNames.append(fileName); }

    QStringList Shown;    // every message, error and question, in order
    QStringList Errors;   // texts of error boxes only
    QStringList Failures; // questions asked with no answer queued

private:
    QList<bool> Confirms;
    QStringList FileNames;
};
