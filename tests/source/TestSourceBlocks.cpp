// The loader reads and decodes a file block by block. Whatever the block size,
// its rows must be those of the whole text split into lines and parsed as one
// table: these cases put block edges inside quoted cells, CR LF pairs, UTF-8
// sequences, UTF-16 units and surrogate pairs, marks and NULs.
#include "core/TextDecoder.h"
#include "source/SourceFile.h"
#include "source/csvdata.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

namespace
{
struct TLoaded
{
    bool Invalid = false;
    QChar Delimiter = QLatin1Char('x');
    QStringList Lines;
    QStringList Log;
};

bool Blank(const QString& line)
{
    for (const QChar c : line)
        if (c.unicode() > u' ')
            return false;
    return true;
}

// The loader's result built the plain way: whole text, lines, one parser table.
TLoaded Expected(const QByteArray& bytes)
{
    TLoaded result;
    const QStringList lines = SplitTextLines(DecodeText(bytes));
    TRunLog log;
    const int found = DetectDelimiter(lines, log);
    if (found == 0) {
        result.Invalid = true;
        result.Lines = lines;
        result.Log = log.AllLines();
        return result;
    }
    result.Delimiter = found == 1 ? QLatin1Char('\t') : QLatin1Char(',');
    log.Add(found == 1 ? QStringLiteral("Tab delimiters found") : QStringLiteral("Comma delimiters found"));
    result.Log = log.AllLines();
    TTextParser parser;
    parser.SetDelim(result.Delimiter);
    parser.SetQuote(found == 2 ? QChar(u'"') : QChar(0));
    parser.Push_TStringList_Into_Array(lines);
    for (int r = 0; r < parser.Rows(); ++r) {
        QStringList cells;
        for (int c = 0; c < parser.Cols(); ++c)
            cells.append(parser.Cell(r, c).replace(QLatin1String("\r\n"), QLatin1String("[br]")));
        const QString line = cells.join(QLatin1Char('\t'));
        if (!Blank(line))
            result.Lines.append(line);
    }
    return result;
}

// All the bytes of a literal that holds NULs, without its terminating one: the
// length comes from the literal itself, so it can never run past the end.
template <size_t N>
QByteArray Bytes(const char (&literal)[N])
{
    return QByteArray(literal, qsizetype(N - 1));
}

QByteArray Utf16(const QString& text, QStringEncoder::Encoding encoding)
{
    QStringEncoder encoder(encoding, QStringEncoder::Flag::WriteBom);
    return encoder.encode(text);
}

// Rows of the kind a spreadsheet exports, with quoted commas, doubled quotes
// and line breaks inside cells, long enough to span several default blocks.
QByteArray Export(int rows)
{
    QByteArray bytes;
    for (int r = 0; r < rows; ++r) {
        const QByteArray n = QByteArray::number(r);
        bytes += n + ",\"Maple, Street " + n + "\",\"says \"\"hi\"\" " + n + "\",\"line\r\nbreak\",café " + n +
                 ",€\r\n";
    }
    return bytes;
}
} // namespace

