#pragma once

#include <QDialog>

class IPrompt;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
struct SetupRecord;

// Connection Settings: edits the connection part of the settings record in
// memory. Accepted after Save, Rejected after Cancel or the close box.
class TForm2 : public QDialog
{
    Q_OBJECT

public:
    TForm2(SetupRecord& setup, IPrompt& prompt, QWidget* parent = nullptr);

    // Fills the controls from the settings record; also runs whenever the dialog is shown.
    void FormShow();
    // Save: writes the controls into the settings record and closes with Accepted.
    void Button2Click();
    // Cancel: closes with Rejected through the close question; the record is untouched.
    void Button1Click();
    // True when the dialog may close; asks first when the user clicked a choice.
    bool FormCloseQuery();
    // Mouse released over either radio button or the SSL box.
    void RadioButton1MouseUp();

    // Every way of closing without Save (Cancel, Escape, the close box) comes here.
    void reject() override;

    // The user clicked one of the radio buttons or the SSL box since the dialog was shown.
    bool Changed = false;

    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    QGroupBox* GroupBox1;
    QLabel* Label1;
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QLineEdit* Edit3;
    QLineEdit* Edit4;
    QComboBox* ComboBox1;
    QLabel* Label7;
    QLineEdit* Edit5;
    QLineEdit* Edit6;
    QLineEdit* Edit9;
    QLineEdit* Edit10;
    QComboBox* ComboBox2;
    QLineEdit* Edit7;
    QLineEdit* Edit8;
    QCheckBox* CheckBox1;
    QPushButton* Button2;
    QPushButton* Button1;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    SetupRecord& Setup;
    IPrompt& Prompt;
};

// Position of the list item the text names (any letter case), -1 when it names none:
// a typed text that is no item leaves the stored choice as it was.
int SelectedItemPosition(const QComboBox* box);
