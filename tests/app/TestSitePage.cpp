#include "WindowTestSupport.h"
#include "SandboxProcess.h"
#include "ScriptedPrompt.h"
#include "app/Unit1.h"
#include "exchange/Exchange.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace
{
// The service's documented demo account.
const QString DemoPassword = QStringLiteral("sandbox-demo");

QStringList Names(const QComboBox* box)
{
    QStringList names;
    for (int i = 0; i < box->count(); ++i)
        names << box->itemText(i);
    return names;
}

QList<int> Numbers(const QComboBox* box)
{
    QList<int> numbers;
    for (int i = 0; i < box->count(); ++i)
        numbers << box->itemData(i).toInt();
    return numbers;
}
} // namespace

class TestSitePage : public QObject
{
    Q_OBJECT

    TSandboxProcess Sandbox;
    QTemporaryDir SandboxDir;
    std::unique_ptr<QTemporaryDir> Dir;
    TScriptedPrompt Prompt;

    // A shown window on the test page with the credentials boxes filled.
    std::unique_ptr<TForm1> MakeForm(const QString& password = DemoPassword)
    {
        auto form = MakeTestWindow(*Dir, Prompt, {Sandbox.Host(), Sandbox.CAFile()});
        form->Timer1->stop();
        form->Edit1->setText(QStringLiteral("123-456-789"));
        form->Edit2->setText(QStringLiteral(" demo@example.org "));
        form->Edit3->setText(password);
        form->ConfigureConnection();
        form->ShowPage(form->TabSheet5);
        return form;
    }

    // The log lines written since `before` lines were there.
    static QStringList LogSince(const TForm1& form, qsizetype before) { return form.RunLog.AllLines().mid(before); }

    static QString Changed(const QString& number, const QString& how)
    {
        return QStringLiteral("SiteNumber changed to ") + number + QStringLiteral(" (") + how + QLatin1Char(')');
    }

private slots:
    void initTestCase() { QVERIFY2(Sandbox.Start(SandboxDir.path()), qPrintable(Sandbox.ErrorText())); }
    void init()
    {
        QVERIFY(Sandbox.Reset());
        Dir = std::make_unique<QTemporaryDir>();
        Prompt = TScriptedPrompt();
    }
    void cleanup() { QVERIFY2(Prompt.Failures.isEmpty(), qPrintable(Prompt.Failures.join(QLatin1Char('\n')))); }

