#include "dialogs/Unit2.h"

#include "core/Conversions.h"
#include "core/HandlerGuard.h"
#include "core/Prompt.h"
#include "core/SetupRecord.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

template <typename T>
T* Named(T* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLabel* BoldLabel(const QString& text, const char* name, QWidget* parent)
{
    auto* label = Named(new QLabel(text, parent), name);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

// A drop-down list in which a text can also be typed; typing never adds items.
QComboBox* ChoiceList(const QStringList& items, const char* name, QWidget* parent)
{
    auto* box = Named(new QComboBox(parent), name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(items);
    box->setCurrentIndex(-1); // nothing chosen until the settings are shown
    return box;
}

// Ports are unsigned 16-bit: text that is no number gives 0, larger numbers keep their low 16 bits.
quint16 PortFromText(const QString& text)
{
    return quint16(quint32(StrToIntOrZero(text)) & 0xFFFFu);
}

} // namespace

int SelectedItemPosition(const QComboBox* box)
{
    const QString text = box->currentText();
    if (text.isEmpty())
        return -1;
    return box->findText(text, Qt::MatchFixedString);
}

TForm2::TForm2(SetupRecord& setup, IPrompt& prompt, QWidget* parent)
    : QDialog(parent)
    , Setup(setup)
    , Prompt(prompt)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Connection Settings"));
    setModal(true);

    RadioButton1 = Named(new QRadioButton(QStringLiteral("Use the &Windows Explorer connection settings"), this),
                         "RadioButton1");
    RadioButton2 =
        Named(new QRadioButton(QStringLiteral("Use &My connection settings (below):"), this), "RadioButton2");
    GroupBox1 = Named(new QGroupBox(QStringLiteral("My connection settings"), this), "GroupBox1");

    Label1 = BoldLabel(QStringLiteral("Firewall"), "Label1", GroupBox1);
    Edit1 = Named(new QLineEdit(GroupBox1), "Edit1");
    Edit2 = Named(new QLineEdit(GroupBox1), "Edit2");
    Edit3 = Named(new QLineEdit(GroupBox1), "Edit3");
    Edit4 = Named(new QLineEdit(GroupBox1), "Edit4");
    ComboBox1 = ChoiceList({QStringLiteral("None"), QStringLiteral("Socks 4"), QStringLiteral("Socks 5"),
                            QStringLiteral("Tunnel")},
                           "ComboBox1", GroupBox1);
    Label7 = BoldLabel(QStringLiteral("Proxy"), "Label7", GroupBox1);
    Edit5 = Named(new QLineEdit(GroupBox1), "Edit5");
    Edit6 = Named(new QLineEdit(GroupBox1), "Edit6");
    Edit9 = Named(new QLineEdit(GroupBox1), "Edit9");
    Edit10 = Named(new QLineEdit(GroupBox1), "Edit10");
    ComboBox2 = ChoiceList({QStringLiteral("Automatic"), QStringLiteral("Always"), QStringLiteral("Never"),
                            QStringLiteral("Tunnel")},
                           "ComboBox2", GroupBox1);
    Edit7 = Named(new QLineEdit(GroupBox1), "Edit7");
    Edit8 = Named(new QLineEdit(GroupBox1), "Edit8");
    CheckBox1 = Named(new QCheckBox(QStringLiteral("&Use SSL when sending data"), this), "CheckBox1");
    Button2 = Named(new QPushButton(QStringLiteral("&Save"), this), "Button2");
    Button1 = Named(new QPushButton(QStringLiteral("&Cancel"), this), "Button1");

    // The password boxes show what is typed: these are the user's own proxy and
    // firewall passwords, kept in plain text in the settings file anyway.
    Edit4->setEchoMode(QLineEdit::Normal);
    Edit8->setEchoMode(QLineEdit::Normal);

    auto* grid = new QGridLayout(GroupBox1);
    int row = 0;
    // Each box is labelled by its caption; the firewall and the proxy both have a "Host:",
    // so a screen reader hears which one too.
    auto addRow = [&](const QString& caption, QWidget* field, const QString& name) {
        auto* label = new QLabel(caption, GroupBox1);
        label->setBuddy(field);
        field->setAccessibleName(name);
        if (auto* box = qobject_cast<QComboBox*>(field); box && box->lineEdit())
            box->lineEdit()->setAccessibleName(name);
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row, 1);
        ++row;
    };
    grid->addWidget(Label1, row++, 0, 1, 2);
    addRow(QStringLiteral("Host:"), Edit1, QStringLiteral("Firewall host"));
    addRow(QStringLiteral("Port:"), Edit2, QStringLiteral("Firewall port"));
    addRow(QStringLiteral("User:"), Edit3, QStringLiteral("Firewall user"));
    addRow(QStringLiteral("Password:"), Edit4, QStringLiteral("Firewall password"));
    addRow(QStringLiteral("Type:"), ComboBox1, QStringLiteral("Firewall type"));
    grid->addWidget(Label7, row++, 0, 1, 2);
    addRow(QStringLiteral("Host:"), Edit5, QStringLiteral("Proxy host"));
    addRow(QStringLiteral("Port:"), Edit6, QStringLiteral("Proxy port"));
    addRow(QStringLiteral("SSL Host:"), Edit9, QStringLiteral("Proxy SSL host"));
    addRow(QStringLiteral("Port:"), Edit10, QStringLiteral("Proxy SSL port"));
    addRow(QStringLiteral("Proxy SSL:"), ComboBox2, QStringLiteral("Proxy SSL"));
    addRow(QStringLiteral("User:"), Edit7, QStringLiteral("Proxy user"));
    addRow(QStringLiteral("Password:"), Edit8, QStringLiteral("Proxy password"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button2);
    buttons->addWidget(Button1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RadioButton1);
    layout->addWidget(RadioButton2);
    layout->addWidget(GroupBox1);
    layout->addWidget(CheckBox1);
    layout->addLayout(buttons);

    const QList<QWidget*> keyboardOrder = {RadioButton1, RadioButton2, Edit1,  Edit2,     Edit3, Edit4,
                                           ComboBox1,    Edit5,        Edit6,  Edit9,     Edit10, ComboBox2,
                                           Edit7,        Edit8,        CheckBox1, Button2, Button1};
    for (qsizetype i = 1; i < keyboardOrder.size(); ++i)
        setTabOrder(keyboardOrder[i - 1], keyboardOrder[i]);

    // Save is not the default button: Enter in a box must not save half-typed settings.
    Button2->setAutoDefault(false);
    Button1->setAutoDefault(false);

    connect(Button2, &QPushButton::clicked, this, Guarded(&Prompt, this, &TForm2::Button2Click));
    connect(Button1, &QPushButton::clicked, this, Guarded(&Prompt, this, &TForm2::Button1Click));

    // Only a mouse click on these counts as a change worth a question; keys do not.
    RadioButton1->installEventFilter(this);
    RadioButton2->installEventFilter(this);
    CheckBox1->installEventFilter(this);
}

void TForm2::showEvent(QShowEvent* event)
{
    // Qt also delivers a show event when a minimised dialog comes back; refill only on a real show.
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

bool TForm2::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease
        && (watched == RadioButton1 || watched == RadioButton2 || watched == CheckBox1))
        RadioButton1MouseUp();
    return QDialog::eventFilter(watched, event);
}

