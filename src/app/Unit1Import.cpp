#include "app/Unit1.h"

#include "app/MessageListModel.h"
#include "exchange/Envelope.h"
#include "exchange/Exchange.h"
#include "importer/ImportRun.h"
#include "importer/RecordEncoder.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QTimer>
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
        , Preparer(form.ColumnMap, form.FieldCatalogue.Entries,
                   RecordHead(form.AccountNumber, form.LoginName, form.Password, form.SiteNumber))
    {
        PrepareTimer.setSingleShot(true);
        PrepareTimer.setInterval(0);
    }

    // Fires inside the wait for the current reply, once its request is on its way.
    QTimer PrepareTimer;

    void BeforeRow() override
    {
        Form.Exchange->Retry = true;
        Form.Exchange->RetryCount = 0;
    }

    TRecordReply SendRecord(const QStringList& rowList, qint32 cRow) override
    {
        Form.CRow = cRow;
        Form.RecordAnswer = TRecordReply();
        Form.Exchange->Posts = 0;
        if (Preparer.IsReady(cRow))
            Form.SendPreparedRecord(Preparer.Take(rowList, cRow));
        else
            Form.SendRecord(rowList);
        TRecordReply reply = std::exchange(Form.RecordAnswer, TRecordReply());
        reply.Posts = Form.Exchange->Posts;
        return reply;
    }

    void UpcomingRecord(const QStringList& rowList, qint32 cRow) override
    {
        Upcoming = rowList;
        UpcomingRow = cRow;
        PrepareTimer.start();
    }

    void PrepareUpcoming()
    {
        if (UpcomingRow >= 0)
            Preparer.Prepare(Upcoming, UpcomingRow);
        UpcomingRow = -1;
    }

    bool ExitPlease() const override { return Form.Exchange->ExitPlease; }

    // Kept until the next tick: the gauge changes only when the window shows progress.
    void Progress(qint32 position, qint32 maximum) override
    {
        Position = position;
        Maximum = maximum;
    }

    void RowFailed(const TRowEntry& entry) override { Form.PendingMessages.append(RowFailedNote(entry)); }

    bool StopAfterFailures(qint32 failures) override
    {
        // The page behind the question shows what led to it.
        ShowProgress();
        return Form.Prompt().Confirm(
            FailuresInARowText(failures) + QStringLiteral("\n\nStop the import? The rows after them will not be "
                                                          "sent; the results file lists them as not sent."));
    }

    void PostClosing() override
    {
        Form.PostRequest(ImportFinishedRequest(Form.AccountNumber, Form.LoginName, Form.Password), rcImportFinished,
                         false);
    }

    qint32 RecordsImported() const override { return Form.RecordsImported; }

    void Summary(const QStringList& lines) override
    {
        ShowProgress();
        Form.Gauge3->hide();
        Form.ImportMessages->Append(lines);
    }

    // What changed since the last tick reaches the page: the new messages, the count, the gauge.
    void ShowProgress()
    {
        Form.ShowRunProgress();
        if (Maximum >= 0) {
            Form.Gauge3->setRange(0, Maximum);
            Form.Gauge3->setValue(Position);
        }
    }

private:
    TForm1& Form;
    // The run's account, login name, password and Site are set before it starts.
    TRecordPreparer Preparer;
    QStringList Upcoming;
    qint32 UpcomingRow = -1;
    qint32 Position = 0;
    qint32 Maximum = -1; // none yet
};

} // namespace

void TForm1::ConnectImportPage()
{
    connect(Button20, &QPushButton::clicked, this, Guard(&TForm1::Button20Click));
    connect(Button18, &QPushButton::clicked, this, Guard(&TForm1::Button18Click));
    connect(Button26, &QPushButton::clicked, this, Guard(&TForm1::Button26Click));
    connect(Button27, &QPushButton::clicked, this, Guard(&TForm1::Button27Click));
    connect(Button28, &QPushButton::clicked, this, Guard(&TForm1::Button28Click));
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
    ImportRows(nullptr);
}

void TForm1::ImportRows(const TRunLedger* previous)
{
    TWindowImportHost host(*this);
    TImportRun run(host, Ledger);
    ImportRun = &run;
    // A failed closing request leaves the run through here; the close procedure must
    // still see that no run is on the stack any more, and Stop is over.
    struct TRunGuard
    {
        TForm1& Form;
        ~TRunGuard()
        {
            Form.ImportRun = nullptr;
            Form.Button26->setEnabled(false);
            Form.Results.Close();
        }
    } guard{*this};

    Exchange->StopPlease = false;
    OpenResultsFile();
    run.SetResultsFile(Results.IsOpen() ? &Results : nullptr);
    Button26->setEnabled(true);

    // Thousands of replies a second would otherwise change the page, and so repaint
    // it, after every row: the page takes what changed ten times a second, and only
    // that is repainted. The window paints as always in between.
    QTimer progressTick;
    progressTick.setInterval(100);
    connect(&progressTick, &QTimer::timeout, this, Guard([&host] { host.ShowProgress(); }));
    struct TProgressGuard
    {
        TWindowImportHost& Host;
        ~TProgressGuard() { Host.ShowProgress(); }
    } progressGuard{host};
    progressTick.start();
    connect(&host.PrepareTimer, &QTimer::timeout, this, Guard([&host] { host.PrepareUpcoming(); }));

    run.Run(SourceLines, CheckBox1->isChecked(), previous);

    RunLog.Add(QStringLiteral("Import run: %1 rows imported, %2 failed, %3 not sent")
                   .arg(Ledger.Count(TRowOutcome::Imported))
                   .arg(Ledger.Count(TRowOutcome::Failed))
                   .arg(Ledger.Count(TRowOutcome::NotSent)));
    if (!Results.Error().isEmpty())
        RunLog.Add(QStringLiteral(" Results file incomplete: ") + Results.Error());
    Button16->setEnabled(false);
    Button18->setEnabled(true);
    ShowResults();
}

