// The single instance of each window class, created at start in this order and living until the
// process ends. Only app/ knows all of them; the other windows get what they need handed in.
#pragma once

class TForm1;
class TForm2;
class TForm3;
class TForm5;
class TForm6;

struct Forms {
    TForm1* form1 = nullptr;
    TForm2* form2 = nullptr;
    TForm3* form3 = nullptr;
    TForm5* form5 = nullptr;
    TForm6* form6 = nullptr;
};

Forms& AppForms();
