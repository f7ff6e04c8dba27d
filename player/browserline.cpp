#include "player/browserline.h"

#include "platform/textconv.h"

std::u16string BrowserCommandLine(const std::u16string& browser, const std::string& url,
                                  const std::u16string& profile) {
    std::u16string line = u"\"" + browser + u"\" --app=" + Utf8ToUtf16(url) +
                          u" --window-size=1024,652 --no-first-run --no-default-browser-check"
                          u" --autoplay-policy=no-user-gesture-required";
    if (!profile.empty()) line += u" \"--user-data-dir=" + profile + u"\"";
    return line;
}
