// qimport-cli's --help and its manual page must name the same options and exit codes, so a change
// to one without the other fails here.

#include <QtTest>

namespace
{
QStringList Sorted(QSet<QString> set)
{
    QStringList list(set.begin(), set.end());
    list.sort();
    return list;
}

QSet<QString> OptionsIn(const QString& text)
{
    QSet<QString> options;
    static const QRegularExpression option(QStringLiteral("(?<![\\w-])--[a-z][a-z-]*[a-z]"));
    for (const QRegularExpressionMatch& match : option.globalMatch(text))
        options.insert(match.captured());
    return options;
}

// The page as text: comments dropped, font changes removed, "\-" as "-".
QString PlainManText(const QString& roff)
{
    QStringList lines;
    for (const QString& line : roff.split(QLatin1Char('\n')))
        if (!line.startsWith(QLatin1String(".\\\"")))
            lines.append(line);
    QString text = lines.join(QLatin1Char('\n'));
    text.remove(QRegularExpression(QStringLiteral("\\\\f[BIRP]")));
    text.replace(QStringLiteral("\\-"), QStringLiteral("-"));
    return text;
}
} // namespace

class TestManPage : public QObject
{
    Q_OBJECT

private slots:
    void helpAndManPageAgree()
    {
        QProcess cli;
        cli.start(QStringLiteral(QIMPORT_BIN_DIR "/qimport-cli"), {QStringLiteral("--help")});
        QVERIFY(cli.waitForFinished(30000));
        QCOMPARE(cli.exitCode(), 0);
        const QString help = QString::fromUtf8(cli.readAllStandardOutput());

        QFile page(QStringLiteral(QIMPORT_MAN_PAGE));
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QString man = PlainManText(QString::fromUtf8(page.readAll()));

        const QSet<QString> helpOptions = OptionsIn(help);
        QVERIFY2(helpOptions.size() >= 10, qPrintable(Sorted(helpOptions).join(QLatin1Char(' '))));
        QCOMPARE(Sorted(OptionsIn(man)), Sorted(helpOptions));

        // --help: "Exit codes:" then lines "  N  meaning" (continuation lines indented further).
        QSet<QString> helpCodes;
        const qsizetype codesAt = help.indexOf(QStringLiteral("\nExit codes:\n"));
        QVERIFY(codesAt >= 0);
        static const QRegularExpression helpCode(QStringLiteral("^  (\\d+)  \\S"));
        for (const QString& line : help.mid(codesAt + 13).split(QLatin1Char('\n'))) {
            if (line.isEmpty())
                break;
            if (const QRegularExpressionMatch m = helpCode.match(line); m.hasMatch())
                helpCodes.insert(m.captured(1));
        }
        QVERIFY2(helpCodes.size() >= 2, qPrintable(help.mid(codesAt)));

        // The page: ".SH "EXIT STATUS"", then one ".TP" / ".B N" entry per code.
        const qsizetype statusAt = man.indexOf(QStringLiteral("\n.SH \"EXIT STATUS\"\n"));
        QVERIFY(statusAt >= 0);
        const qsizetype statusEnd = man.indexOf(QStringLiteral("\n.SH "), statusAt + 1);
        const QString status = man.mid(statusAt, statusEnd < 0 ? -1 : statusEnd - statusAt);
        QSet<QString> manCodes;
        static const QRegularExpression manCode(QStringLiteral("\n\\.TP\n\\.B (\\d+)\n"));
        for (const QRegularExpressionMatch& m : manCode.globalMatch(status))
            manCodes.insert(m.captured(1));
        QCOMPARE(Sorted(manCodes), Sorted(helpCodes));
    }

    void manPageRendersWithoutWarnings()
    {
        const QString groff = QStandardPaths::findExecutable(QStringLiteral("groff"));
        if (groff.isEmpty())
            QSKIP("groff is not installed");
        QProcess render;
        render.start(groff, {QStringLiteral("-man"), QStringLiteral("-Tutf8"), QStringLiteral("-ww"),
                             QStringLiteral("-z"), QStringLiteral(QIMPORT_MAN_PAGE)});
        QVERIFY(render.waitForFinished(30000));
        QCOMPARE(QString::fromUtf8(render.readAllStandardError()), QString());
        QCOMPARE(render.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestManPage)
#include "TestManPage.moc"
