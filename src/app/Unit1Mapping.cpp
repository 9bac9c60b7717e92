#include "app/Unit1.h"

void TForm1::ConnectMappingPage() {}
void TForm1::TabSheet4Show() {}
void TForm1::StringGrid1Click() {}
void TForm1::ComboBox3Change() {}
void TForm1::ComboBox4Change() {}
void TForm1::ComboBox5Change() {}
void TForm1::ComboBox2Change() {}
void TForm1::RadioButton20Click() {}
void TForm1::RadioButton20MouseUp() {}
void TForm1::Button9Click() {}
void TForm1::Button22Click() {}
void TForm1::Image7Click() {}
void TForm1::Label30MouseEnter() {}
void TForm1::Label31MouseEnter() {}
void TForm1::Label32MouseEnter() {}
void TForm1::ListBox5MouseMove() {}
void TForm1::ListBox6MouseMove() {}
void TForm1::WMEnterSizeMove() {}
