// The main window's boundaries: nothing of it runs once it is being destroyed,
// and a failure that leaves a handler stops there instead of travelling through
// Qt's delivery to QApplication::notify.
#include "WindowTestSupport.h"
#include "core/HandlerGuard.h"
#include "exchange/Envelope.h"
#include "exchange/Exchange.h"
#include "exchange/HTTPSClient.h"

#include <QApplication>
#include <QListWidget>
#include <QTableWidget>
#include <QtTest>

#include <memory>

namespace
{
// Records every failure that reaches notify, which a handler must never let happen.
class TRecordingApplication : public QApplication
{
public:
    using QApplication::QApplication;
    QStringList Reached;

    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (...) {
            Reached << CurrentFailureMessage();
        }
        return false;
    }
};

// Counts the enabled-state changes of the objects it watches.
class TEnabledChanges : public QObject
{
public:
    int Count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::EnabledChange)
            ++Count;
        return false;
    }
};

const QString CannotConnect = QStringLiteral(
    "Unable to connect to the Internet. Check your Connection Settings and your Internet connection, then try again.");
} // namespace

class TestWindowBoundaries : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> Dir;
    TScriptedPrompt Prompt;

    TRecordingApplication& App() { return *static_cast<TRecordingApplication*>(QCoreApplication::instance()); }

private slots:
    void init()
    {
        Dir = std::make_unique<QTemporaryDir>();
        Prompt = TScriptedPrompt();
        App().Reached.clear();
    }
    void cleanup()
    {
        QVERIFY2(Prompt.Failures.isEmpty(), qPrintable(Prompt.Failures.join(QLatin1Char('\n'))));
        QCOMPARE(App().Reached, QStringList());
    }

    // A visible window destroyed with the focus in one of its controls: the control
    // still reports losing the focus, views and event hooks still get events. None of
    // the window's handlers may run then (the file box would otherwise enable Next).
    void destroyVisibleWindow_noHandlerRuns_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("focused");
        QTest::newRow("credentials, password box") << 1 << "Edit3";
        QTest::newRow("file page, file-name box") << 2 << "Edit4";
        QTest::newRow("mapping page, sample grid") << 3 << "StringGrid1";
        QTest::newRow("mapping page, Box list") << 3 << "ListBox5";
    }
    void destroyVisibleWindow_noHandlerRuns()
    {
        QFETCH(int, page);
        QFETCH(QString, focused);
        auto form = MakeTestWindow(*Dir, Prompt);
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        form->PageControl1->setCurrentIndex(page);
        auto* control = form->findChild<QWidget*>(focused);
        QVERIFY(control);
        control->setFocus();
        QVERIFY(control->hasFocus());
        // A file that exists, typed but not yet taken: only the box's exit handler would take it.
        form->Edit4->setText(WriteTestFile(*Dir, QStringLiteral("rows.csv"), "a,b\r\n1,2\r\n"));
        form->Button4->setEnabled(false);
        TEnabledChanges changes;
        form->Button4->installEventFilter(&changes);

        form.reset();
        QCOMPARE(changes.Count, 0);
        QCOMPARE(Prompt.Shown, QStringList());
    }

    // The connection settings refuse a value, on Next and again on the watchdog's resend:
    // each time the settings' own box and then the failure's message, shown by the handler.
    void connectionSettingsFailure_shownAtHandlerBoundary()
    {
        QString refused;
        try {
            THTTPSClient().SetProxyServer(QStringLiteral("proxy host"));
        } catch (const THTTPSError& e) {
            refused = e.Message();
        }
        QVERIFY(!refused.isEmpty());

        auto form = MakeTestWindow(*Dir, Prompt);
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->Button1->click();
        form->Edit1->setText(QStringLiteral("123456789"));
        form->Edit2->setText(QStringLiteral("someone@example.org"));
        form->Edit3->setText(QStringLiteral("pw"));
        form->Setup.UseWininet = false;
        form->Setup.ProxyServer = QStringLiteral("proxy host");
        QTest::mouseClick(form->Button2, Qt::LeftButton);
        QCOMPARE(Prompt.Errors, QStringList({CannotConnect, refused}));
        QCOMPARE(App().Reached, QStringList());
        QCOMPARE(form->RunLog.AllLines().count(QStringLiteral(" Exception in http initialization")), 1);
        QCOMPARE(form->PageControl1->currentWidget(), form->TabSheet2);

        // The one-second watchdog reaches the resend of an unanswered record.
        form->Exchange->WaitFor = rcRecord;
        form->Exchange->Waiting = true;
        form->Exchange->WaitTicks = WatchdogTickLimit;
        QTRY_COMPARE_WITH_TIMEOUT(Prompt.Errors.size(), 4, 5000);
        QCOMPARE(Prompt.Errors.mid(2), QStringList({CannotConnect, refused}));
        QCOMPARE(App().Reached, QStringList());
        QVERIFY(!form->Exchange->Waiting);
        QVERIFY(form->isVisible());
    }
};

int main(int argc, char* argv[])
{
    TRecordingApplication app(argc, argv);
    TestWindowBoundaries test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestWindowBoundaries.moc"
