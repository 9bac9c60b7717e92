#include "app/Unit1.h"

#include <QComboBox>
#include <QRadioButton>

void TForm1::ConnectSitePage()
{
    connect(RadioButton18, &QRadioButton::clicked, this, &TForm1::SiteSelectionClick);
    connect(RadioButton19, &QRadioButton::clicked, this, &TForm1::SiteSelectionClick);
}

void TForm1::Button6Click() {}
bool TForm1::LoadSiteList(const QString&) { return false; }

void TForm1::SiteSelectionClick()
{
    if (RadioButton19->isChecked()) {
        ComboBox1->setEnabled(true);
        const int index = ComboBox1->currentIndex();
        SiteNumber = index >= 0 ? QString::number(ComboBox1->itemData(index).toInt()) : QStringLiteral("0");
    } else {
        ComboBox1->setEnabled(false);
        SiteNumber = QStringLiteral("0");
    }
    RunLog.Add(QStringLiteral("SiteNumber changed to ") + SiteNumber + QStringLiteral(" (SiteSelectionClick)"));
}

void TForm1::ComboBox1Change() {}
void TForm1::Button15Click() {}