class TestSourceBlocks : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir Dir;

    TLoaded Load(const QByteArray& bytes, qsizetype blockBytes)
    {
        const QString path = Dir.filePath(QStringLiteral("in.txt"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            qFatal("cannot write a test file");
        file.close();
        TLoaded result;
        TRunLog log;
        QString error;
        result.Lines = QStringList{QStringLiteral("previous")};
        result.Invalid = ReadSourceTable(path, result.Lines, result.Delimiter, log, &error, blockBytes);
        result.Log = log.AllLines();
        if (!error.isEmpty())
            qFatal("readable file reported unreadable");
        return result;
    }

private slots:
    void SameForEveryBlockSize_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("quoted cell with comma, doubled quote and CR LF")
            << QByteArray("id,note,x\r\n1,\"a, b \"\"c\"\"\r\nd\",e\r\n2,\"\"\"\",\"\r\n\r\n\"\r\n");
        QTest::newRow("block ends in a cell rebuilt after a doubled quote")
            << QByteArray("x,\"a\"\"bc\",d\r\ny,\"\"\"\"e,f\r\n");
        QTest::newRow("lone CR and lone LF among CR LF")
            << QByteArray("a,b\r\nc,\"d\re\"\n\rf,g\r\n\nh,\"i\n\r\nj\",k\r");
        QTest::newRow("only LF") << QByteArray("a,b\nc,\"d\ne\"\n,\n");
        QTest::newRow("UTF-8 without mark")
            << QByteArray("é,ü,€\r\n\xF0\x9F\x98\x80,\"x€\r\ny\xF0\x9F\x98\x80\",z\r\nend,ñ,ß");
        QTest::newRow("UTF-8 mark, second mark dropped, third kept")
            << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF\xEF\xBB\xBF" "a,b\r\n\xEF\xBB\xBF,c\r\n");
        QTest::newRow("UTF-8 mark with bad and cut sequences")
            << QByteArray("\xEF\xBB\xBF" "a,\xC3,b\r\n\xE2\x82,\xFF\xC3\xA9\r\nc,d,\xE2\x82");
        QTest::newRow("no mark, not UTF-8 late in the file")
            << QByteArray("a,b\r\n").repeated(40) + QByteArray("caf\xE9,\x80\x93\r\n");
        QTest::newRow("no mark, cut sequence at the end") << QByteArray("a,b\r\nc,d\r\n\xC3\xA9,\xC3");
        QTest::newRow("no mark, UTF-8 before a NUL, Windows-1252 after it")
            << Bytes("a,\xC3\xA9\r\nb,c\r\n\0\xE9");
        QTest::newRow("no mark, UTF-8 on both sides of a NUL") << Bytes("a,\xC3\xA9\r\n\0\xC3\xA9,,,\r\n");
        QTest::newRow("NUL right after CR") << Bytes("a,b\r\0\nc,d\r\n");
        QTest::newRow("NUL inside a quoted cell") << Bytes("a,\"b\r\nc\0\",d\r\ne,f\r\n");
        QTest::newRow("UTF-16LE surrogate pairs and a quoted break")
            << Utf16(QStringLiteral("😀,\"a\r\n😀\",b\r\nc,d\re\n"), QStringEncoder::Utf16LE);
        QTest::newRow("UTF-16BE with a NUL")
            << Utf16(QStringLiteral("a,😀\r\nb,c\r\n") + QChar(0) + QStringLiteral("d,e,f,g\r\n"),
                     QStringEncoder::Utf16BE);
        QTest::newRow("UTF-16LE second mark dropped, odd last byte")
            << Utf16(QStringLiteral("\uFEFFa,b\r\nc,\"d\"\r\n"), QStringEncoder::Utf16LE) + QByteArray("x");
        QTest::newRow("UTF-16LE lone surrogate")
            << Utf16(QStringLiteral("a,") + QChar(0xD800) + QStringLiteral(",b\r\n"), QStringEncoder::Utf16LE);
        QTest::newRow("tab file keeps quotes") << QByteArray("\"a\"\tb\r\n\"c\td\"\te\r\n\"\"\t\"\r\n");
        QTest::newRow("ragged and blank rows") << QByteArray("a,b,c\r\n , \x01\r\nd\r\n,\r\ne,f\r\n");
        QTest::newRow("unclosed quote") << QByteArray("a,b\r\nc,\"d\r\ne,f\r\ng,h\r\n");
        QTest::newRow("no final break, cell open across it") << QByteArray("a,b\r\nc,\"d\r\ne\"");
        QTest::newRow("no delimiter: raw lines") << QByteArray("é\r\nb\rc\n,\r\n");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("only a mark") << QByteArray("\xEF\xBB\xBF");
        QTest::newRow("only breaks") << QByteArray("\r\n\r\n\n\r");
    }
    void SameForEveryBlockSize()
    {
        QFETCH(QByteArray, bytes);
        const TLoaded expected = Expected(bytes);
        for (const qsizetype blockBytes : {1, 2, 3, 4, 5, 7, 16, int(SourceBlockBytes)}) {
            const TLoaded loaded = Load(bytes, blockBytes);
            if (loaded.Lines != expected.Lines || loaded.Log != expected.Log)
                qWarning("block size %lld", qint64(blockBytes));
            QCOMPARE(loaded.Lines, expected.Lines);
            QCOMPARE(loaded.Log, expected.Log);
            QCOMPARE(loaded.Invalid, expected.Invalid);
            if (!expected.Invalid)
                QCOMPARE(loaded.Delimiter, expected.Delimiter);
        }
    }

    // Several default-sized blocks, with rows and quoted breaks across their edges.
    void LargeExportSpansBlocks()
    {
        const QByteArray bytes = Export(12000);
        QVERIFY(bytes.size() > 3 * SourceBlockBytes);
        const TLoaded expected = Expected(bytes);
        QCOMPARE(expected.Lines.size(), 12000);
        for (const qsizetype blockBytes : {qsizetype(4093), SourceBlockBytes}) {
            const TLoaded loaded = Load(bytes, blockBytes);
            QVERIFY(!loaded.Invalid);
            QCOMPARE(loaded.Lines, expected.Lines);
        }
    }

    // A file that is not UTF-8 is read as Windows-1252 even when the bad byte
    // comes many blocks after the start.
    void Windows1252FoundLate()
    {
        const QByteArray bytes = Export(3000) + QByteArray("last,\x93quoted\x94,\xE9\r\n");
        const TLoaded loaded = Load(bytes, 1024);
        QVERIFY(!loaded.Invalid);
        QCOMPARE(loaded.Lines.last(), QStringLiteral("last\t\u201Cquoted\u201D\t\u00E9\t\t\t"));
        QCOMPARE(loaded.Lines.first().section(QLatin1Char('\t'), 4, 4), QStringLiteral("caf\u00C3\u00A9 0"));
    }
};

QTEST_GUILESS_MAIN(TestSourceBlocks)
#include "TestSourceBlocks.moc"
