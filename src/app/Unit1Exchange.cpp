#include "app/Unit1.h"

#include "exchange/Exchange.h"

void TForm1::ConnectExchange() {}
bool TForm1::ConfigureConnection() { return true; }
void TForm1::PostRequest(const QString&, quint16, bool) {}
QString TForm1::encodeString(const QString& iString) const { return iString; }
void TForm1::Timer1Timer() {}
void TForm1::HTTPS1StartTransfer(int) {}
void TForm1::HTTPS1Transfer(int, qint64, int, const QString&) {}
void TForm1::HTTPS1EndTransfer(int) {}
void TForm1::HTTPS1Error(int, const QString&) {}
void TForm1::DispatchReply(quint16, const QString&) {}
void TForm1::AddServerMessages(const QString&) {}
