// The single instance of each window class, created at start in this order and living until the
// process ends. Only app/ knows all of them; the other windows get what they need handed in.
#pragma once

#include <stdexcept>

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

// Publishes a window, then builds it, as the framework does: a handler that runs in a nested
// loop while the window is being built (a report from its creation handler, say) finds it and
// every window built before it. Windows not built yet stay null.
template <class Form>
void CreateForm(Form*& published, Form& form) {
    published = &form;
    form.Create();
}

// The window a command needs; one not built yet (a command that arrives during start-up) fails
// the command instead of the program.
template <class Form>
Form& Built(Form* form) {
    if (!form) throw std::runtime_error("Window not created yet");
    return *form;
}
