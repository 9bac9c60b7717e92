#pragma once

// Helpers for tests that drive the main window headless.

#include "ScriptedPrompt.h"
#include "app/Unit1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// A shown main window of its own: settings file, run log and prompt in the test's
// directory, talking to the given endpoint (the local sandbox) when one is named.
// Folders it would open are handed to openFolder instead of a file manager.
inline std::unique_ptr<TForm1> MakeTestWindow(const QTemporaryDir& dir, TScriptedPrompt& prompt,
                                              const TEndpointOptions& endpoint = {},
                                              std::function<void(const QString&)> openFolder = {})
{
    TForm1Options options;
    options.HostDirectory = dir.path();
    options.Prompt = &prompt;
    options.SettingsPath = dir.filePath(QStringLiteral("test.INI"));
    options.Endpoint = endpoint;
    options.OpenFolder = openFolder ? std::move(openFolder) : [](const QString&) {};
    auto form = std::make_unique<TForm1>(options);
    form->show();
    return form;
}

// Writes a fixture file into the test's directory and returns its path.
inline QString WriteTestFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    file.write(bytes);
    return path;
}

// A caption as the screen shows it: the marker of the underlined letter left out ("&&" is a "&").
inline QString ShownCaption(const QString& text)
{
    QString shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('&'))
            shown += text[i];
        else if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&'))
            shown += text[++i];
    }
    return shown;
}

// The texts of a list's lines, in order, as its model gives them to the view.
inline QStringList Items(const QAbstractItemView* list)
{
    QStringList items;
    const QAbstractItemModel* model = list->model();
    for (int i = 0; i < model->rowCount(); ++i)
        items << model->index(i, 0).data().toString();
    return items;
}

// The steps of the whole wizard road, for the end-to-end tests. Each returns an empty
// text when the window reached the next page, else what went wrong.
namespace WizardSteps
{
inline bool PageReached(TForm1& form, QWidget* page, int timeoutMs = 10000)
{
    return QTest::qWaitFor([&] { return form.PageControl1->currentWidget() == page; }, timeoutMs);
}

// From the start page through the credentials page to the file page.
inline QString LogIn(TForm1& form, const QString& account, const QString& login, const QString& password)
{
    form.Button1->click();
    if (form.PageControl1->currentWidget() != form.TabSheet2)
        return QStringLiteral("credentials page not shown");
    QTest::keyClicks(form.Edit1, account);
    QTest::keyClicks(form.Edit2, login);
    QTest::keyClicks(form.Edit3, password);
    if (!form.Button2->isEnabled())
        return QStringLiteral("Next not enabled on the credentials page");
    form.Button2Click();
    return PageReached(form, form.TabSheet3) ? QString() : QStringLiteral("credentials page not left");
}

// From the file page to the mapping page with the source file loaded.
inline QString OpenSourceFile(TForm1& form, const QString& path, bool headings)
{
    form.Edit4->setText(path);
    form.Edit4Exit();
    form.CheckBox1->setChecked(headings);
    if (!form.Button4->isEnabled())
        return QStringLiteral("Next not enabled on the file page");
    form.Button4Click();
    return PageReached(form, form.TabSheet4) ? QString() : QStringLiteral("file page not left");
}

// From the mapping page through the test page and the site list to the import
// page, with the account's second Site chosen.
inline QString ChooseSecondSite(TForm1& form)
{
    form.Button10Click();
    if (form.PageControl1->currentWidget() != form.TabSheet5)
        return QStringLiteral("mapping page not left");
    form.Button6Click();
    if (!PageReached(form, form.TabSheet6))
        return QStringLiteral("test page not left");
    form.RadioButton19->click();
    form.ComboBox1->setCurrentIndex(1);
    if (form.SiteNumber != QStringLiteral("2"))
        return QStringLiteral("site 2 not chosen: ") + form.SiteNumber;
    form.Button15Click();
    return form.PageControl1->currentWidget() == form.TabSheet7 ? QString() : QStringLiteral("site page not left");
}
} // namespace WizardSteps
