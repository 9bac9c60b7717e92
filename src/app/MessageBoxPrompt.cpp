#include "app/MessageBoxPrompt.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace
{
const QString Caption = QStringLiteral("Quillmarsh Import Utility");
}

QString DialogFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters.append(parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    if (filters.isEmpty())
        return filter;
    return filters.join(QStringLiteral(";;"));
}

void TMessageBoxPrompt::ShowMessage(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, Caption, text, QMessageBox::Ok, FParent);
    box.exec();
}

void TMessageBoxPrompt::ShowError(const QString& text, const QString& title)
{
    QMessageBox box(QMessageBox::Critical, title.isEmpty() ? QStringLiteral("Error") : title, text,
                    QMessageBox::Ok, FParent);
    box.exec();
}

bool TMessageBoxPrompt::Confirm(const QString& text)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text, QMessageBox::Yes | QMessageBox::No,
                    FParent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString TMessageBoxPrompt::OpenFileName(const QString& filter, const QString& startPath)
{
    return QFileDialog::getOpenFileName(FParent, QStringLiteral("Open"), startPath, DialogFilter(filter));
}

QString TMessageBoxPrompt::SaveFileName(const QString& filter, const QString& startPath)
{
    return QFileDialog::getSaveFileName(FParent, QStringLiteral("Save As"), startPath, DialogFilter(filter));
}
