#include "app/Unit1.h"

#include "exchange/Credentials.h"
#include "exchange/Envelope.h"
#include "exchange/Replies.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

namespace
{
// The item the box shows, or -1 when its text (typed by the user) names none of its items.
int SelectedSite(const QComboBox* box)
{
    const QString text = box->currentText();
    const int current = box->currentIndex();
    if (current >= 0 && box->itemText(current) == text)
        return current;
    return box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
}
} // namespace

void TForm1::ConnectSitePage()
{
    connect(RadioButton18, &QRadioButton::clicked, this, Guard(&TForm1::SiteSelectionClick));
    connect(RadioButton19, &QRadioButton::clicked, this, Guard(&TForm1::SiteSelectionClick));
    connect(Button6, &QPushButton::clicked, this, Guard(&TForm1::Button6Click));
    connect(Button15, &QPushButton::clicked, this, Guard(&TForm1::Button15Click));

    // Typed text only picks a Site; it never becomes a new item.
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, Guard(&TForm1::ComboBox1Change));
    // Typing only: the text the box sets itself on a new selection is covered by the index change.
    if (QLineEdit* edit = ComboBox1->lineEdit())
        connect(edit, &QLineEdit::textEdited, this, Guard(&TForm1::ComboBox1Change));
}

void TForm1::Button6Click()
{
    AccountNumber = DigitsOnly(Edit1->text());
    LoginName = TrimControl(Edit2->text());
    Password = TrimControl(Edit3->text());
    Button8->setEnabled(false);
    PostRequest(SiteListRequest(AccountNumber, LoginName, Password), rcSiteList, false);
}

bool TForm1::LoadSiteList(const QString& reply)
{
    // Filling the list is no choice of the user's: the site number stays as it is.
    const QSignalBlocker blocker(ComboBox1);
    ComboBox1->clear();
    ComboBox1->clearEditText();
    const QList<TSiteEntry> sites = ParseSiteList(reply);
    for (const TSiteEntry& site : sites)
        ComboBox1->addItem(site.Name, site.Number);

    const bool several = sites.size() > 1;
    if (several) {
        ComboBox1->setCurrentIndex(0);
        ComboBox1->setEnabled(RadioButton19->isChecked());
    }
    for (QWidget* control : std::initializer_list<QWidget*>{Label25, RadioButton18, RadioButton19, ComboBox1})
        control->setVisible(several);
    return several;
}

void TForm1::SiteSelectionClick()
{
    if (RadioButton19->isChecked()) {
        ComboBox1->setEnabled(true);
        const int index = SelectedSite(ComboBox1);
        SiteNumber = index >= 0 ? QString::number(ComboBox1->itemData(index).toInt()) : QStringLiteral("0");
    } else {
        ComboBox1->setEnabled(false);
        SiteNumber = QStringLiteral("0");
    }
    RunLog.Add(QStringLiteral("SiteNumber changed to ") + SiteNumber + QStringLiteral(" (SiteSelectionClick)"));
}

void TForm1::ComboBox1Change()
{
    const int index = SelectedSite(ComboBox1);
    if (index >= 0 && RadioButton19->isChecked())
        SiteNumber = QString::number(ComboBox1->itemData(index).toInt());
    else
        SiteNumber = QStringLiteral("0");
    RunLog.Add(QStringLiteral("SiteNumber changed to ") + SiteNumber + QStringLiteral(" (ComboBox change)"));
}

void TForm1::Button15Click()
{
    ShowPage(TabSheet7);
}
