#include "app/Application.h"

#include <exception>

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& failure) {
        Report(QString::fromLocal8Bit(failure.what()));
    } catch (...) {
        Report(QStringLiteral("Unknown error"));
    }
    return false;
}

void TApplication::Report(const QString& message)
{
    // A failure while the box itself is up must not open box after box.
    if (!FPrompt || FReporting)
        return;
    FReporting = true;
    try {
        FPrompt->ShowError(message);
    } catch (...) {
    }
    FReporting = false;
}