    void loadSiteList_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("several");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<int>>("numbers");
        QTest::newRow("error page") << "ERROR\r\n" << false << QStringList() << QList<int>();
        QTest::newRow("empty") << "" << false << QStringList() << QList<int>();
        QTest::newRow("one site") << "SI_4=Only\r\n" << false << QStringList{"Only"} << QList<int>{4};
        QTest::newRow("two sites, other lines ignored")
            << "OK\r\nSI_1=North Branch\nsi_3=lower\rSI_2=South Branch" << true
            << QStringList{"North Branch", "South Branch"} << QList<int>{1, 2};
        QTest::newRow("odd numbers, '=' in names, duplicates kept")
            << "SI_x=Odd\r\nSI_7=A=B\r\nSI_9\r\nSI_7=A=B\r\n" << true << QStringList{"Odd", "A=B", "9", "A=B"}
            << QList<int>{0, 7, 0, 7};
    }
    void loadSiteList()
    {
        QFETCH(QString, reply);
        QFETCH(bool, several);
        QFETCH(QStringList, names);
        QFETCH(QList<int>, numbers);
        auto form = MakeForm();
        // Leftovers of an earlier visit are replaced.
        form->ComboBox1->addItem(QStringLiteral("stale"), 99);
        form->ComboBox1->setEditText(QStringLiteral("typed"));
        const qsizetype before = form->RunLog.AllLines().size();

        QCOMPARE(form->LoadSiteList(reply), several);
        QCOMPARE(Names(form->ComboBox1), names);
        QCOMPARE(Numbers(form->ComboBox1), numbers);
        if (several) {
            QCOMPARE(form->ComboBox1->currentIndex(), 0);
            QCOMPARE(form->ComboBox1->currentText(), names.first());
            QVERIFY(!form->ComboBox1->isEnabled());
        }
        for (QWidget* control : std::initializer_list<QWidget*>{form->Label25, form->RadioButton18,
                                                                 form->RadioButton19, form->ComboBox1})
            QCOMPARE(control->isVisibleTo(form->TabSheet6), several);
        // Filling the list is nobody's choice of Site.
        QCOMPARE(form->SiteNumber, QStringLiteral("0"));
        QCOMPARE(LogSince(*form, before), QStringList());
    }

    void loadSiteList_enablesListWhenSiteChosenBefore()
    {
        auto form = MakeForm();
        form->LoadSiteList(QStringLiteral("SI_1=North\r\nSI_2=South"));
        form->RadioButton19->click();
        form->ComboBox1->setCurrentIndex(1);
        QCOMPARE(form->SiteNumber, QStringLiteral("2"));

        // A second visit refills the list and selects its first item, without choosing it.
        QVERIFY(form->LoadSiteList(QStringLiteral("SI_5=East\r\nSI_6=West")));
        QVERIFY(form->ComboBox1->isEnabled());
        QCOMPARE(form->ComboBox1->currentText(), QStringLiteral("East"));
        QCOMPARE(form->SiteNumber, QStringLiteral("2"));
    }

    void siteChoice_followsButtonsAndList()
    {
        auto form = MakeForm();
        form->LoadSiteList(QStringLiteral("SI_1=North Branch\r\nSI_2=South Branch\r\nSI_x=Odd"));
        const qsizetype before = form->RunLog.AllLines().size();

        form->RadioButton19->click();
        QVERIFY(form->ComboBox1->isEnabled());
        QCOMPARE(form->SiteNumber, QStringLiteral("1"));

        form->ComboBox1->setCurrentIndex(1);
        QCOMPARE(form->SiteNumber, QStringLiteral("2"));

        // A Site whose number is no number sends 0.
        form->ComboBox1->setCurrentIndex(2);
        QCOMPARE(form->SiteNumber, QStringLiteral("0"));

        form->ComboBox1->setCurrentIndex(1);
        // Typing a text that names no Site chooses none.
        form->ComboBox1->lineEdit()->selectAll();
        QTest::keyClicks(form->ComboBox1->lineEdit(), QStringLiteral("Zq"));
        QCOMPARE(form->ComboBox1->currentText(), QStringLiteral("Zq"));
        QCOMPARE(form->SiteNumber, QStringLiteral("0"));
        QCOMPARE(form->ComboBox1->count(), 3);
        // ... also when the other button is then clicked again.
        form->RadioButton18->click();
        form->RadioButton19->click();
        QCOMPARE(form->SiteNumber, QStringLiteral("0"));

        form->ComboBox1->setCurrentIndex(0);
        QCOMPARE(form->SiteNumber, QStringLiteral("1"));
        form->RadioButton18->click();
        QVERIFY(!form->ComboBox1->isEnabled());
        QCOMPARE(form->SiteNumber, QStringLiteral("0"));
        // With no single Site chosen, a list change keeps it at 0.
        form->ComboBox1->setCurrentIndex(1);
        QCOMPARE(form->SiteNumber, QStringLiteral("0"));

        const QString click = QStringLiteral("SiteSelectionClick");
        const QString combo = QStringLiteral("ComboBox change");
        QCOMPARE(LogSince(*form, before),
                 QStringList({Changed("1", click), Changed("2", combo), Changed("0", combo), Changed("2", combo),
                              Changed("0", combo), Changed("0", combo), Changed("0", click), Changed("0", click),
                              Changed("1", combo), Changed("0", click), Changed("0", combo)}));
    }

    void next_sitesOfDemoAccount_openSitePage()
    {
        auto form = MakeForm();
        form->Button8->setEnabled(true);
        form->Button6->click();
        QCOMPARE(Sandbox.Requests(),
                 QStringList(QStringLiteral("AC=123456789&EL=demo@example.org&EP=sandbox-demo&RT=32")));
        QCOMPARE(form->PageControl1->currentWidget(), form->TabSheet6);
        QCOMPARE(Names(form->ComboBox1), QStringList({QStringLiteral("North Branch"), QStringLiteral("South Branch")}));
        QCOMPARE(form->AccountNumber, QStringLiteral("123456789"));
        QCOMPARE(form->LoginName, QStringLiteral("demo@example.org"));
        QVERIFY(!form->Button8->isEnabled());
        QVERIFY(!form->Exchange->Waiting);

        form->Button15->click();
        QCOMPARE(form->PageControl1->currentWidget(), form->TabSheet7);
    }

    void next_passwordSentAsTyped_refusalGoesToImportPage()
    {
        auto form = MakeForm(QStringLiteral(" a b&%41 "));
        form->Button6->click();
        QCOMPARE(Sandbox.Requests(),
                 QStringList(QStringLiteral("AC=123456789&EL=demo@example.org&EP=a b&%41&RT=32")));
        // An error reply names no Site: straight on to the import.
        QCOMPARE(form->PageControl1->currentWidget(), form->TabSheet7);
        QVERIFY(!form->Label25->isVisibleTo(form->TabSheet6));
        QCOMPARE(form->SiteNumber, QStringLiteral("0"));
    }
};

QTEST_MAIN(TestSitePage)
#include "TestSitePage.moc"
