#include "exchange/ConnectionFailure.h"

#include <cerrno>
#include <initializer_list>

namespace
{
bool DetailSays(const TPostFailure& f, std::initializer_list<const char*> phrases)
{
    for (const char* phrase : phrases)
        if (f.Detail.contains(QLatin1String(phrase), Qt::CaseInsensitive))
            return true;
    return false;
}

} // namespace

// Words first, saying what happened and what to check; the library's text after them, for whoever
// has to dig further.
QString ExplainFailure(const TPostFailure& f)
{
    const QString where = f.FirstHop.isEmpty() ? QStringLiteral("%1 port %2").arg(f.Host).arg(f.Port) : f.FirstHop;
    const QString caFileHint = QStringLiteral("If the service uses its own certificate authority, name its CA file "
                                              "with --ca-file or as CAFile in [Connection] of the settings file.");
    QString words;
    switch (f.Result) {
    case CURLE_COULDNT_CONNECT: {
        const QString check = f.FirstHop.isEmpty()
                                  ? QStringLiteral("Check the host name and the port, and that the service is "
                                                   "running there.")
                                  : QStringLiteral("Check the Connection Settings.");
        if (f.OsError == ECONNREFUSED)
            words = QStringLiteral("The connection to %1 was refused. ").arg(where) + check;
        else
            words = QStringLiteral("Could not reach %1. ").arg(where) + check;
        break;
    }
    case CURLE_COULDNT_RESOLVE_HOST:
        words = QStringLiteral("The host name %1 could not be found. Check the host name and your Internet "
                               "connection.")
                    .arg(f.Host);
        break;
    case CURLE_COULDNT_RESOLVE_PROXY:
        words = QStringLiteral("The name of %1 could not be found. Check the Connection Settings.").arg(where);
        break;
    case CURLE_SSL_CONNECT_ERROR:
        // A plain HTTP server answers the TLS greeting with text that is no TLS record at all.
        if (DetailSays(f, {"wrong version number", "unknown protocol", "packet length too long"}))
            words = QStringLiteral("The server did not answer with a secure connection. Check the SSL setting and "
                                   "the port.");
        else
            words = QStringLiteral("The secure connection to %1 could not be set up.").arg(where);
        break;
    case CURLE_PEER_FAILED_VERIFICATION:
        if (DetailSays(f, {"subject name", "does not match", "host name"}))
            words = QStringLiteral("The certificate of %1 was issued for another host name. Check the host name.")
                        .arg(f.Host);
        else if (DetailSays(f, {"expired"}))
            words = QStringLiteral("The certificate of %1 has expired.").arg(f.Host);
        else
            words = QStringLiteral("The certificate of %1 is not trusted. ").arg(f.Host) + caFileHint;
        break;
    case CURLE_SSL_CACERT_BADFILE:
        words = QStringLiteral("The CA file %1 cannot be read. Check --ca-file or CAFile in [Connection] of the "
                               "settings file.")
                    .arg(f.CAFile);
        break;
    case CURLE_OPERATION_TIMEDOUT:
        words = QStringLiteral("The request to %1 timed out.").arg(f.Host);
        break;
    default:
        return f.Detail;
    }
    return words + QStringLiteral(" (") + f.Detail + QLatin1Char(')');
}
