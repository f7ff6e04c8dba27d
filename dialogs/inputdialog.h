// The skinned input dialog component: asks for one line of text.
#pragma once

#include <string>

class TbsSkinInputDialog {
  public:
    // Shows the value selected in the field; on confirmation the value becomes the field's text
    // and the result is true, otherwise the value stays as it was. Texts are ANSI.
    bool QueryText(const std::string& caption, const std::string& prompt, std::string& value);
    // The field's text when confirmed (possibly empty), the default unchanged when cancelled.
    std::string AskText(const std::string& caption, const std::string& prompt,
                        const std::string& defaultText);
};
