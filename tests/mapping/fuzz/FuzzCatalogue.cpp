// libFuzzer target: the field-list reply. Whatever the service sends, loading
// it (once, and again on top, as a second visit of the file page does) must
// not crash, and the Tab list offers each name once, only for entries in use.
#include "FuzzSupport.h"
#include "core/TextDecoder.h"
#include "mapping/FieldCatalogue.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString reply = DecodeText(BytesOf(data, size)); // as the client hands a reply over
    TCatalogue catalogue;
    for (int visit = 0; visit < 2; ++visit) {
        LoadFieldCatalogue(reply, catalogue);
        const QStringList& tabs = catalogue.TabList;
        for (qsizetype i = 0; i < tabs.size(); ++i)
            for (qsizetype j = i + 1; j < tabs.size(); ++j)
                Check(tabs.at(i).compare(tabs.at(j), Qt::CaseInsensitive) != 0, "a Tab listed twice");
        for (int i = 0; i < CatalogueSize; ++i)
            Check(!catalogue.IsInUse(i) || catalogue.Entries[size_t(i)].TabNo != 0, "an entry in use without a Tab");
        Check(!catalogue.IsInUse(CatalogueSize - 1), "the last entry is never filled");
    }
    return 0;
}
