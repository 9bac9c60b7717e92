#include "WindowTestSupport.h"
#include "ScriptedPrompt.h"
#include "app/Unit1.h"
#include "mapping/FieldCatalogue.h"

#include <QFile>
#include <QFrame>
#include <QHeaderView>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace
{
// Keeps the titles of error boxes as well.
class TTitledPrompt : public TScriptedPrompt
{
public:
    void ShowError(const QString& text, const QString& title) override
    {
        Titles.append(title);
        TScriptedPrompt::ShowError(text, title);
    }
    QStringList Titles;
};

const QString InvalidText = QStringLiteral("Invalid source file format. The source file does not appear to be tab or "
                                           "comma delimited. Check the source file format and then try again.");
const QString EmptyText = QStringLiteral("Source file appears empty. The source file does not appear to contain any "
                                         "tab or comma delimited data. Check the source file and then try again.");

// Rows of tab-separated cells "r<row>c<column>".
QByteArray TabFile(int rows, int columns)
{
    QByteArray bytes;
    for (int r = 1; r <= rows; ++r) {
        for (int c = 1; c <= columns; ++c) {
            if (c > 1)
                bytes += '\t';
            bytes += "r" + QByteArray::number(r) + "c" + QByteArray::number(c);
        }
        bytes += "\r\n";
    }
    return bytes;
}
} // namespace

class TestFilePage : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> Dir;
    TTitledPrompt Prompt;

    std::unique_ptr<TForm1> MakeForm()
    {
        auto form = MakeTestWindow(*Dir, Prompt);
        return form;
    }

    QString WriteFile(const QString& name, const QByteArray& bytes) { return WriteTestFile(*Dir, name, bytes); }

    static QStringList LogSince(const TForm1& form, qsizetype before) { return form.RunLog.AllLines().mid(before); }

