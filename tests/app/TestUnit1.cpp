#include "ScriptedPrompt.h"
#include "WindowTestSupport.h"
#include "exchange/Exchange.h"
#include "app/Application.h"
#include "app/MessageBoxPrompt.h"
#include "app/Pictures.h"
#include "app/StatusPanel.h"
#include "app/Unit1.h"
#include "core/Paths.h"
#include "core/Version.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <stdexcept>

namespace
{
QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// An object whose every event handler fails.
class TFailingObject : public QObject
{
public:
    bool event(QEvent*) override { throw std::runtime_error("handler failed on purpose"); }
};
} // namespace

class TestUnit1 : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> Dir;
    TScriptedPrompt Prompt;
    QDateTime Clock;

    std::unique_ptr<TForm1> MakeForm(const QString& settingsPath = QString())
    {
        TForm1Options options;
        options.HostDirectory = Dir->path();
        options.Prompt = &Prompt;
        options.Clock = [this] { return Clock; };
        options.SettingsPath = settingsPath;
        return std::make_unique<TForm1>(options);
    }
    QString LogPath() const { return Dir->filePath(QStringLiteral("Log.txt")); }
    QString IniPath() const { return Dir->filePath(QStringLiteral("test_app_unit1.INI")); }

private slots:
    void init()
    {
        Dir = std::make_unique<QTemporaryDir>();
        Prompt = TScriptedPrompt();
        Clock = QDateTime(QDate(2019, 3, 14), QTime(21, 5));
    }
    void cleanup() { QVERIFY2(Prompt.Failures.isEmpty(), qPrintable(Prompt.Failures.join(QLatin1Char('\n')))); }

    void firstRun_createsLogAndUsesDefaults()
    {
        auto form = MakeForm();
        QCOMPARE(ReadBytes(LogPath()), QByteArray("Started 9:05 pm 03-14-2019\r\n"));
        QVERIFY(!QFile::exists(IniPath()));
        QCOMPARE(form->PageControl1->currentWidget(), form->TabSheet1);
        QVERIFY(form->Edit1->text().isEmpty());
        QVERIFY(form->Edit2->text().isEmpty());
        QVERIFY(form->CheckBox1->isChecked());
        QVERIFY(form->Setup.UseSSL);
        QVERIFY(form->Setup.UseWininet);
        QCOMPARE(form->size(), QSize(1000, 750));

        form->show();
        QCOMPARE(form->FileType, quint16(2));
        QCOMPARE(form->Label23->text(), QStringLiteral("Version 0.0.0.0"));
        QVERIFY(form->RunLog.AllLines().contains(QStringLiteral("Version: 0.0.0.0")));
        QVERIFY(!form->Button10->isEnabled());
        QCOMPARE(ShownCaption(form->Button22->text()), QStringLiteral("Quick\nTutorial"));
        QCOMPARE(form->StatusPanel0->width(), 925);
    }

    void start_leadsToCredentialsPage()
    {
        auto form = MakeForm();
        form->show();
        form->Button1->click();
        QCOMPARE(form->PageControl1->currentWidget(), form->TabSheet2);
    }

    void everyCancel_answeredNo_keepsPageAndWritesNothing()
    {
        auto form = MakeForm();
        form->show();
        form->ShowPage(form->TabSheet5);
        const QList<QPushButton*> cancels = {form->Button3, form->Button5, form->Button11, form->Button7,
                                              form->Button14, form->Button16, form->Button12};
        for (QPushButton* cancel : cancels) {
            Prompt.QueueConfirm(false);
            cancel->click();
        }
        QCOMPARE(Prompt.Shown.size(), cancels.size());
        QCOMPARE(Prompt.Shown.first(), QStringLiteral("Close the Quillmarsh Import Utility?"));
        QVERIFY(form->isVisible());
        QCOMPARE(form->PageControl1->currentWidget(), form->TabSheet5);
        QVERIFY(!QFile::exists(IniPath()));
        QVERIFY(!form->RunLog.AllLines().last().startsWith(QStringLiteral("Stopped")));
    }

    void cancelYes_writesSettingsAndStoppedLine()
    {
        WriteBytes(IniPath(), "[Account]\r\nNumber=123456789\r\nLogin=someone@example.org\r\n");
        auto form = MakeForm();
        form->show();
        QCOMPARE(form->Edit1->text(), QStringLiteral("123-456-789"));
        Prompt.QueueConfirm(true);
        form->Button12->click();
        QVERIFY(!form->isVisible());
        const QByteArray ini = ReadBytes(IniPath());
        // No log-in in this run: the stored account number and login name stay as they were.
        QVERIFY2(ini.startsWith("[Account]\r\nNumber=123456789\r\nLogin=someone@example.org\r\nSite=0\r\n"),
                 ini.constData());
        QVERIFY(ini.contains("[File]\r\nColHeadings=1\r\nName=\r\n"));
        QVERIFY(ReadBytes(LogPath()).endsWith("SiteNumber changed to 0 (SiteSelectionClick)\r\n"
                                              "Stopped 9:05 pm 03-14-2019\r\n \r\n"));
    }

    // What the boxes show is written when it passes the checks, else the stored values stay;
    // a leading zero survives the round trip.
    void close_writesCheckedBoxesElseKeepsStored()
    {
        WriteBytes(IniPath(), "[Account]\r\nNumber=012345678\r\nLogin=someone@example.org\r\n");
        {
            auto form = MakeForm();
            QCOMPARE(form->Edit1->text(), QStringLiteral("012-345-678"));
            form->Edit2->setText(QStringLiteral("not a login"));
            Prompt.QueueConfirm(true);
            form->close();
        }
        QVERIFY(ReadBytes(IniPath()).startsWith("[Account]\r\nNumber=012345678\r\nLogin=someone@example.org\r\n"));
        {
            auto form = MakeForm();
            QCOMPARE(form->Edit1->text(), QStringLiteral("012-345-678"));
            form->Edit1->setText(QStringLiteral("098-765-432"));
            form->Edit2->setText(QStringLiteral("other@example.org"));
            Prompt.QueueConfirm(true);
            form->close();
        }
        QVERIFY(ReadBytes(IniPath()).startsWith("[Account]\r\nNumber=098765432\r\nLogin=other@example.org\r\n"));
        auto form = MakeForm();
        QCOMPARE(form->Edit1->text(), QStringLiteral("098-765-432"));
        QCOMPARE(form->Edit2->text(), QStringLiteral("other@example.org"));
    }

    void twoRuns_logGrowsByOneSection()
    {
        {
            auto form = MakeForm();
            form->show();
            Prompt.QueueConfirm(true);
            form->close();
        }
        Clock = Clock.addSecs(3600);
        {
            auto form = MakeForm();
            QCOMPARE(form->Edit1->text(), QString());
        }
        const QStringList lines = QString::fromLatin1(ReadBytes(LogPath())).split(QStringLiteral("\r\n"));
        QCOMPARE(lines, QStringList({QStringLiteral("Started 9:05 pm 03-14-2019"), QStringLiteral("Version: 0.0.0.0"),
                                     QStringLiteral("SiteNumber changed to 0 (SiteSelectionClick)"),
                                     QStringLiteral("Stopped 9:05 pm 03-14-2019"), QStringLiteral(" "),
                                     QStringLiteral("Started 10:05 pm 03-14-2019"), QString()}));
    }

    void closeOnFinalPage_asksNothing()
    {
        auto form = MakeForm();
        form->show();
        form->ShowPage(form->TabSheet8);
        form->Button21->click();
        QVERIFY(form->Exchange->ExitPlease);
        QVERIFY(!form->isVisible());
        QVERIFY(Prompt.Shown.isEmpty());
        QVERIFY(QFile::exists(IniPath()));
    }

    void settingsNamingSite_siteNumberZeroOnceShown()
    {
        WriteBytes(IniPath(), "[Account]\r\nNumber=12345678\r\nSite=7\r\n[File]\r\nColHeadings=0\r\nName=/d/f.csv\r\n");
        auto form = MakeForm();
        QCOMPARE(form->SiteNumber, QStringLiteral("7"));
        QCOMPARE(form->Edit1->text(), QString()); // eight digits are no account number
        QCOMPARE(form->Edit4->text(), QStringLiteral("/d/f.csv"));
        QVERIFY(!form->CheckBox1->isChecked());
        form->show();
        QCOMPARE(form->SiteNumber, QStringLiteral("0"));
        QVERIFY(form->RadioButton18->isChecked());
        QVERIFY(form->RunLog.AllLines().contains(QStringLiteral("SiteNumber changed to 0 (SiteSelectionClick)")));
    }

    void unwritableSettings_programStillCloses()
    {
        const QString blocked = Dir->filePath(QStringLiteral("blocked.INI"));
        QVERIFY(QDir(Dir->path()).mkdir(QStringLiteral("blocked.INI")));
        auto form = MakeForm(blocked);
        form->show();
        Prompt.QueueConfirm(true);
        form->close();
        QVERIFY(!form->isVisible());
        QCOMPARE(Prompt.Errors, QStringList{QStringLiteral("Unable to write to ") + blocked});
        QVERIFY2(ReadBytes(LogPath()).endsWith("Stopped 9:05 pm 03-14-2019\r\n \r\n"), ReadBytes(LogPath()).constData());
    }

    void version_readFromProgramFileInHostDirectory()
    {
        WriteBytes(Dir->filePath(ProgramFileName()), QByteArray(64, 'x') + VersionRecordBytes({3, 1, 4, 15}));
        auto form = MakeForm();
        form->show();
        QCOMPARE(form->Label23->text(), QStringLiteral("Version 3.1.4.15"));
    }

    void padlock_followsUseSSL()
    {
        auto form = MakeForm();
        form->show();
        const QPoint body(1 + 3, 14); // inside the padlock's yellow body, beside the keyhole
        form->Setup.UseSSL = true;
        QColor lit = form->StatusPanel1->grab().toImage().pixelColor(body);
        QVERIFY2(lit.red() > 200 && lit.green() > 150 && lit.blue() < 100, qPrintable(lit.name()));
        form->Setup.UseSSL = false;
        const QColor blank = form->StatusPanel1->grab().toImage().pixelColor(body);
        QCOMPARE(blank, form->StatusBar1->palette().color(QPalette::Window));
    }

    void pictures_padlockSizeAndTransparentCorner()
    {
        const QImage padlock = PadlockPicture().toImage();
        QCOMPARE(padlock.size(), QSize(15, 18));
        QCOMPARE(padlock.pixelColor(0, 0).alpha(), 0);
        QVERIFY(!HeadingPicture(QStringLiteral("Finished")).isNull());
        QCOMPARE(MailboxPicture(QSize(300, 200)).size(), QSize(300, 200));
    }

    void controls_namesAndCaptions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::newRow("start") << "Button1" << "Start";
        QTest::newRow("connection") << "Button19" << "Connection settings";
        QTest::newRow("unable") << "Label8" << "Unable to connect:";
        QTest::newRow("browse") << "Button13" << "Browse";
        QTest::newRow("headings") << "CheckBox1" << "First row contains column headings";
        QTest::newRow("column") << "Label16" << "What to do with Column A:";
        QTest::newRow("skip") << "RadioButton20" << "Skip column ";
        QTest::newRow("counter") << "Label33" << "0";
        QTest::newRow("prev") << "Button9" << "< Prev";
        QTest::newRow("test next") << "Button17" << "Test the next record";
        QTest::newRow("no site") << "RadioButton18" << "The records I am importing do not belong to any single Site";
        QTest::newRow("import label") << "Label19" << "Step 6: Import";
        QTest::newRow("close") << "Button21" << "Close";
        QTest::newRow("kind 2") << "RadioButton1" << "Volunteer records";
        QTest::newRow("kind 18") << "RadioButton17" << "Skill records";
    }
    void controls_namesAndCaptions()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        auto form = MakeForm();
        QWidget* widget = form->findChild<QWidget*>(name);
        QVERIFY2(widget, qPrintable(name));
        QString text;
        if (auto* label = qobject_cast<QLabel*>(widget))
            text = label->buddy() ? ShownCaption(label->text()) : label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(widget))
            text = ShownCaption(button->text());
        QCOMPARE(text, caption);
    }

    void recordKinds_hiddenWithTags()
    {
        auto form = MakeForm();
        form->show();
        QCOMPARE(form->RecordKindButtons.size(), 17);
        for (int i = 0; i < 17; ++i) {
            auto* button = form->findChild<QRadioButton*>(QStringLiteral("RadioButton%1").arg(i + 1));
            QVERIFY(button);
            QCOMPARE(button->property("Tag").toInt(), i + 2);
            QVERIFY(!button->isVisible());
        }
        QCOMPARE(form->ComboBox2->count(), 6);
        QCOMPARE(form->ComboBox2->itemText(3), QStringLiteral("MY (no day)"));
    }

    void initialWindowPosition_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QRect>("desktop");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("fits") << QSize(1920, 1080) << QRect(0, 0, 1920, 1040) << QPoint(460, 165);
        QTest::newRow("odd size") << QSize(1025, 751) << QRect(0, 0, 1025, 751) << QPoint(12, 0);
        QTest::newRow("too small both") << QSize(800, 600) << QRect(0, 0, 800, 560) << QPoint(0, 0);
        QTest::newRow("too narrow only") << QSize(900, 1080) << QRect(0, 0, 900, 1080) << QPoint(0, 165);
        QTest::newRow("too low only") << QSize(1920, 700) << QRect(0, 0, 1920, 700) << QPoint(460, 0);
        QTest::newRow("desktop reaches left") << QSize(800, 600) << QRect(-1280, 0, 2080, 1024) << QPoint(-100, 0);
        QTest::newRow("taskbar on top") << QSize(1920, 760) << QRect(0, 40, 1920, 720) << QPoint(460, 40);
    }
    void initialWindowPosition()
    {
        QFETCH(QSize, screen);
        QFETCH(QRect, desktop);
        QFETCH(QPoint, expected);
        QCOMPARE(InitialWindowPosition(screen, desktop, QSize(1000, 750)), expected);
    }

    void dialogFilter_convertsPairs()
    {
        QCOMPARE(DialogFilter(QStringLiteral("Text files|*.txt;*.csv;*.tab")),
                 QStringLiteral("Text files (*.txt *.csv *.tab)"));
        QCOMPARE(DialogFilter(QStringLiteral("A|*.a|B|*.b")), QStringLiteral("A (*.a);;B (*.b)"));
    }

    void application_reportsFailureLeavingHandler()
    {
        auto* app = static_cast<TApplication*>(QCoreApplication::instance());
        app->SetPrompt(&Prompt);
        TFailingObject failing;
        QEvent event(QEvent::User);
        QCoreApplication::sendEvent(&failing, &event);
        app->SetPrompt(nullptr);
        QCOMPARE(Prompt.Errors, QStringList{QStringLiteral("handler failed on purpose")});
    }
};

int main(int argc, char* argv[])
{
    TApplication app(argc, argv);
    TestUnit1 test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestUnit1.moc"
