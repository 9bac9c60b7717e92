#include "ScriptedPrompt.h"

void TScriptedPrompt::ShowMessage(const QString& text)
{
    Shown.append(text);
}

void TScriptedPrompt::ShowError(const QString& text, const QString& /*title*/)
{
    Shown.append(text);
    Errors.append(text);
}

bool TScriptedPrompt::Confirm(const QString& text)
{
    Shown.append(text);
    if (Confirms.isEmpty()) {
        Failures.append(QStringLiteral("No answer queued for: ") + text);
        return false;
    }
    return Confirms.takeFirst();
}

QString TScriptedPrompt::OpenFileName(const QString& filter, const QString& /*startPath*/)
{
    Shown.append(filter);
    if (FileNames.isEmpty()) {
        Failures.append(QStringLiteral("No file name queued for: ") + filter);
        return QString();
    }
    return FileNames.takeFirst();
}

QString TScriptedPrompt::SaveFileName(const QString& filter, const QString& startPath)
{
    return OpenFileName(filter, startPath);
}
