#include "app/Unit1.h"

#include "app/MessageListModel.h"

#include "exchange/Envelope.h"
#include "exchange/Exchange.h"
#include "exchange/Replies.h"

#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace
{
// The wait gauges run from 0 to 120; the watchdog may count past that once the run is stopping.
int GaugeValue(quint32 ticks)
{
    return int(qMin<quint32>(ticks, 120));
}
} // namespace

void TForm1::ConnectExchange()
{
    connect(Timer1, &QTimer::timeout, this, Guard(&TForm1::Timer1Timer));

    // The client's events reach the exchange through the window's handlers only, never twice.
    // A handler's failure ends the post in progress and leaves it through the caller.
    THTTPSClient* client = &Exchange->HTTPS1;
    QObject::disconnect(client, nullptr, Exchange, nullptr);
    connect(client, &THTTPSClient::StartTransfer, this, client->EventHandler(this, &TForm1::HTTPS1StartTransfer));
    connect(client, &THTTPSClient::Transfer, this, client->EventHandler(this, &TForm1::HTTPS1Transfer));
    connect(client, &THTTPSClient::EndTransfer, this, client->EventHandler(this, &TForm1::HTTPS1EndTransfer));
    connect(client, &THTTPSClient::Error, this, client->EventHandler(this, &TForm1::HTTPS1Error));

    Exchange->OnReply = [this](quint16 waitFor, const QString& reply) { DispatchReply(waitFor, reply); };
    Exchange->ConfigureConnection = [this] { ConfigureConnection(); };
    Exchange->OnTicks = [this](quint32 ticks) {
        Gauge1->setValue(GaugeValue(ticks));
        Gauge2->setValue(GaugeValue(ticks));
    };
    Exchange->ShowTimeoutError = [this](const QString& text) { Prompt().ShowError(text); };
}

bool TForm1::ConfigureConnection()
{
    TEndpointOptions endpoint = Endpoint;
    if (endpoint.Host.isEmpty())
        endpoint.Host = QString::fromLatin1(DefaultEndpointHost);
    try {
        ApplyConnectionSettings(Exchange->HTTPS1, Setup, endpoint, RunLog);
    } catch (...) {
        // No request may be left waiting on a client that is only half set up.
        Exchange->WaitFor = 0;
        Exchange->Waiting = false;
        Gauge1->setValue(0);
        Exchange->ResponseText.clear();
        Exchange->WaitTicks = 0;
        RunLog.Add(QStringLiteral(" Exception in http initialization"));
        Prompt().ShowError(QStringLiteral("Unable to connect to the Internet. Check your Connection Settings and "
                                          "your Internet connection, then try again."));
        throw;
    }
    return true;
}

void TForm1::PostRequest(const QString& text, quint16 replyCode, bool retrying)
{
    Exchange->PostRequest(text, replyCode, retrying);
}

QString TForm1::encodeString(const QString& iString) const
{
    return ::encodeString(iString);
}

void TForm1::Timer1Timer()
{
    Exchange->Timer1Timer();
}

void TForm1::HTTPS1StartTransfer(int direction)
{
    Exchange->HTTPS1StartTransfer(direction);
}

void TForm1::HTTPS1Transfer(int direction, qint64 bytesTransferred, int percentDone, const QString& text)
{
    Exchange->HTTPS1Transfer(direction, bytesTransferred, percentDone, text);
}

void TForm1::HTTPS1EndTransfer(int direction)
{
    Exchange->HTTPS1EndTransfer(direction);
}

void TForm1::HTTPS1Error(int errorCode, const QString& description)
{
    Exchange->HTTPS1Error(errorCode, description);
}

void TForm1::ReportHttpError(quint16 waitFor, int status)
{
    // An error page is no verdict, no catalogue and no site list: the page stays and
    // its button can be pressed again.
    const QString message = HttpErrorMessage(waitFor, status);
    RunLog.Add(message);
    switch (waitFor) {
    case rcLogin:
        Button2->setEnabled(true);
        break;
    case rcFieldList:
        Button4->setEnabled(true);
        break;
    case rcSiteList:
        Button8->setEnabled(true);
        break;
    default:
        break;
    }
    Prompt().ShowError(message);
}

void TForm1::DispatchReply(quint16 waitFor, const QString& reply)
{
    const int status = Exchange->ReplyStatus;
    if (IsHttpError(status) && (waitFor == rcLogin || waitFor == rcFieldList || waitFor == rcSiteList)) {
        ReportHttpError(waitFor, status);
        return;
    }
    switch (waitFor) {
    case rcLogin:
        switch (LoginVerdict(reply)) {
        case TLoginVerdict::Accepted:
            RunLog.Add(QStringLiteral("Quillmarsh account credentials validated"));
            ShowPage(TabSheet3);
            break;
        case TLoginVerdict::Outdated:
            RunLog.Add(QStringLiteral("Outdated import utility version"));
            Label8->setVisible(true);
            Label24->setVisible(true);
            break;
        case TLoginVerdict::Rejected:
            RunLog.Add(QStringLiteral("Invalid Quillmarsh account credentials"));
            Label8->setVisible(true);
            Label10->setVisible(true);
            break;
        }
        break;
    case rcFieldList:
        Button4->setEnabled(false);
        ListBox1->clear();
        {
            // Lines from 256 on never enter the catalogue; a list item per line
            // of a huge reply would cost far more than the reply itself.
            qsizetype more = 0;
            ListBox1->addItems(FirstReplyLines(reply, CatalogueSize - 1, &more));
            if (more > 0)
                ListBox1->addItem(QStringLiteral("... %1 more lines not kept").arg(more));
        }
        LoadFieldCatalogue(reply);
        LoadSourceFile();
        StringGrid1Click();
        ShowPage(TabSheet4);
        break;
    case rcSiteList:
        ShowPage(LoadSiteList(reply) ? TabSheet6 : TabSheet7);
        break;
    case rcRecord:
        RecordAnswer.Answered = true;
        RecordAnswer.HttpStatus = status;
        RecordAnswer.Text = reply;
        // An error page is not an answer: the row failed and is not counted.
        if (IsHttpError(status))
            break;
        AddServerMessages(reply);
        ++RecordsImported;
        if (!ImportRun)
            ShowRunProgress();
        break;
    default:
        break;
    }
}

void TForm1::AddServerMessages(const QString& reply)
{
    const TReplyMessages added = ListedMessages.AddReply(reply);
    PendingMessages.append(added.Added);
    if (const QString note = added.LogLine(); !note.isEmpty())
        RunLog.Add(note);
}

void TForm1::ShowRunProgress()
{
    if (!PendingMessages.isEmpty()) {
        ImportMessages->Append(PendingMessages);
        PendingMessages.clear();
    }
    if (RecordsImported > 0)
        StatusPanel0->setText(QStringLiteral("Records imported: ") + QString::number(RecordsImported));
}
