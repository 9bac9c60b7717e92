#include "SandboxProcess.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray Head = "AC=123456789&EL=demo@example.org&EP=sandbox-demo";

QByteArray PostRequest(const QByteArray& envelope, bool close = false)
{
    const QByteArray body = "--sbx\r\nContent-Type: text/plain; charset=\"iso-8859-1\"\r\n\r\n" + envelope
                            + "\r\n--sbx--\r\n";
    return "POST /ex/import.dll HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/plain\r\nContent-Length: "
           + QByteArray::number(body.size()) + (close ? "\r\nConnection: close" : "") + "\r\n\r\n" + body;
}

struct TReply
{
    int Status = 0;
    QByteArray Body;
    bool Complete = false;
};

// A small client on one connection, plain or TLS, reading one
// Content-Length-framed reply at a time with a bounded wait.
class TRawClient
{
public:
    bool Connect(int port, bool tls, const QString& caFile, QSsl::SslProtocol protocol = QSsl::TlsV1_2OrLater)
    {
        if (tls) {
            QSslConfiguration config = QSslConfiguration::defaultConfiguration();
            config.setCaCertificates(QSslCertificate::fromPath(caFile));
            config.setProtocol(protocol);
            Socket.setSslConfiguration(config);
            Socket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), quint16(port));
            return Socket.waitForEncrypted(10000);
        }
        Socket.connectToHost(QStringLiteral("127.0.0.1"), quint16(port));
        return Socket.waitForConnected(10000);
    }

    TReply Exchange(const QByteArray& request, int timeoutMs = 10000)
    {
        Socket.write(request);
        return Read(timeoutMs);
    }

    TReply Read(int timeoutMs)
    {
        TReply reply;
        QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            const qsizetype headerEnd = Buffer.indexOf("\r\n\r\n");
            if (headerEnd >= 0) {
                const QByteArray head = Buffer.left(headerEnd);
                const qsizetype at = head.toLower().indexOf("content-length:");
                const qsizetype lineEnd = head.indexOf("\r\n", at);
                const int length = at < 0 ? 0
                                          : head.mid(at + 15, (lineEnd < 0 ? head.size() : lineEnd) - at - 15)
                                                .trimmed()
                                                .toInt();
                if (Buffer.size() >= headerEnd + 4 + length) {
                    reply.Status = head.mid(9, 3).toInt();
                    reply.Body = Buffer.mid(headerEnd + 4, length);
                    reply.Complete = true;
                    Buffer.remove(0, headerEnd + 4 + length);
                    return reply;
                }
            }
            if (deadline.hasExpired() || Socket.state() != QAbstractSocket::ConnectedState)
                return reply;
            if (Socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
                Buffer += Socket.readAll();
        }
    }

    QSslSocket Socket;
    QByteArray Buffer;
};

} // namespace

class TestSandboxProcess : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir FDir;
    TSandboxProcess FSandbox;

