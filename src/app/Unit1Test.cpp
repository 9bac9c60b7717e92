#include "app/Unit1.h"

void TForm1::ConnectTestPage() {}
void TForm1::Button10Click() {}
void TForm1::TabSheet5Show() {}
void TForm1::Button8Click() {}
void TForm1::Button17Click() {}
