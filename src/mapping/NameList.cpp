#include "mapping/NameList.h"

void TNameList::Append(const QString& text, int index)
{
    FItems.append(Item{text, index});
}

void TNameList::Clear()
{
    FItems.clear();
}

std::optional<QString> TNameList::NameOf(int index) const
{
    const int at = PositionOfIndex(index);
    if (at < 0)
        return std::nullopt;
    return FItems.at(at).Text;
}

int TNameList::PositionOfIndex(int index) const
{
    for (int i = 0; i < Count(); ++i) {
        if (FItems.at(i).Index == index)
            return i;
    }
    return -1;
}

int TNameList::PositionOfText(const QString& text, Qt::CaseSensitivity cs) const
{
    for (int i = 0; i < Count(); ++i) {
        if (FItems.at(i).Text.compare(text, cs) == 0)
            return i;
    }
    return -1;
}

QStringList TNameList::Texts() const
{
    QStringList texts;
    texts.reserve(FItems.size());
    for (const Item& item : FItems)
        texts.append(item.Text);
    return texts;
}