private slots:
    void initTestCase()
    {
        QVERIFY(FDir.isValid());
        QVERIFY2(FSandbox.Start(FDir.path()), qPrintable(FSandbox.ErrorText()));
        QVERIFY(FSandbox.Port() > 0);
        QCOMPARE(FSandbox.CAFile(), QDir(FDir.path()).absoluteFilePath(QStringLiteral("ca.pem")));
        QCOMPARE(FSandbox.Host(), QStringLiteral("127.0.0.1:") + QString::number(FSandbox.Port()));
    }

    void init()
    {
        QVERIFY2(FSandbox.Reset(), qPrintable(FSandbox.ErrorText()));
    }

    void everyRequestTypeOverOneConnection_data()
    {
        QTest::addColumn<bool>("tls");
        QTest::newRow("http") << false;
        QTest::newRow("https") << true;
    }
    void everyRequestTypeOverOneConnection()
    {
        QFETCH(bool, tls);
        TRawClient client;
        QVERIFY2(client.Connect(FSandbox.Port(), tls, FSandbox.CAFile()), qPrintable(client.Socket.errorString()));
        if (tls)
            QCOMPARE(client.Socket.sessionProtocol(), QSsl::TlsV1_2);
        const QList<QPair<QByteArray, QByteArray>> exchanges{
            {Head + "&RT=1&VE=002", "EL=0\r\n"},
            {Head + "&RT=2", "OK\r\n1\t1\t0\tFirst name\t0\r\n"},
            {Head + "&RT=32", "SI_1=North Branch\r\nSI_2=South Branch\r\n"},
            {Head + "&RT=31&SI=2&1_1=Smith&1_19_1=Driver", "POST=Record 1 received: 2 fields\r\n"},
            {Head + "&RT=110", "Import finished\r\nRecords received: 1\r\n"},
        };
        QByteArrayList sent;
        for (const auto& exchange : exchanges) {
            const TReply reply = client.Exchange(PostRequest(exchange.first));
            QVERIFY2(reply.Complete, exchange.first.constData());
            QCOMPARE(reply.Status, 200);
            QVERIFY2(reply.Body.startsWith(exchange.second), reply.Body.constData());
            // Keep-alive: the same connection carries the next request.
            QCOMPARE(client.Socket.state(), QAbstractSocket::ConnectedState);
            sent << exchange.first;
        }
        QCOMPARE(FSandbox.Requests(), QString::fromLatin1(sent.join('\n')).split(QLatin1Char('\n')));
    }

    void tlsOlderThanOneTwoOrNewerIsRefused()
    {
        TRawClient client;
        QVERIFY(!client.Connect(FSandbox.Port(), true, FSandbox.CAFile(), QSsl::TlsV1_3OrLater));
        // The refusal of one client leaves the service answering others.
        TRawClient next;
        QVERIFY(next.Connect(FSandbox.Port(), true, FSandbox.CAFile()));
        QVERIFY(next.Exchange(PostRequest(Head + "&RT=1&VE=002")).Body.startsWith("EL=0"));
    }

    void errorsAndClose()
    {
        TRawClient client;
        QVERIFY(client.Connect(FSandbox.Port(), false, QString()));
        TReply reply = client.Exchange("GET /nothing HTTP/1.1\r\nHost: x\r\n\r\n");
        QCOMPARE(reply.Status, 404);
        reply = client.Exchange("GET /ex/import.dll HTTP/1.1\r\nHost: x\r\n\r\n");
        QCOMPARE(reply.Status, 405);
        reply = client.Exchange("POST /ex/import.dll HTTP/1.1\r\nContent-Length: 4\r\n\r\nRT=1");
        QCOMPARE(reply.Status, 400);
        reply = client.Exchange(PostRequest(Head + "&RT=77"));
        QCOMPARE(reply.Status, 400);
        reply = client.Exchange(PostRequest(Head + "&RT=1&VE=002", true));
        QVERIFY(reply.Body.startsWith("EL=0"));
        QVERIFY(client.Socket.state() == QAbstractSocket::UnconnectedState
                || client.Socket.waitForDisconnected(5000));
    }

    void faults_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("status");  // 0: no reply at all
        QTest::addColumn<bool>("closed"); // the service closed the connection
        QTest::newRow("status500") << "status500" << 500 << false;
        QTest::newRow("empty") << "empty" << 200 << false;
        QTest::newRow("drop") << "drop" << 0 << true;
        QTest::newRow("noreply") << "noreply" << 0 << false;
    }
    void faults()
    {
        QFETCH(QString, mode);
        QFETCH(int, status);
        QFETCH(bool, closed);
        QVERIFY(FSandbox.Fault(mode, 1, 0, 31));
        TRawClient client;
        QVERIFY(client.Connect(FSandbox.Port(), true, FSandbox.CAFile()));
        // A login passes: the switch is for records only.
        QVERIFY(client.Exchange(PostRequest(Head + "&RT=1&VE=002")).Body.startsWith("EL=0"));
        const TReply reply = client.Exchange(PostRequest(Head + "&RT=31&SI=0&1_1=a"), 1500);
        QCOMPARE(reply.Complete, status != 0);
        if (status != 0) {
            QCOMPARE(reply.Status, status);
            if (mode == QLatin1String("empty"))
                QVERIFY(reply.Body.isEmpty());
        }
        if (closed)
            QVERIFY(client.Socket.state() == QAbstractSocket::UnconnectedState
                    || client.Socket.waitForDisconnected(3000));
        else
            QCOMPARE(client.Socket.state(), QAbstractSocket::ConnectedState);

        // Used up: the same record now gets its answer.
        TRawClient again;
        QVERIFY(again.Connect(FSandbox.Port(), false, QString()));
        QVERIFY(again.Exchange(PostRequest(Head + "&RT=31&SI=0&1_1=a")).Body.startsWith("POST=Record "));
        QCOMPARE(FSandbox.Requests().size(), 3);
    }

    void delayFaultHoldsTheAnswer()
    {
        QVERIFY(FSandbox.Fault(QStringLiteral("delay"), 2, 600));
        TRawClient client;
        QVERIFY(client.Connect(FSandbox.Port(), false, QString()));
        QElapsedTimer timer;
        timer.start();
        // Two pipelined requests: both delayed, answered in order.
        client.Socket.write(PostRequest(Head + "&RT=1&VE=001") + PostRequest(Head + "&RT=32"));
        const TReply first = client.Read(5000);
        QVERIFY(first.Complete);
        QVERIFY2(timer.elapsed() >= 550, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(first.Body.startsWith("EL=1"));
        const TReply second = client.Read(5000);
        QVERIFY(second.Body.startsWith("SI_1="));
        QVERIFY(timer.elapsed() >= 1150);
        timer.restart();
        QVERIFY(client.Exchange(PostRequest(Head + "&RT=110")).Complete);
        QVERIFY(timer.elapsed() < 550);
    }

    void faultUntilResetAndControlErrors()
    {
        QVERIFY(FSandbox.Fault(QStringLiteral("status500"), 0));
        TRawClient client;
        QVERIFY(client.Connect(FSandbox.Port(), false, QString()));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(client.Exchange(PostRequest(Head + "&RT=2")).Status, 500);
        QVERIFY(FSandbox.Reset());
        QCOMPARE(client.Exchange(PostRequest(Head + "&RT=2")).Status, 200);
        QVERIFY(FSandbox.Requests().size() == 1);
        QVERIFY(!FSandbox.Fault(QStringLiteral("sometimes")));
        QVERIFY(FSandbox.ErrorText().contains(QLatin1String("400")));
    }

    void mailboxHoldsMaskedRecordsOnly()
    {
        const QString mailboxPath = QDir(FSandbox.DataDir()).filePath(QStringLiteral("mailbox.txt"));
        QFile::remove(mailboxPath);
        TRawClient client;
        QVERIFY(client.Connect(FSandbox.Port(), true, FSandbox.CAFile()));
        QVERIFY(client.Exchange(PostRequest(Head + "&RT=1&VE=002")).Complete);
        QVERIFY(client.Exchange(PostRequest(Head + "&RT=31&SI=1&1_1=Ann")).Complete);
        QVERIFY(client.Exchange(PostRequest(Head + "&RT=32")).Complete);
        QVERIFY(client.Exchange(PostRequest(Head + "&RT=31&SI=1&1_1=Bob&99_13=a=b")).Complete);
        QFile mailbox(mailboxPath);
        QVERIFY(mailbox.open(QIODevice::ReadOnly));
        QCOMPARE(mailbox.readAll(), QByteArray("AC=123456789&EL=demo@example.org&EP=************&RT=31&SI=1&1_1=Ann\n"
                                               "AC=123456789&EL=demo@example.org&EP=************&RT=31&SI=1&1_1=Bob&99_13=a=b\n"));
        // The requests list is memory only and keeps the password for the tests.
        QVERIFY(FSandbox.Requests().value(1).contains(QLatin1String("EP=sandbox-demo")));
    }

    void secondStartReusesTheCertificates()
    {
        auto digest = [](const QString& path) {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
                                                  : QByteArray();
        };
        const QString dir = FSandbox.DataDir();
        const QByteArray ca = digest(dir + QStringLiteral("/ca.pem"));
        const QByteArray server = digest(dir + QStringLiteral("/server.pem"));
        QVERIFY(!ca.isEmpty() && !server.isEmpty());
        QCOMPARE(QFile::permissions(dir + QStringLiteral("/server.key")) & (QFile::ReadOther | QFile::ReadGroup),
                 QFile::Permissions());

        TSandboxProcess second;
        QVERIFY2(second.Start(dir), qPrintable(second.ErrorText()));
        QVERIFY(second.Port() != FSandbox.Port());
        QCOMPARE(digest(dir + QStringLiteral("/ca.pem")), ca);
        QCOMPARE(digest(dir + QStringLiteral("/server.pem")), server);
        TRawClient client;
        QVERIFY(client.Connect(second.Port(), true, second.CAFile()));
        QVERIFY(client.Exchange(PostRequest(Head + "&RT=1&VE=002")).Body.startsWith("EL=0"));
        second.Stop();
        QVERIFY(!second.IsRunning());

        // A damaged certificate is replaced rather than served.
        QFile damaged(dir + QStringLiteral("/server.pem"));
        QVERIFY(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
        damaged.write("garbage");
        damaged.close();
        TSandboxProcess third;
        QVERIFY2(third.Start(dir), qPrintable(third.ErrorText()));
        QVERIFY(digest(dir + QStringLiteral("/ca.pem")) != ca);
        TRawClient fresh;
        QVERIFY(fresh.Connect(third.Port(), true, third.CAFile()));
    }

    void startFailsCleanlyOnAnUnusableDataDir()
    {
        TSandboxProcess broken;
        QVERIFY(!broken.Start(QStringLiteral("/proc/qimport-no-such-place")));
        QVERIFY(!broken.ErrorText().isEmpty());
        QVERIFY(!broken.IsRunning());
    }
};

QTEST_GUILESS_MAIN(TestSandboxProcess)
#include "sandbox_process.moc"
