#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

struct THttpRequest
{
    QByteArray Method;
    QByteArray Target;  // path and query as sent
    QByteArray Version; // "HTTP/1.1"
    QList<QPair<QByteArray, QByteArray>> Headers;
    QByteArray Body;

    QByteArray Header(const QByteArray& name) const; // first match, name compared without case
    QByteArray Path() const;                          // Target without the query
    QByteArray Query() const;                         // after "?", may be empty
    bool KeepAlive() const;                           // HTTP/1.1 unless "Connection: close"
};

// Gathers bytes of one connection and hands out complete requests, one at a
// time, so keep-alive and pipelined requests are answered in order.
class THttpRequestReader
{
public:
    enum TResult { NeedMore, Complete, Bad };

    static constexpr qsizetype MaxHeaderBytes = 64 * 1024;
    static constexpr qsizetype MaxBodyBytes = 16 * 1024 * 1024;

    void Append(const QByteArray& bytes) { FBuffer += bytes; }
    // Takes the next complete request out of the buffer. Bad leaves a reason in error.
    TResult Next(THttpRequest& request, QString* error = nullptr);
    qsizetype Buffered() const { return FBuffer.size(); }

private:
    QByteArray FBuffer;
};

QByteArray FormatHttpResponse(int status, const QByteArray& body, bool keepAlive);
QByteArray HttpReasonPhrase(int status);
