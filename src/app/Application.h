#pragma once

#include "core/Prompt.h"

#include <QApplication>

// The application object. Handlers catch their own failures at their boundary
// (core/HandlerGuard.h); one that still escapes an event handler ends that handler
// only: it is shown in the same error box and the program goes on.
class TApplication : public QApplication
{
public:
    TApplication(int& argc, char** argv);

    // Where escaped failures are shown; also the prompt of handlers without one of their own.
    void SetPrompt(IPrompt* prompt);

    bool notify(QObject* receiver, QEvent* event) override;

private:
    IPrompt* FPrompt = nullptr;
};
