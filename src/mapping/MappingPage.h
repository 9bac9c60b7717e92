#pragma once

#include "mapping/ColumnMapping.h"
#include "mapping/FieldCatalogue.h"
#include "mapping/NameList.h"

#include <QString>
#include <QStringList>

#include <optional>

// Decisions of the column mapping page, kept apart from its window.

// The Box whose fields can never be chosen on the page.
QString MandatoryServiceBox();

// Boxes offered for a Tab: catalogue order, entries in use whose Tab name is
// exactly tabName, each Box once (without regard to case), never the
// mandatory service Box. ThumbnailChanged is set when any entry of the Tab
// was met, which is when the page shows the Tab's own picture.
struct TBoxOffer
{
    QStringList Boxes;
    bool ThumbnailChanged = false;

    bool operator==(const TBoxOffer&) const = default;
};
TBoxOffer BoxesOffered(const TCatalogue& catalogue, const QString& tabName);

// Picture key for a Tab: "core", "contacts", "history", "notes", "profile",
// "service", else "general".
QString ThumbnailKey(const QString& tabName);

// Fields the page never offers (portal login details, the emergency contact's
// internal fields); names compared in lower case.
bool IsHiddenField(const QString& tabName, const QString& boxName, const QString& fieldName);

// Fields offered for a Tab and a Box (exact names), in catalogue order, each
// carrying its index; equal names are all kept.
TNameList FieldsOffered(const TCatalogue& catalogue, const QString& tabName, const QString& boxName);

// A field the page can offer: in use, named, outside the mandatory service
// Box and not hidden.
bool IsOfferedField(const TCatalogue& catalogue, int index);

// The names of a catalogue index, from the first list item carrying it.
std::optional<QString> TabNameOfIndex(const TCatalogue& catalogue, int index);
std::optional<QString> BoxNameOfIndex(const TCatalogue& catalogue, int index);
std::optional<QString> FieldNameOfIndex(const TCatalogue& catalogue, int index);

// Position of the first item equal to text without regard to case, or -1
// (also when there is no text).
int FindListItem(const QStringList& items, const std::optional<QString>& text);
int FindListItem(const TNameList& items, const std::optional<QString>& text);

// A date format applies when the field's type is a date type.
bool DateFormatApplies(const TCatalogue& catalogue, int index);

// What the page shows for a mapped column: the Tab, Box and Field items that
// match the stored field's names (first match each), with the lists that
// choosing them builds. A field that shares its name with an earlier one in
// the same Box shows the earlier one, while the map keeps its own index.
struct TShownChoice
{
    int TabItem = -1; // in the catalogue's Tab list
    QStringList Boxes;
    int BoxItem = -1;
    TNameList Fields;
    int FieldItem = -1;
    int DateFormatItem = 0;
    bool DateFormatEnabled = false; // by the type of the shown Field item
    bool ThumbnailChanged = false;
};
TShownChoice ShownChoiceOf(const TCatalogue& catalogue, const ColumnMapping& mapping);

// The writers of the column map; columns outside 1..256 are left alone.
// A field chosen: mapped to it, date format kept.
void StoreFieldChoice(TColumnMap& map, int column, quint16 fieldIndex);
// Skip chosen with the mouse: not mapped, date format kept.
void StoreSkipChoice(TColumnMap& map, int column);
// A date-format item chosen; -1 (typed text matching no item) changes nothing.
void StoreDateFormat(TColumnMap& map, int column, int item);

// The hidden counter of Field list clicks: its caption plus one, where a
// caption that is not a number counts as 1.
QString NextCounterCaption(const QString& caption);

// Shown on the first Tab choice after each entry to the page.
QString ThumbnailMessage();
// Shown the first time a true-or-false field is chosen in a run.
QString BooleanMessage();
