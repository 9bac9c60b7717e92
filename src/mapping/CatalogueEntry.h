#pragma once

#include <QtGlobal>

#include <array>

// One destination field of the service, as the field-list reply names it.
struct CatalogueEntry
{
    quint16 TabNo = 0;     // 0 marks an entry that is not in use
    quint16 FieldNo = 0;
    qint32 ItemNo = 0;     // used by the record encoder for email preferences
    quint16 FieldType = 0; // see FieldTypeName

    bool operator==(const CatalogueEntry&) const = default;
};

// Indexed by reply line number; only 0..255 are ever filled, 256 stays zero.
constexpr int CatalogueSize = 257;
using TFieldCatalogue = std::array<CatalogueEntry, CatalogueSize>;