void TForm2::FormShow()
{
    Changed = false;
    if (Setup.UseWininet)
        RadioButton1->setChecked(true);
    else
        RadioButton2->setChecked(true);

    Edit1->setText(Setup.FirewallHost);
    Edit2->setText(QString::number(Setup.FirewallPort));
    Edit3->setText(Setup.FirewallUser);
    Edit4->setText(Setup.FirewallPassword);
    if (Setup.FirewallType < 4)
        ComboBox1->setCurrentIndex(Setup.FirewallType);

    Edit5->setText(Setup.ProxyServer);
    Edit6->setText(QString::number(Setup.ProxyPort));
    Edit9->setText(Setup.ProxySSLServer);
    Edit10->setText(QString::number(Setup.ProxySSLPort));
    if (Setup.ProxySSL < 4)
        ComboBox2->setCurrentIndex(Setup.ProxySSL);

    Edit7->setText(Setup.ProxyUser);
    Edit8->setText(Setup.ProxyPassword);
    CheckBox1->setChecked(Setup.UseSSL);
}

void TForm2::Button2Click()
{
    Setup.FirewallHost = SetupText(Edit1->text(), SetupRecord::HostCapacity);
    Setup.FirewallPort = PortFromText(Edit2->text());
    Setup.FirewallUser = SetupText(Edit3->text(), SetupRecord::UserCapacity);
    Setup.FirewallPassword = SetupText(Edit4->text(), SetupRecord::UserCapacity);
    if (const int position = SelectedItemPosition(ComboBox1); position >= 0)
        Setup.FirewallType = quint8(position);

    Setup.ProxyServer = SetupText(Edit5->text(), SetupRecord::HostCapacity);
    Setup.ProxyPort = PortFromText(Edit6->text());
    Setup.ProxySSLServer = SetupText(Edit9->text(), SetupRecord::HostCapacity);
    Setup.ProxySSLPort = PortFromText(Edit10->text());
    if (const int position = SelectedItemPosition(ComboBox2); position >= 0)
        Setup.ProxySSL = quint8(position);

    Setup.ProxyUser = SetupText(Edit7->text(), SetupRecord::UserCapacity);
    Setup.ProxyPassword = SetupText(Edit8->text(), SetupRecord::UserCapacity);
    Setup.UseSSL = CheckBox1->isChecked();
    Setup.UseWininet = RadioButton1->isChecked();

    Changed = false;
    accept();
}

void TForm2::Button1Click()
{
    reject();
}

bool TForm2::FormCloseQuery()
{
    if (!Changed)
        return true;
    return Prompt.Confirm(QStringLiteral("Close without saving your changes?"));
}

void TForm2::RadioButton1MouseUp()
{
    Changed = true;
}

void TForm2::reject()
{
    if (FormCloseQuery())
        QDialog::reject();
}
