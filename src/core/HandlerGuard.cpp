#include "core/HandlerGuard.h"

#include <QLoggingCategory>

#include <exception>

Q_LOGGING_CATEGORY(lcHandlers, "qimport.handlers")

namespace
{
IPrompt* TheApplicationPrompt = nullptr;
// Every window runs on the one user-interface thread: one box at a time is enough.
bool Reporting = false;
} // namespace

QString CurrentFailureMessage()
{
    try {
        throw;
    } catch (const std::exception& failure) {
        return QString::fromUtf8(failure.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

void ShowHandlerFailure(IPrompt* prompt) noexcept
{
    try {
        const QString message = CurrentFailureMessage();
        IPrompt* shownBy = prompt ? prompt : TheApplicationPrompt;
        if (!shownBy || Reporting) {
            qCWarning(lcHandlers) << "failure not shown:" << message;
            return;
        }
        Reporting = true;
        struct TDone
        {
            ~TDone() { Reporting = false; }
        } done;
        shownBy->ShowError(message);
    } catch (...) {
        // The box itself failed: nothing is left to tell the user with.
    }
}

void SetApplicationPrompt(IPrompt* prompt)
{
    TheApplicationPrompt = prompt;
}

IPrompt* ApplicationPrompt()
{
    return TheApplicationPrompt;
}
