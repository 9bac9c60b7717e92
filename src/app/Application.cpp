#include "app/Application.h"

#include "core/HandlerGuard.h"

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

void TApplication::SetPrompt(IPrompt* prompt)
{
    FPrompt = prompt;
    SetApplicationPrompt(prompt);
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    // The last resort only: a failure that gets this far has already passed through Qt.
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        if (FPrompt)
            ShowHandlerFailure(FPrompt);
    }
    return false;
}
