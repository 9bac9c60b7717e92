#pragma once

#include <QString>

// Every modal question and message goes through this, so the windows can be
// driven headless: the app shows real boxes, tests answer from a script.
class IPrompt
{
public:
    virtual ~IPrompt() = default;
    // Plain box with OK (no icon).
    virtual void ShowMessage(const QString& text) = 0;
    // Error box with OK; title "Error" unless given.
    virtual void ShowError(const QString& text, const QString& title = QString()) = 0;
    // Yes/No question; Yes -> true.
    virtual bool Confirm(const QString& text) = 0;
    // File-open dialog; empty when cancelled.
    virtual QString OpenFileName(const QString& filter, const QString& startPath = QString()) = 0;
    // Save-file dialog; empty when cancelled.
    virtual QString SaveFileName(const QString& filter, const QString& startPath = QString()) = 0;
};
