#pragma once

#include "core/Prompt.h"

#include <QApplication>

// The application object. A failure that escapes an event handler ends that
// handler only: it is shown in an error box with its message and the program goes on.
class TApplication : public QApplication
{
public:
    TApplication(int& argc, char** argv);

    // Where escaped failures are shown.
    void SetPrompt(IPrompt* prompt) { FPrompt = prompt; }

    bool notify(QObject* receiver, QEvent* event) override;

private:
    void Report(const QString& message);

    IPrompt* FPrompt = nullptr;
    bool FReporting = false;
};
