#include "platform/guard.h"

#include <cstdio>

namespace {
FailureReporter& Reporter() {
    static FailureReporter reporter;
    return reporter;
}
}  // namespace

void SetFailureReporter(FailureReporter reporter) { Reporter() = std::move(reporter); }

void ReportFailure(const std::string& text) {
    if (Reporter()) {
        Reporter()(text);
    } else {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
}
