#include "app/Unit1.h"

#include "app/StatusPanel.h"
#include "dialogs/Unit2.h"
#include "exchange/Credentials.h"
#include "exchange/Envelope.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>

void TForm1::ConnectCredentialsPage()
{
    for (QLineEdit* edit : {Edit1, Edit2, Edit3})
        connect(edit, &QLineEdit::textChanged, this, Guard(&TForm1::Edit1Change));
    connect(Button2, &QPushButton::clicked, this, Guard(&TForm1::Button2Click));
    connect(Button19, &QPushButton::clicked, this, Guard(&TForm1::Button19Click));
}

void TForm1::TabSheet2Show()
{
    for (QLabel* label : {Label6, Label7, Label8, Label10, Label24})
        label->setVisible(false);
    Button2->setEnabled(false);
    Gauge1->move(Button2->x(), Gauge1->y());
    Button19->move(Button2->x(), Button19->y());
}

void TForm1::Edit1Change()
{
    // The text as typed: a box holding only blanks counts as filled.
    Button2->setEnabled(!Edit1->text().isEmpty() && !Edit2->text().isEmpty() && !Edit3->text().isEmpty());
}

void TForm1::Button2Click()
{
    // A failure here has already been reported and logged; it ends the click before anything is sent.
    ConfigureConnection();

    Gauge1->setValue(0);
    for (QLabel* label : {Label6, Label7, Label8, Label10, Label24})
        label->setVisible(false);

    // Both checks run, so the user sees every reason at once.
    bool valid = true;
    if (DigitsOnly(Edit1->text()).size() != 9) {
        Label6->setVisible(true);
        Label8->setVisible(true);
        valid = false;
    }
    if (!IsEmailAddress(Edit2->text())) {
        Label7->setVisible(true);
        Label8->setVisible(true);
        valid = false;
    }
    if (!valid)
        return;

    AccountNumber = DigitsOnly(Edit1->text());
    RunLog.Add(QStringLiteral("Quillmarsh account : ") + AccountNumber);
    LoginName = TrimControl(Edit2->text());
    Password = TrimControl(Edit3->text());
    Button2->setEnabled(false);
    PostRequest(LoginRequest(AccountNumber, LoginName, Password), rcLogin, false);
}

void TForm1::Button19Click()
{
    if (!Form2)
        return;
    const int result = Form2->exec();
    // The padlock follows the SSL choice whichever way the dialog closed.
    StatusBar1->repaint();
    StatusPanel1->repaint();
    if (result == QDialog::Accepted)
        ConfigureConnection();
}
