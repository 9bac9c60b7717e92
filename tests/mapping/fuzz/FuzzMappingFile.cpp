// libFuzzer target: a mapping file read against a field-list reply. The input
// is the reply, a form feed, then the mapping file (without a form feed the
// whole input is the mapping file, read against a fixed reply); its first byte
// also chooses the grid's column count. Whatever the bytes, only columns of
// the grid are mapped, each once, every refused line is reported with its
// number, and what is applied can be written out and read back.
#include "FuzzSupport.h"
#include "core/TextDecoder.h"
#include "mapping/ColumnMap.h"
#include "mapping/FieldCatalogue.h"
#include "mapping/MappingFile.h"

#include <set>

namespace
{
const char kReply[] = "0\t0\t0\tx\r\n"
                      "1\t1\t0\tCore\tName\tFirst name\t0\r\n"
                      "1\t2\t0\tCore\tName\tLast name\t0\r\n"
                      "2\t1\t0\tProfile\tPersonal\tBirthday\t3\r\n"
                      "2\t2\t0\tProfile\tPersonal\tlast NAME\t0\r\n";
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = BytesOf(data, size);
    const qsizetype split = bytes.indexOf('\f');
    const QString reply = DecodeText(split < 0 ? QByteArray(kReply) : bytes.left(split));
    const QString text = DecodeText(split < 0 ? bytes : bytes.mid(split + 1));
    const int columnCount = size > 0 ? data[0] % 260 : 0;

    TCatalogue catalogue;
    LoadFieldCatalogue(reply, catalogue);
    const TMappingLoad load = ResolveMappingFile(text, catalogue, columnCount);
    std::set<int> columns;
    for (const TMappingEntry& entry : load.Entries) {
        Check(entry.Column >= 1 && entry.Column <= columnCount, "a column outside the grid");
        Check(columns.insert(entry.Column).second, "a column mapped twice");
        Check(IsMappedIndex(entry.FieldIndex), "an entry mapped to no field");
    }
    for (const TMappingProblem& problem : load.Problems) {
        Check(problem.LineNumber >= 1, "a problem without its line");
        (void)DescribeProblem(problem);
    }

    TColumnMap map;
    ResetColumnMap(map);
    ApplyMappingEntries(load.Entries, map);
    const QString written = WriteMappingFile(map, catalogue, columnCount);
    const TMappingLoad again = ResolveMappingFile(written, catalogue, columnCount);
    Check(again.Entries.size() + again.Problems.size() <= load.Entries.size(), "writing adds choices");

    const THeadingMatch match = MatchByHeadings(SplitTextLines(text), catalogue);
    for (const TMappingEntry& entry : match.Entries)
        Check(entry.Column >= 1 && IsMappedIndex(entry.FieldIndex), "a heading matched to nothing");
    for (const QString& line : SplitTextLines(text)) {
        const int column = ColumnOfLetters(line);
        Check(column >= 0 && column <= 256, "letters past IV");
    }
    return 0;
}