void TForm1::OpenResultsFile()
{
    // Beside the source file, named by the time the run starts; else where the program keeps
    // its run log (beside the program, or the user's own folder for an installed copy), which
    // it can write to.
    ResultsPlace = CreateResultsFile(Results, FileName, QFileInfo(LogPath()).absolutePath(), Now(),
                                     ResultsCellHeadings(SourceLines, CheckBox1->isChecked()));
    if (ResultsPlace.Created)
        RunLog.Add(QStringLiteral("Results file: ") + Results.Path());
    else
        RunLog.Add(QStringLiteral("No results file: ") + ResultsPlace.Error);
}

void TForm1::ShowResults()
{
    QString text;
    if (ResultsPlace.Created) {
        if (ResultsPlace.FellBack)
            text += QStringLiteral("The source file's folder cannot be written to (") + ResultsPlace.SourceDirError +
                    QStringLiteral("), so the results file is in the program's folder, beside its run log.\n");
        text += QStringLiteral("The outcome of every row is in the results file\n") +
                QDir::toNativeSeparators(Results.Path());
        if (!Results.Error().isEmpty())
            text += QStringLiteral(" (incomplete: ") + Results.Error() + QLatin1Char(')');
        text += QStringLiteral("\n");
    } else {
        text += QStringLiteral("No results file could be written: ") + ResultsPlace.Error + QStringLiteral("\n");
    }
    text += QStringLiteral("Rows imported: %1, failed: %2, not sent: %3")
                .arg(Ledger.Count(TRowOutcome::Imported))
                .arg(Ledger.Count(TRowOutcome::Failed))
                .arg(Ledger.Count(TRowOutcome::NotSent));
    if (const qint32 skipped = Ledger.Count(TRowOutcome::Skipped); skipped > 0)
        text += QStringLiteral(", skipped (no cell): ") + QString::number(skipped);
    Label35->setText(text);
    Button27->setVisible(ResultsPlace.Created);
    Button28->setVisible(Ledger.NotImported() > 0);
    Button28->setEnabled(Ledger.NotImported() > 0);
}

void TForm1::Button18Click()
{
    ShowPage(TabSheet8);
}

void TForm1::Button26Click()
{
    if (!ImportRun)
        return;
    // The record in flight finishes; no further record is posted.
    ImportRun->RequestStop();
    Exchange->StopPlease = true;
    Button26->setEnabled(false);
    RunLog.Add(QStringLiteral("Import stopped by the user at row ") + QString::number(CRow + 1));
}

void TForm1::Button27Click()
{
    if (ResultsPlace.Created)
        FOpenFolder(QFileInfo(Results.Path()).absolutePath());
}

void TForm1::Button28Click()
{
    if (ImportRun || Ledger.NotImported() == 0)
        return;
    // Same rows, mapping and Site: only the rows not imported are sent again. A run
    // that gave up may be tried again, so the stop it left behind is lifted.
    const TRunLedger previous = std::move(Ledger);
    Ledger = TRunLedger();
    Exchange->ExitPlease = false;
    Button28->setEnabled(false);
    ShowPage(TabSheet7);
    Button16->setEnabled(true);
    Gauge3->show();
    ImportMessages->Append(QStringLiteral("Importing the rows that were not imported"));
    RecordsImported = 0;
    ImportRows(&previous);
}

void TForm1::SendRecord(const QStringList& rowList)
{
    const TRecordText record = ComposeRecord(rowList, ColumnMap, FieldCatalogue.Entries, AccountNumber, LoginName,
                                             Password, SiteNumber, CRow);
    ListBox1->addItems(record.Diagnostics);
    if (record.IsRequest())
        PostRequest(record.Text, rcRecord, true);
}

void TForm1::SendPreparedRecord(const TPreparedRecord& prepared)
{
    ListBox1->addItems(prepared.Record.Diagnostics);
    if (prepared.Record.IsRequest())
        Exchange->PostEncoded(prepared.Body, rcRecord, true);
}

bool TForm1::IsBusy() const
{
    return Exchange->HTTPS1.Busy() || (ImportRun && ImportRun->IsRunning());
}
