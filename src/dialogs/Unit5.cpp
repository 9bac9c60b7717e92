#include "dialogs/Unit5.h"

TForm5::TForm5(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Form5"));
}