private slots:
    void init()
    {
        Dir = std::make_unique<QTemporaryDir>();
        Prompt = TTitledPrompt();
    }
    void cleanup() { QVERIFY2(Prompt.Failures.isEmpty(), qPrintable(Prompt.Failures.join(QLatin1Char('\n')))); }

    void show_enablesNextByNameOnly_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("missing file still counts") << QStringLiteral("/no/such/file.txt") << true;
        QTest::newRow("blank is a name") << QStringLiteral(" ") << true;
    }
    void show_enablesNextByNameOnly()
    {
        QFETCH(QString, fileName);
        QFETCH(bool, enabled);
        auto form = MakeForm();
        form->FileName = fileName;
        form->ShowPage(form->TabSheet3);
        QCOMPARE(form->Button4->isEnabled(), enabled);
        // Browse sits 15 px right of the name box at its height; the gauge lines up with Next.
        QCOMPARE(form->Button13->x(), form->Edit4->geometry().right() + 1 + 15);
        QCOMPARE(form->Button13->y(), form->Edit4->y());
        QCOMPARE(form->Gauge2->x(), form->Button4->x());
    }

    void exit_enablesNextOnlyForExistingFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("existing") << QStringLiteral("data.txt") << true;
        QTest::newRow("missing") << QStringLiteral("gone.txt") << false;
        QTest::newRow("directory") << QString() << false;
    }
    void exit_enablesNextOnlyForExistingFile()
    {
        QFETCH(QString, name);
        QFETCH(bool, enabled);
        WriteFile(QStringLiteral("data.txt"), "a\tb\r\n");
        auto form = MakeForm();
        const QString path = name.isEmpty() ? Dir->path() : Dir->filePath(name);
        form->Edit4->setText(path);
        form->Button4->setEnabled(!enabled);
        form->Edit4Exit();
        QCOMPARE(form->FileName, path);
        QCOMPARE(form->Button4->isEnabled(), enabled);
    }

    void browse_takesChosenFile()
    {
        const QString path = WriteFile(QStringLiteral("people.csv"), "a,b\r\n");
        auto form = MakeForm();
        form->FileName = Dir->filePath(QStringLiteral("old.txt"));
        Prompt.QueueFileName(path);
        form->Button13->click();
        QCOMPARE(Prompt.Shown, QStringList{QStringLiteral("Text files|*.txt;*.csv;*.tab")});
        QCOMPARE(form->Edit4->text(), path);
        QCOMPARE(form->FileName, path);
        QVERIFY(form->Button4->isEnabled());
    }

    void browse_cancelled_keepsNameAndChecksIt()
    {
        auto form = MakeForm();
        const QString missing = Dir->filePath(QStringLiteral("old.txt"));
        form->FileName = missing;
        form->Edit4->setText(missing);
        form->Button4->setEnabled(true);
        Prompt.QueueFileName(QString());
        form->Button13Click();
        QCOMPARE(form->FileName, missing);
        QVERIFY(!form->Button4->isEnabled());
    }

    void show_selectsRecordKind_data()
    {
        QTest::addColumn<int>("fileType");
        QTest::addColumn<int>("expectedType");
        QTest::addColumn<int>("button");
        QTest::newRow("volunteer") << 2 << 2 << 0;
        QTest::newRow("flags") << 7 << 7 << 5;
        QTest::newRow("skill") << 18 << 18 << 16;
        QTest::newRow("unknown falls back") << 1 << 2 << 0;
        QTest::newRow("too high falls back") << 19 << 2 << 0;
    }
    void show_selectsRecordKind()
    {
        QFETCH(int, fileType);
        QFETCH(int, expectedType);
        QFETCH(int, button);
        auto form = MakeForm();
        form->LoadFieldCatalogue(QStringLiteral("x\r\n1\t2\t0\tLast name\t0\r\n"));
        QCOMPARE(form->FieldCatalogue.Entries[1].TabNo, quint16(1));
        form->FileType = quint16(fileType);
        form->ShowPage(form->TabSheet3);
        QCOMPARE(int(form->FileType), expectedType);
        QVERIFY(form->RecordKindButtons.at(button)->isChecked());
        // The first selection changes the state, which clears the catalogue entries.
        QCOMPARE(form->FieldCatalogue.Entries[1].TabNo, quint16(0));

        // Shown again with the same kind: nothing changes state, so a new catalogue stays.
        form->LoadFieldCatalogue(QStringLiteral("x\r\n1\t2\t0\tLast name\t0\r\n"));
        form->ShowPage(form->TabSheet2);
        form->ShowPage(form->TabSheet3);
        QCOMPARE(form->FieldCatalogue.Entries[1].TabNo, quint16(1));
    }

    void load_reportsBadFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("logLine");
        QTest::newRow("no delimiter") << QByteArray("just words\r\nmore words\r\n") << InvalidText
                                      << QStringLiteral("Invalid source file format");
        QTest::newRow("nothing at all") << QByteArray() << InvalidText << QStringLiteral("Invalid source file format");
        QTest::newRow("only delimiters") << QByteArray(",,,\r\n , ,\r\n") << EmptyText
                                         << QStringLiteral("Source file empty");
    }
    void load_reportsBadFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        QFETCH(QString, logLine);
        auto form = MakeForm();
        form->FileName = WriteFile(QStringLiteral("bad.txt"), TabFile(3, 4));
        form->LoadSourceFile();
        QCOMPARE(form->StringGrid1->rowCount(), 3);
        // A column was mapped on an earlier visit.
        form->Button10->setEnabled(true);

        form->FileName = WriteFile(QStringLiteral("bad2.txt"), content);
        form->Button4->setEnabled(false);
        const qsizetype before = form->RunLog.AllLines().size();
        form->LoadSourceFile();
        form->StringGrid1Click();
        QCOMPARE(Prompt.Errors, QStringList{message});
        QCOMPARE(Prompt.Titles, QStringList{QStringLiteral("Error")});
        const QStringList log = LogSince(*form, before);
        QCOMPARE(log.first(), QStringLiteral("Source file: ") + form->FileName);
        QCOMPARE(log.last(), logLine);
        QVERIFY(!form->Button4->isEnabled());
        // Neither file can be imported: the grid shows no row, there is no row to send,
        // nothing to map, and the mapping page's Next stays disabled.
        QCOMPARE(form->StringGrid1->rowCount(), 0);
        QCOMPARE(form->StringGrid1->columnCount(), 0);
        QVERIFY(form->SourceLines.isEmpty());
        QVERIFY(!form->Panel1->isEnabled());
        QVERIFY(!form->Button10->isEnabled());
    }

    void load_unreadableFile_leavesNothingToImport()
    {
        auto form = MakeForm();
        form->FileName = WriteFile(QStringLiteral("good.txt"), TabFile(2, 3));
        form->LoadSourceFile();
        QCOMPARE(form->SourceLines.size(), 2);
        QCOMPARE(form->StringGrid1->item(1, 2)->text(), QStringLiteral("r2c3"));

        // The earlier file's rows are not sent under the new file's name.
        form->FileName = Dir->filePath(QStringLiteral("removed.txt"));
        form->LoadSourceFile();
        QCOMPARE(Prompt.Errors.size(), 1);
        QVERIFY(Prompt.Errors.first().contains(form->FileName));
        QCOMPARE(Prompt.Titles, QStringList{QStringLiteral("Error")});
        QVERIFY(form->SourceLines.isEmpty());
        QCOMPARE(form->StringGrid1->rowCount(), 0);
    }

    void grid_showsFirstHundredRows()
    {
        auto form = MakeForm();
        form->FileName = WriteFile(QStringLiteral("long.txt"), TabFile(150, 3));
        form->Button4->setEnabled(false);
        form->LoadSourceFile();
        QVERIFY(Prompt.Errors.isEmpty());
        QVERIFY(form->Button4->isEnabled());
        QCOMPARE(form->SourceLines.size(), 150);
        // Row numbers and column letters are the headers; the cells are the source cells.
        QCOMPARE(form->StringGrid1->rowCount(), 100);
        QCOMPARE(form->StringGrid1->columnCount(), 3);
        QCOMPARE(form->StringGrid1->verticalHeaderItem(99)->text(), QStringLiteral("100"));
        QCOMPARE(form->StringGrid1->item(99, 2)->text(), QStringLiteral("r100c3"));
        QCOMPARE(form->StringGrid1->item(0, 0)->text(), QStringLiteral("r1c1"));
        const QStringList header{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
        for (int column = 0; column < header.size(); ++column)
            QCOMPARE(form->StringGrid1->horizontalHeaderItem(column)->text(), header.at(column));
        QVERIFY(!form->StringGrid1->horizontalHeader()->isHidden());
        QVERIFY(!form->StringGrid1->verticalHeader()->isHidden());
        // The first source cell is current; cells can be chosen, nothing can be edited.
        QCOMPARE(form->StringGrid1->currentColumn(), 0);
        QCOMPARE(form->StringGrid1->currentRow(), 0);
        QVERIFY(form->StringGrid1->item(5, 1)->flags() & Qt::ItemIsSelectable);
        QVERIFY(!(form->StringGrid1->item(5, 1)->flags() & Qt::ItemIsEditable));
    }

    void grid_capsColumnsAtIV()
    {
        auto form = MakeForm();
        form->FileName = WriteFile(QStringLiteral("wide.txt"), TabFile(2, 300));
        form->LoadSourceFile();
        QCOMPARE(form->StringGrid1->columnCount(), 256);
        QCOMPARE(form->StringGrid1->horizontalHeaderItem(255)->text(), QStringLiteral("IV"));
        QCOMPARE(form->StringGrid1->item(1, 255)->text(), QStringLiteral("r2c256"));
        // Every source column stays in the rows for the import.
        QCOMPARE(form->SourceLines.at(0).count(QLatin1Char('\t')), 299);
    }

    void grid_neverShrinks()
    {
        auto form = MakeForm();
        form->FileName = WriteFile(QStringLiteral("wide.txt"), "a\tb\tc\tthe longest cell of all\te\r\n");
        form->LoadSourceFile();
        QCOMPARE(form->StringGrid1->columnCount(), 5);
        const int wide = form->StringGrid1->columnWidth(3);
        const int textWidth = QFontMetrics(form->StringGrid1->font()).horizontalAdvance(
            QStringLiteral("the longest cell of all"));
        QVERIFY2(wide >= textWidth + 10, qPrintable(QString::number(wide)));
        QVERIFY(form->StringGrid1->columnWidth(0) < wide);

        form->FileName = WriteFile(QStringLiteral("narrow.txt"), "x\ty\r\nz\tw\r\n");
        form->LoadSourceFile();
        QCOMPARE(form->StringGrid1->columnCount(), 5);
        QCOMPARE(form->StringGrid1->rowCount(), 2);
        QCOMPARE(form->StringGrid1->item(0, 1)->text(), QStringLiteral("y"));
        QCOMPARE(form->StringGrid1->item(0, 3)->text(), QString());
        QCOMPARE(form->StringGrid1->horizontalHeaderItem(4)->text(), QStringLiteral("E"));
        QCOMPARE(form->StringGrid1->columnWidth(3), wide);
    }
};

QTEST_MAIN(TestFilePage)
#include "TestFilePage.moc"
