#include "mapping/NameList.h"

class TNameList::TCursor
{
public:
    explicit TCursor(const TNameList& list)
        : Groups(list.FGroups)
    {
    }

    // The next item; false after the last.
    bool Next(QStringView& text, int& index)
    {
        while (Group < Groups.size()) {
            const TGroup& group = Groups.at(Group);
            if (Piece < group.Count) {
                index = group.Index;
                if (group.Joined) {
                    qsizetype end = group.Text.indexOf(QLatin1Char('\t'), Offset);
                    if (end < 0)
                        end = group.Text.size();
                    text = QStringView(group.Text).sliced(Offset, end - Offset);
                    Offset = end + 1;
                } else {
                    text = group.Text;
                }
                ++Piece;
                return true;
            }
            ++Group;
            Piece = 0;
            Offset = 0;
        }
        return false;
    }

private:
    const QList<TGroup>& Groups;
    qsizetype Group = 0;
    qsizetype Piece = 0;
    qsizetype Offset = 0;
};

void TNameList::AppendRepeated(const QString& text, int index, qsizetype count)
{
    if (count <= 0)
        return;
    FCount += count;
    if (!FGroups.isEmpty()) {
        TGroup& last = FGroups.last();
        if (!last.Joined && last.Index == index && last.Text == text) {
            last.Count += count;
            return;
        }
    }
    FGroups.append(TGroup{text, index, count, false});
}

void TNameList::AppendTabSeparated(QStringView texts, int index)
{
    const qsizetype count = texts.count(QLatin1Char('\t')) + 1;
    if (count == 1) {
        AppendRepeated(texts.toString(), index, 1);
        return;
    }
    FCount += count;
    FGroups.append(TGroup{texts.toString(), index, count, true});
}

void TNameList::Clear()
{
    FGroups.clear();
    FCount = 0;
}

QString TNameList::Text(int i) const
{
    qsizetype at = 0;
    for (const TGroup& group : FGroups) {
        if (i >= at + group.Count) {
            at += group.Count;
            continue;
        }
        if (!group.Joined)
            return group.Text;
        const QStringView joined(group.Text);
        qsizetype from = 0;
        for (; at < i; ++at)
            from = joined.indexOf(QLatin1Char('\t'), from) + 1;
        const qsizetype to = joined.indexOf(QLatin1Char('\t'), from);
        return joined.sliced(from, (to < 0 ? joined.size() : to) - from).toString();
    }
    return QString();
}

int TNameList::Index(int i) const
{
    qsizetype at = 0;
    for (const TGroup& group : FGroups) {
        if (i < at + group.Count)
            return group.Index;
        at += group.Count;
    }
    return 0;
}

std::optional<QString> TNameList::NameOf(int index) const
{
    for (const TGroup& group : FGroups) {
        if (group.Index != index)
            continue;
        if (!group.Joined)
            return group.Text;
        return group.Text.left(group.Text.indexOf(QLatin1Char('\t')));
    }
    return std::nullopt;
}

int TNameList::PositionOfIndex(int index) const
{
    qsizetype at = 0;
    for (const TGroup& group : FGroups) {
        if (group.Index == index)
            return int(at);
        at += group.Count;
    }
    return -1;
}

int TNameList::PositionOfText(const QString& text, Qt::CaseSensitivity cs) const
{
    qsizetype at = 0;
    for (const TGroup& group : FGroups) {
        if (!group.Joined) {
            // One text for the whole group: one comparison.
            if (group.Text.compare(text, cs) == 0)
                return int(at);
            at += group.Count;
            continue;
        }
        const QStringView joined(group.Text);
        qsizetype from = 0;
        for (qsizetype piece = 0; piece < group.Count; ++piece, ++at) {
            qsizetype to = joined.indexOf(QLatin1Char('\t'), from);
            if (to < 0)
                to = joined.size();
            if (joined.sliced(from, to - from).compare(text, cs) == 0)
                return int(at);
            from = to + 1;
        }
    }
    return -1;
}

QStringList TNameList::Texts() const
{
    QStringList texts;
    texts.reserve(FCount);
    TCursor cursor(*this);
    QStringView text;
    int index = 0;
    while (cursor.Next(text, index))
        texts.append(text.toString());
    return texts;
}

QList<TNameList::Item> TNameList::Items() const
{
    QList<Item> items;
    items.reserve(FCount);
    TCursor cursor(*this);
    QStringView text;
    int index = 0;
    while (cursor.Next(text, index))
        items.append(Item{text.toString(), index});
    return items;
}

bool TNameList::operator==(const TNameList& other) const
{
    if (FCount != other.FCount)
        return false;
    TCursor mine(*this);
    TCursor theirs(other);
    QStringView a;
    QStringView b;
    int ia = 0;
    int ib = 0;
    while (mine.Next(a, ia)) {
        if (!theirs.Next(b, ib) || ia != ib || a != b)
            return false;
    }
    return true;
}
