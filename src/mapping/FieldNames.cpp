#include "mapping/FieldNames.h"

namespace
{
bool Between(int value, int low, int high)
{
    return value >= low && value <= high;
}
} // namespace

QString TabNameOf(quint16 tabNo, quint16 fieldNo)
{
    const int f = fieldNo;
    switch (tabNo) {
    case 1:
        return QStringLiteral("Core");
    case 2:
        return QStringLiteral("Contacts");
    case 3:
        return QStringLiteral("Coordinator");
    case 4:
    case 12:
        return QStringLiteral("Site");
    case 5:
        return QStringLiteral("Assignment");
    case 6:
    case 11:
        return QStringLiteral("Place");
    case 7:
        return QStringLiteral("Coordinators");
    case 8:
    case 9:
        return QStringLiteral("Profile");
    case 10:
        return Between(f, 2, 20) ? QStringLiteral("Assignment") : QStringLiteral("Profile");
    case 13:
        return QStringLiteral("Service");
    case 14:
        return QStringLiteral("History");
    case 95:
    case 96:
    case 97:
    case 98:
        return QStringLiteral("Profile");
    case 99:
        if (f == 1)
            return QStringLiteral("Core");
        if (Between(f, 2, 4))
            return QStringLiteral("Profile");
        if (Between(f, 5, 7))
            return QStringLiteral("Service");
        if (Between(f, 8, 12) || f == 22)
            return QStringLiteral("History");
        if (f == 13)
            return QStringLiteral("Notes");
        if (f == 14)
            return QStringLiteral("Coordinator");
        if (f == 15 || f == 16)
            return QStringLiteral("Mission");
        if (f == 17)
            return QStringLiteral("Place");
        if (f == 18 || f == 19)
            return QStringLiteral("Assignment");
        if (f == 20)
            return QStringLiteral("Description");
        return QString();
    default:
        return QString();
    }
}

QString BoxNameOf(quint16 tabNo, quint16 fieldNo)
{
    const int f = fieldNo;
    const QString numbers = QString::number(tabNo) + QLatin1Char(' ') + QString::number(fieldNo);
    switch (tabNo) {
    case 1:
        if (Between(f, 1, 5) || f == 18 || f == 20 || f == 38)
            return QStringLiteral("Name");
        if (f == 19)
            return QStringLiteral("Flags");
        if (f == 21 || f == 37 || f == 39)
            return QStringLiteral("Portal Access");
        return QStringLiteral("Address");
    case 2:
        return QStringLiteral("Emergency Contact");
    case 3:
        if (Between(f, 1, 5) || f == 24 || f == 25 || Between(f, 29, 31))
            return QStringLiteral("Name");
        if (Between(f, 6, 23) || f == 28 || Between(f, 34, 36))
            return QStringLiteral("Address");
        if (f == 26 || f == 32 || f == 33)
            return QStringLiteral("Portal Access");
        return numbers;
    case 4:
    case 6:
        if (Between(f, 6, 23) || f == 28 || f == 34)
            return QStringLiteral("Address");
        if (f == 37 || f == 38)
            return QStringLiteral("Name");
        return numbers;
    case 5:
        if (Between(f, 6, 23) || f == 28 || f == 34)
            return QStringLiteral("Address");
        if (Between(f, 37, 42))
            return QStringLiteral("Name");
        return numbers;
    case 8:
        if (Between(f, 1, 20))
            return QStringLiteral("Personal");
        if (Between(f, 21, 25))
            return QStringLiteral("Availability");
        return numbers;
    case 9:
        if (Between(f, 1, 20))
            return QStringLiteral("Characteristic");
        if (Between(f, 21, 40))
            return QStringLiteral("Preference");
        return numbers;
    case 10:
        if (Between(f, 2, 20))
            return QStringLiteral("Detail");
        if (Between(f, 21, 27))
            return QStringLiteral("Time needed");
        return numbers;
    case 11:
    case 12:
        return QStringLiteral("Detail");
    case 95:
    case 96:
    case 97:
    case 98:
        return QStringLiteral("Availability");
    case 99:
        switch (f) {
        case 1:
            return QStringLiteral("Sites");
        case 2:
        case 14:
            return QStringLiteral("Email preference");
        case 3:
        case 4:
            return QStringLiteral("Preference");
        case 5:
            return QStringLiteral("Assignment");
        case 6:
            return QStringLiteral("Service");
        case 7:
            return QStringLiteral("Mandatory service");
        case 8:
        case 9:
        case 10:
        case 11:
        case 12:
        case 22:
            return QStringLiteral("Dates");
        case 13:
            return QStringLiteral("Notes");
        case 15:
        case 16:
            return QStringLiteral("Mission");
        case 17:
        case 18:
        case 19:
            return QStringLiteral("Name");
        case 20:
            return QStringLiteral("Job description");
        case 21:
            return QString();
        default:
            return numbers;
        }
    default:
        return numbers;
    }
}

QString FieldTypeName(quint16 fieldType)
{
    switch (fieldType) {
    case 1:
        return QStringLiteral("Drop down");
    case 2:
        return QStringLiteral("Phone number");
    case 3:
    case 5:
        return QStringLiteral("True or false");
    case 4:
        return QStringLiteral("Zip or post code");
    case 6:
    case 20:
        return QStringLiteral("Date");
    case 7:
        return QStringLiteral("Password");
    case 8:
        return QStringLiteral("Age");
    case 10:
        return QStringLiteral("Date of birth");
    case 11:
        return QStringLiteral("Positive number");
    case 12:
        return QStringLiteral("Numbers with 1 decimal place");
    case 13:
        return QStringLiteral("Numbers with 2 decimal places");
    case 14:
        return QStringLiteral("Currency");
    case 15:
        return QStringLiteral("Social security number");
    case 16:
        return QStringLiteral("Characteristic");
    case 17:
        return QStringLiteral("Preference");
    case 18:
    case 19:
        return QStringLiteral("Time");
    case 24:
        return QStringLiteral("Hours and minutes");
    default:
        return QStringLiteral("Text");
    }
}

bool IsDateType(quint16 fieldType)
{
    return fieldType == 6 || fieldType == 10 || fieldType == 20;
}
