#include "player/browserline.h"

#include "platform/textconv.h"

namespace {

std::u16string Pair(int first, int second) {
    return Utf8ToUtf16(std::to_string(first) + "," + std::to_string(second));
}

}  // namespace

std::u16string BrowserCommandLine(const std::u16string& browser, const std::string& url,
                                  const std::u16string& profile, ScreenPoint at) {
    std::u16string line = u"\"" + browser + u"\" --app=" + Utf8ToUtf16(url) + u" --window-size=" +
                          Pair(kPageWidth, kPageHeight) + u" --window-position=" +
                          Pair(at.x, at.y) +
                          u" --no-first-run --no-default-browser-check"
                          u" --autoplay-policy=no-user-gesture-required";
    if (!profile.empty()) line += u" \"--user-data-dir=" + profile + u"\"";
    return line;
}
