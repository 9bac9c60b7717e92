#pragma once

#include <QString>

#include <curl/curl.h>

// What a failed post tells the person in front of it.
struct TPostFailure
{
    CURLcode Result = CURLE_OK;
    long OsError = 0;
    QString Detail;   // the library's own text
    QString Host;     // the service's host, from the URL
    int Port = 0;
    QString FirstHop; // "the proxy server HOST port N" when the client does not connect to the service itself
    QString CAFile;
};

// Words first, saying what happened and what to check; the library's text after them.
QString ExplainFailure(const TPostFailure& f);
