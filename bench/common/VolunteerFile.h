#pragma once

// The generated 100,000-row volunteer file the benchmarks share: twenty comma-separated
// columns of a few words each, with quoted cells holding commas, doubled quotes and line
// breaks. The same seed always gives the same 64.5 MB.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <random>

namespace BenchFiles
{
inline constexpr int VolunteerRows = 100000;
inline constexpr int VolunteerColumns = 20;

inline QByteArray VolunteerCell(std::mt19937& random, int col, bool quotes)
{
    static const char* words[] = {"Harbour", "volunteer", "evening", "Saturday", "driver", "kitchen", "garden",
                                  "library", "Maple", "Street", "reads", "to", "children", "on", "call"};
    QByteArray text;
    const int count = 2 + int(random() % 4);
    for (int i = 0; i < count; ++i) {
        if (i)
            text += ' ';
        text += words[random() % 15];
    }
    if (!quotes)
        return text;
    switch ((random() + unsigned(col)) % 6) {
    case 0:
        return "\"" + text + ", " + text + "\"";
    case 1:
        return "\"" + text + " \"\"quoted\"\" " + text + "\"";
    case 2:
        return "\"" + text + "\r\n" + text + "\"";
    default:
        return text;
    }
}

// With strayQuote the rows hold no quotes of their own, one opens in the
// second row and the last closes it: the rest of the file is one cell.
// Returns the file's size, -1 when it cannot be written.
inline qint64 WriteVolunteerFile(const QString& path, bool strayQuote = false)
{
    std::mt19937 random(2024);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return -1;
    QByteArray row;
    for (int r = 0; r < VolunteerRows; ++r) {
        row.clear();
        for (int c = 0; c < VolunteerColumns; ++c) {
            if (c)
                row += ',';
            if (strayQuote && r == 1 && c == 3)
                row += '"';
            row += VolunteerCell(random, c, !strayQuote);
        }
        row += strayQuote && r == VolunteerRows - 1 ? "\"\r\n" : "\r\n";
        file.write(row);
    }
    return file.size();
}
} // namespace BenchFiles
