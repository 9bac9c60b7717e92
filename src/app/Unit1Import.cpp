#include "app/Unit1.h"

#include <QTimer>

#include "exchange/Envelope.h"
#include "exchange/Exchange.h"
#include "importer/ImportRun.h"
#include "importer/RecordEncoder.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

namespace
{

// Lets the import run drive the main window: its controls, its exchange, its count.
class TWindowImportHost : public IImportHost
{
public:
    explicit TWindowImportHost(TForm1& form)
        : Form(form)
    {
    }

    void BeforeRow() override
    {
        Form.Exchange->Retry = true;
        Form.Exchange->RetryCount = 0;
    }

    void SendRecord(const QStringList& rowList, qint32 cRow) override
    {
        Form.CRow = cRow;
        Form.SendRecord(rowList);
    }

    bool ExitPlease() const override { return Form.Exchange->ExitPlease; }

    void Progress(qint32 position, qint32 maximum) override
    {
        Form.Gauge3->setRange(0, maximum);
        Form.Gauge3->setValue(position);
    }

    void PostClosing() override
    {
        Form.PostRequest(ImportFinishedRequest(Form.AccountNumber, Form.LoginName, Form.Password), rcImportFinished,
                         false);
    }

    qint32 RecordsImported() const override { return Form.RecordsImported; }

    void Summary(const QStringList& lines) override
    {
        Form.Gauge3->hide();
        Form.ShowRunProgress();
        Form.ListBox3->addItems(lines);
    }

private:
    TForm1& Form;
};

} // namespace

void TForm1::ConnectImportPage()
{
    // One line per message, all of one height: without this the list lays out every item
    // again on each message, and a long run slows down row by row.
    ListBox3->setUniformItemSizes(true);
    connect(Button20, &QPushButton::clicked, this, Guard(&TForm1::Button20Click));
    connect(Button18, &QPushButton::clicked, this, Guard(&TForm1::Button18Click));
}

void TForm1::TabSheet7Show()
{
    Button18->setEnabled(false);
}

void TForm1::Button20Click()
{
    RecordsImported = 0;
    Label20->hide();
    // One run per program: Start never comes back.
    Button20->setEnabled(false);
    RunImport();
}

void TForm1::RunImport()
{
    TWindowImportHost host(*this);
    TImportRun run(host);
    ImportRun = &run;
    // A failed closing request leaves the run through here; the close procedure must
    // still see that no run is on the stack any more.
    struct TRunGuard
    {
        TImportRun*& Run;
        ~TRunGuard() { Run = nullptr; }
    } guard{ImportRun};

    // Thousands of replies a second would otherwise repaint the page after every
    // row; the window shows the progress ten times a second and stays responsive.
    QTimer paintTick;
    paintTick.setInterval(100);
    connect(&paintTick, &QTimer::timeout, this, Guard([this] {
        ShowRunProgress();
        setUpdatesEnabled(true);
        repaint();
        setUpdatesEnabled(false);
    }));
    struct TPaintGuard
    {
        TForm1& Form;
        ~TPaintGuard()
        {
            Form.ShowRunProgress();
            Form.setUpdatesEnabled(true);
        }
    } paintGuard{*this};
    setUpdatesEnabled(false);
    paintTick.start();

    run.Run(SourceLines, CheckBox1->isChecked());

    Button16->setEnabled(false);
    Button18->setEnabled(true);
}

void TForm1::Button18Click()
{
    ShowPage(TabSheet8);
}

void TForm1::SendRecord(const QStringList& rowList)
{
    const TRecordText record = ComposeRecord(rowList, ColumnMap, FieldCatalogue.Entries, AccountNumber, LoginName,
                                             Password, SiteNumber, CRow);
    ListBox1->addItems(record.Diagnostics);
    if (record.IsRequest())
        PostRequest(record.Text, rcRecord, true);
}

bool TForm1::IsBusy() const
{
    return Exchange->HTTPS1.Busy() || (ImportRun && ImportRun->IsRunning());
}
