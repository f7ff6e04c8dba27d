#include "player/switches.h"

#include "platform/textconv.h"

#include <vector>

namespace {

// Words as the C runtime splits them, simplified: quotes group and are removed.
std::vector<std::u16string> SplitWords(std::u16string_view line) {
    std::vector<std::u16string> words;
    std::u16string word;
    bool quoted = false, inWord = false;
    for (char16_t c : line) {
        if (c == u'"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == u' ' || c == u'\t') && !quoted) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

}  // namespace

PlayerSwitches ParsePlayerSwitches(std::u16string_view commandLine) {
    PlayerSwitches switches;
    std::vector<std::u16string> words = SplitWords(commandLine);
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::u16string& w = words[i];
        std::u16string_view body = w;
        if (body.empty() || (body[0] != u'/' && body[0] != u'-')) continue;
        body.remove_prefix(1);
        if (body.size() == 6 && StartsWithIgnoringAsciiCase(body, u"ruffle")) {
            switches.ruffle = true;
        } else if (StartsWithIgnoringAsciiCase(body, u"urlfile=")) {
            switches.urlFile = std::u16string(body.substr(8));
        }
    }
    return switches;
}
