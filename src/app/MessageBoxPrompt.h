#pragma once

#include "core/Prompt.h"

class QWidget;

// Real modal boxes and file dialogs.
class TMessageBoxPrompt : public IPrompt
{
public:
    explicit TMessageBoxPrompt(QWidget* parent = nullptr) : FParent(parent) {}
    void SetParent(QWidget* parent) { FParent = parent; }

    void ShowMessage(const QString& text) override;
    void ShowError(const QString& text, const QString& title = QString()) override;
    bool Confirm(const QString& text) override;
    QString OpenFileName(const QString& filter, const QString& startPath = QString()) override;
    QString SaveFileName(const QString& filter, const QString& startPath = QString()) override;

private:
    QWidget* FParent;
};

// "Text files|*.txt;*.csv;*.tab" -> "Text files (*.txt *.csv *.tab)"; pairs after further "|" become more filters.
QString DialogFilter(const QString& filter);
