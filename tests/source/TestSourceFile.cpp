#include "source/SampleGrid.h"
#include "source/SourceFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace
{
const QString kDataDir = QStringLiteral(QIMPORT_TEST_DATA "/source/");

QStringList Lines(const QString& joined)
{
    return joined.isEmpty() ? QStringList() : joined.split(QLatin1Char('|'));
}
} // namespace

class TestSourceFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir Dir;

    QString Write(const QString& name, const QByteArray& bytes)
    {
        const QString path = Dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            qFatal("cannot write a test file");
        return path;
    }

    QStringList Read(const QByteArray& bytes, bool* invalid = nullptr, QChar* delimiter = nullptr)
    {
        const QString path = Write(QStringLiteral("in.txt"), bytes);
        QStringList lines{QStringLiteral("previous")};
        QChar found = QLatin1Char('x');
        TRunLog log;
        const bool result = ReadSourceTable(path, lines, found, log);
        if (invalid)
            *invalid = result;
        if (delimiter)
            *delimiter = found;
        return lines;
    }

private slots:
    void Detect_data()
    {
        QTest::addColumn<QString>("lines"); // '|' separates lines
        QTest::addColumn<int>("expected");
        QTest::addColumn<QString>("logLine");
        const QString none = QStringLiteral(" Comma & Tab counts were less than text file line count, setting delimiter "
                                            "result as 0.");
        QTest::newRow("no lines") << QString() << 0
                                  << QStringLiteral(" No lines in text file, setting delimiter result as 0.");
        QTest::newRow("tabs only") << "a\tb\tc|d\te\tf|g\th\ti" << 1 << QString();
        QTest::newRow("9 commas 3 tabs") << "a,b,c,d\tx|a,b,c,d\tx|a,b,c,d\tx" << 2 << QString();
        QTest::newRow("tie goes to tab") << "a,b\tc|d|e,f\tg,h\ti" << 1 << QString();
        QTest::newRow("9 commas 10 lines") << "a,b,c,d,e,f,g,h,i,j|||||||||" << 0 << none;
        QTest::newRow("10 commas one line") << "a,b,c,d,e,f,g,h,i,j,k|||||||||" << 2 << QString();
        QTest::newRow("both below") << "a,b|c\td|e" << 0 << none;
        QTest::newRow("commas equal to lines") << "a,b|c,d" << 2 << QString();
    }
    void Detect()
    {
        QFETCH(QString, lines);
        QFETCH(int, expected);
        QFETCH(QString, logLine);
        TRunLog log;
        QCOMPARE(DetectDelimiter(Lines(lines), log), expected);
        QCOMPARE(log.AllLines(), logLine.isEmpty() ? QStringList() : QStringList{logLine});
    }

    void Rebuild_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected"); // '|' separates rows
        QTest::addColumn<QChar>("delimiter");
        QTest::newRow("quoted break") << QByteArray("n,note,x\r\n1,\"one\r\ntwo\",y\r\n")
                                      << "n\tnote\tx|1\tone[br]two\ty"
                                      << QChar(u',');
        QTest::newRow("tab in quoted comma cell") << QByteArray("a,b\r\n\"x\ty\",z\r\n") << "a\tb|x\ty\tz"
                                                  << QChar(u',');
        QTest::newRow("quotes stay in tab file") << QByteArray("\"a\"\tb\n\"\"\tc\n") << "\"a\"\tb|\"\"\tc"
                                                 << QChar(u'\t');
        QTest::newRow("ragged padded") << QByteArray("a,b,c\nd\ne,f\n") << "a\tb\tc|d\t\t|e\tf\t" << QChar(u',');
        QTest::newRow("blank rows left out") << QByteArray("a,b\n , \x01\n,\n\t,\nc,d\n") << "a\tb|c\td"
                                             << QChar(u',');
        QTest::newRow("non-breaking space is content") << QByteArray("a,b\n\xC2\xA0,\n") << "a\tb|\u00A0\t"
                                                       << QChar(u',');
        QTest::newRow("LF only") << QByteArray("a,b,\nc,\"d\ne\",\n") << "a\tb\t|c\td[br]e\t" << QChar(u',');
        QTest::newRow("CR only") << QByteArray("a,b,\rc,\"d\re\",\r") << "a\tb\t|c\td[br]e\t" << QChar(u',');
        QTest::newRow("no final break") << QByteArray("a,b\r\nc,d") << "a\tb|c\td" << QChar(u',');
        QTest::newRow("NUL ends text") << QByteArray("a,b\nc,d\n\0e,f\n", 14) << "a\tb|c\td" << QChar(u',');
        QTest::newRow("unclosed quote") << QByteArray("a,b\nc,\"d\ne,f\n") << "a\tb" << QChar(u',');
        QTest::newRow("only a break cell") << QByteArray("a,b,\n\"\n\",,\n") << "a\tb\t|[br]\t\t" << QChar(u',');
    }
    void Rebuild()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QFETCH(QChar, delimiter);
        bool invalid = true;
        QChar found;
        QCOMPARE(Read(bytes, &invalid, &found), Lines(expected));
        QVERIFY(!invalid);
        QCOMPARE(found, delimiter);
    }

    void Fixtures_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("delimiterLine");
        QTest::newRow("comma export") << "volunteers_comma.csv"
                                      << QStringList{"First Name\tLast Name\tEmail\tNotes\tHours",
                                                     "Ada\tBrightwater\tada@example.org\tPrefers mornings, "
                                                     "weekends[br]Drives a van\t12",
                                                     "Ben\tO'Neil\tben@example.org\tSaid \"yes\" to the gala\t3",
                                                     "Cleo\tMarsh\t\t\t", "Dov\tFerns\tdov@example.org\tShort row\t"}
                                      << "Comma delimiters found";
        QTest::newRow("tab export") << "volunteers_tab.txt"
                                    << QStringList{"Name\tRole\tQuote", "Erin Vale\tDriver\tShe said \"call me\"",
                                                   "Finn Rowe\t\"Lead\"\t5\" tall sign", "Gus Holt\tHelper\t"}
                                    << "Tab delimiters found";
        QTest::newRow("Windows-1252") << "volunteers_1252.csv"
                                      << QStringList{"Name\tCity\tNote", u"Ren\u00E9e\tZ\u00FCrich\tPaid \u20AC 5"_qs,
                                                     u"Jo\tCork\tIt\u2019s fine"_qs}
                                      << "Comma delimiters found";
        QTest::newRow("UTF-8 mark") << "volunteers_utf8bom.txt"
                                    << QStringList{"Name\tCity", u"Ren\u00E9e\tZ\u00FCrich"_qs}
                                    << "Tab delimiters found";
        QTest::newRow("UTF-16LE mark") << "volunteers_utf16le.csv"
                                       << QStringList{"Name\tCity", u"Ren\u00E9e\tZ\u00FCrich"_qs}
                                       << "Comma delimiters found";
        QTest::newRow("UTF-16BE mark") << "volunteers_utf16be.csv"
                                       << QStringList{"Name\tCity", u"Ren\u00E9e\tZ\u00FCrich"_qs}
                                       << "Comma delimiters found";
    }
    void Fixtures()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, expected);
        QFETCH(QString, delimiterLine);
        QStringList lines;
        QChar delimiter;
        TRunLog log;
        QVERIFY(!ReadSourceTable(kDataDir + file, lines, delimiter, log));
        QCOMPARE(lines, expected);
        QCOMPARE(log.AllLines(), QStringList{delimiterLine});
    }

    void InvalidKeepsRawLines()
    {
        bool invalid = false;
        QChar found;
        QCOMPARE(Read("one\ntwo, three\r\nfour\n", &invalid, &found), (QStringList{"one", "two, three", "four"}));
        QVERIFY(invalid);
        QCOMPARE(found, QLatin1Char('x')); // the delimiter of the last good load stays
    }

    void Load_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("tail"); // the log after the save point
        QTest::newRow("loaded") << QByteArray("a,b,\n\"c\nd\",e,\n") << int(TSourceStatus::Loaded)
                                << QStringList{"Comma delimiters found", "Source file size: 17", "Source line count: 2"};
        QTest::newRow("invalid") << QByteArray("abc\ndef\n") << int(TSourceStatus::Invalid)
                                 << QStringList{" Comma & Tab counts were less than text file line count, setting "
                                                "delimiter result as 0.",
                                                "Source file size: 10", "Source line count: 2",
                                                "Invalid source file format"};
        QTest::newRow("empty file") << QByteArray() << int(TSourceStatus::Invalid)
                                    << QStringList{" No lines in text file, setting delimiter result as 0.",
                                                   "Source file size: 0", "Source line count: 0",
                                                   "Invalid source file format"};
        QTest::newRow("only blank rows") << QByteArray(" , \n,,\n") << int(TSourceStatus::Empty)
                                         << QStringList{"Comma delimiters found", "Source file size: 0",
                                                        "Source line count: 0", "Source file empty"};
        QTest::newRow("quote never closed") << QByteArray("\"a,b\nc,d\n") << int(TSourceStatus::Empty)
                                            << QStringList{"Comma delimiters found", "Source file size: 0",
                                                           "Source line count: 0", "Source file empty"};
    }
    void Load()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, status);
        QFETCH(QStringList, tail);
        const QString path = Write(QStringLiteral("load.csv"), bytes);
        const QString logPath = Dir.filePath(QStringLiteral("Log.txt"));
        QFile::remove(logPath);
        QStringList lines{QStringLiteral("old")};
        QChar delimiter;
        TRunLog log;
        const TSourceLoad load = LoadSourceLines(path, lines, delimiter, log, logPath);
        QCOMPARE(int(load.Status), status);
        QCOMPARE(log.AllLines(), QStringList{"Source file: " + path} + tail);
        QCOMPARE(load.Count, lines.size());
        // The log was saved before reading, holding only the file name line.
        QFile saved(logPath);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), ("Source file: " + path + "\r\n").toUtf8());
    }

    void UnreadableKeepsPreviousLines()
    {
        QStringList lines{QStringLiteral("kept\trow")};
        QChar delimiter = QLatin1Char('\t');
        TRunLog log;
        const QString missing = Dir.filePath(QStringLiteral("gone.csv"));
        const TSourceLoad load =
            LoadSourceLines(missing, lines, delimiter, log, Dir.filePath(QStringLiteral("no/such/dir/Log.txt")));
        QCOMPARE(load.Status, TSourceStatus::Unreadable);
        QVERIFY(!load.Error.isEmpty());
        QCOMPARE(lines, QStringList{QStringLiteral("kept\trow")});
        QCOMPARE(delimiter, QLatin1Char('\t'));
        QCOMPARE(log.AllLines(), (QStringList{"Source file: " + missing, "Unable to read source file: " + load.Error}));
        QVERIFY(UnreadableFileMessage(missing, load.Error).contains(missing));
        QVERIFY(UnreadableFileMessage(missing, load.Error).contains(load.Error));

        QString error;
        QVERIFY(ReadSourceTable(Dir.path(), lines, delimiter, log, &error)); // a folder cannot be read as a file
        QVERIFY(!error.isEmpty());
        QCOMPARE(lines, QStringList{QStringLiteral("kept\trow")});
    }

    void Messages()
    {
        QCOMPARE(InvalidFormatMessage(), QStringLiteral("Invalid source file format. The source file does not appear to "
                                                        "be tab or comma delimited. Check the source file format and "
                                                        "then try again."));
        QCOMPARE(EmptyFileMessage(), QStringLiteral("Source file appears empty. The source file does not appear to "
                                                    "contain any tab or comma delimited data. Check the source file "
                                                    "and then try again."));
        QCOMPARE(ErrorTitle(), QStringLiteral("Error"));
    }

    void SampleOf150Rows()
    {
        QByteArray bytes = "Heading,Second\r\n";
        for (int i = 2; i <= 150; ++i)
            bytes += "row" + QByteArray::number(i) + ",x\r\n";
        const QStringList lines = Read(bytes);
        QCOMPARE(lines.size(), 150);
        const QList<QStringList> rows = SampleGridRows(lines, std::min<int>(MaxSampleGridRows, int(lines.size())));
        QCOMPARE(rows.size(), 100);
        QCOMPARE(rows.first(), (QStringList{"1", "Heading", "Second"}));
        QCOMPARE(rows.last(), (QStringList{"100", "row100", "x"}));
        QCOMPARE(SampleGridColumns(0, rows), 3);
    }

    void SampleOf300Columns()
    {
        QByteArray row;
        for (int c = 1; c <= 300; ++c)
            row += "c" + QByteArray::number(c) + (c < 300 ? "," : "\r\n");
        const QStringList lines = Read(row + row);
        const QList<QStringList> rows = SampleGridRows(lines, 2);
        QCOMPARE(rows.first().size(), 301);
        const int cols = SampleGridColumns(5, rows);
        QCOMPARE(cols, MaxSampleGridColumns);
        const QStringList header = SampleGridHeader(cols);
        QCOMPARE(header.first(), QString());
        QCOMPARE(header.at(1), QStringLiteral("A"));
        QCOMPARE(header.last(), QStringLiteral("IV"));
    }

    void SampleColumnsNeverShrink_data()
    {
        QTest::addColumn<int>("previous");
        QTest::addColumn<int>("widest");
        QTest::addColumn<int>("expected");
        QTest::newRow("wider earlier file") << 40 << 4 << 40;
        QTest::newRow("grows") << 2 << 9 << 9;
        QTest::newRow("cap") << 10 << 400 << 257;
        QTest::newRow("exactly the cap") << 0 << 257 << 257;
        QTest::newRow("no rows") << 6 << 0 << 6;
    }
    void SampleColumnsNeverShrink()
    {
        QFETCH(int, previous);
        QFETCH(int, widest);
        QFETCH(int, expected);
        QList<QStringList> rows;
        if (widest > 0)
            rows = {QStringList(widest, QStringLiteral("v")), QStringList{"1"}};
        QCOMPARE(SampleGridColumns(previous, rows), expected);
    }

    void SampleRowsClamp()
    {
        const QStringList lines{"a\t\tc\t", "d"};
        QCOMPARE(SampleGridRows(lines, 5), (QList<QStringList>{{"1", "a", "", "c"}, {"2", "d"}}));
        QCOMPARE(SampleGridRows(lines, 0), QList<QStringList>());
        QCOMPARE(SampleGridRows(lines, -3), QList<QStringList>());
    }
};

QTEST_GUILESS_MAIN(TestSourceFile)
#include "TestSourceFile.moc"
