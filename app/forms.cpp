#include "app/forms.h"

Forms& AppForms() {
    static Forms forms;
    return forms;
}
