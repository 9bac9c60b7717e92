// The check of every row on a generated 100,000-row, 20-column volunteer file:
// names with accents now and then, dates, ages, amounts, yes/no, times, flags,
// a column mapped to a field that is never sent, and some repeated rows. Prints
// the median of five whole checks and the longest single step of 500 rows (the
// window runs the check in steps between its events). Target: under 1 s.
#include "importer/PreCheck.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <random>

namespace
{
constexpr int kRows = 100000;
constexpr int kCols = 20;

// Line i is catalogue index i.
const char* const CatalogueReply = "OK\r\n"
                                   "1\t1\t0\tFirst name\t0\r\n"         // 1
                                   "1\t2\t0\tLast name\t0\r\n"          // 2
                                   "1\t14\t0\tEmail\t0\r\n"             // 3
                                   "1\t6\t0\tStreet address\t0\r\n"     // 4
                                   "1\t8\t0\tCity\t0\r\n"               // 5
                                   "1\t12\t0\tHome phone\t2\r\n"        // 6
                                   "8\t1\t0\tDate joined\t6\r\n"        // 7
                                   "8\t2\t0\tBirth date\t10\r\n"        // 8
                                   "8\t5\t0\tAge\t8\r\n"                // 9
                                   "8\t4\t0\tHas car\t3\r\n"            // 10
                                   "8\t22\t0\tEarliest start\t18\r\n"   // 11
                                   "99\t6\t0\tHours served\t24\r\n"     // 12
                                   "8\t7\t0\tDonation\t14\r\n"          // 13
                                   "1\t19\t0\tFlags\t0\r\n"             // 14
                                   "99\t13\t0\tNotes\t0\r\n"            // 15
                                   "9\t1\t0\tLanguages\t16\r\n";        // 16: never sent

// Column c (1..20) mapped to these catalogue indexes; four Flags columns.
const int ColumnFields[kCols] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 14, 14, 14, 15, 16, 15};

QStringList GenerateRows()
{
    static const char* const first[] = {"Ann", "Bob", "Cy", "Dee", "Ed", "Flo", "Gus", "Hal"};
    static const char* const last[] = {"Smith", "Jones", "Okafor", "Lindqvist", "Tanaka", "Moreau", "Andersen"};
    std::mt19937 random(2024);
    QStringList rows;
    rows.reserve(kRows + 1);
    QStringList headings;
    for (int c = 0; c < kCols; ++c)
        headings.append(QStringLiteral("Heading %1").arg(c + 1));
    rows.append(headings.join(QLatin1Char('\t')));
    QStringList cells;
    for (int r = 1; r <= kRows; ++r) {
        // One row in fifty repeats the row before it.
        if (r > 1 && random() % 50 == 0) {
            rows.append(rows.last());
            continue;
        }
        cells.clear();
        const bool accent = random() % 10 == 0;
        cells << (accent ? QString::fromUtf8("Jos\u00e9") : QString::fromLatin1(first[random() % 8]))
              << QString::fromLatin1(last[random() % 7]) + QString::number(r)
              << QStringLiteral("volunteer%1@example.org").arg(r) << QStringLiteral("%1 Maple Street").arg(r % 900)
              << QStringLiteral("Bergen") << QStringLiteral("555-%1").arg(1000 + r % 9000)
              << QStringLiteral("%1/%2/20%3").arg(1 + r % 28).arg(1 + r % 12).arg(10 + r % 14)
              << QStringLiteral("%1/%2/19%3").arg(1 + r % 31).arg(1 + r % 12).arg(50 + r % 50)
              << QString::number(18 + r % 70) << QLatin1String(r % 3 ? "Yes" : "no")
              << QStringLiteral("%1:%2").arg(6 + r % 12).arg(r % 60, 2, 10, QLatin1Char('0'))
              << QStringLiteral("%1:30").arg(r % 40) << QStringLiteral("$%1.50").arg(r % 5000)
              << QStringLiteral("Driver") << QStringLiteral("Usher") << QString() << QStringLiteral("Cook")
              << QStringLiteral("Reads to children on Saturday mornings") << QStringLiteral("French")
              << (random() % 100 == 0 ? QString::fromUtf8("na\u00efve caf\u00e9 \u2014 \u201cquoted\u201d")
                                      : QStringLiteral("plain note"));
        rows.append(cells.join(QLatin1Char('\t')));
    }
    return rows;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TCatalogue catalogue;
    LoadFieldCatalogue(QString::fromLatin1(CatalogueReply), catalogue);
    TColumnMap map{};
    for (int c = 1; c <= kCols; ++c)
        map[size_t(c)] = ColumnMapping{0, quint16(ColumnFields[c - 1]), 1};

    QElapsedTimer made;
    made.start();
    const QStringList rows = GenerateRows();
    std::printf("Pre-check benchmark: %d rows x %d columns (generated in %lld ms)\n", kRows, kCols,
                static_cast<long long>(made.elapsed()));

    QList<qint64> times;
    TPreCheckReport report;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer timer;
        timer.start();
        report = PreCheckRows(rows, true, map, catalogue);
        times.append(timer.nsecsElapsed());
    }
    std::sort(times.begin(), times.end());

    // The longest step the window would take between its events.
    qint64 longestStep = 0;
    TPreCheck sliced(rows, true, map, catalogue);
    for (int guard = 0; guard <= kRows / 500 + 1; ++guard) {
        QElapsedTimer timer;
        timer.start();
        const bool done = sliced.Step(500);
        longestStep = qMax(longestStep, timer.nsecsElapsed());
        if (done)
            break;
    }

    std::printf("  %s\n", qPrintable(report.SummaryLine()));
    std::printf("  whole check: median %.0f ms of 5 (fastest %.0f, slowest %.0f); target < 1000 ms: %s\n",
                times.at(2) / 1e6, times.first() / 1e6, times.last() / 1e6, times.at(2) < 1000000000 ? "met" : "MISSED");
    std::printf("  longest step of 500 rows: %.2f ms\n", longestStep / 1e6);
    return times.at(2) < 1000000000 ? 0 : 1;
}
