// The single instances of the windows: each is found from the moment its own creation begins, so a
// handler running in a nested loop of a creation handler never meets a missing earlier window.
#include "app/forms.h"
#include "platform/handles.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Slots {
    struct Probe* first = nullptr;
    struct Probe* second = nullptr;
};

struct Probe {
    explicit Probe(Slots* s = nullptr) : slots(s) {}
    Slots* slots;
    std::string seen;
    void Create() {
        // What a handler inside this creation would find.
        seen = std::string(slots->first ? "first" : "-") + " " + (slots->second ? "second" : "-");
    }
};

TEST(FormsTest, EachWindowIsPublishedBeforeItIsBuilt) {
    Slots slots;
    Probe first(&slots), second(&slots);
    CreateForm(slots.first, first);
    EXPECT_EQ("first -", first.seen);
    CreateForm(slots.second, second);
    EXPECT_EQ("first second", second.seen);
}

TEST(FormsTest, AWindowNotBuiltYetFailsTheCommandThatNeedsIt) {
    Probe* missing = nullptr;
    EXPECT_THROW(Built(missing), std::runtime_error);
    Probe present;
    EXPECT_EQ(&present, &Built(&present));
}

DWORD WINAPI EnterBothApartments(void* threw) {
    ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    try {
        OleApartment apartment;
    } catch (const std::runtime_error&) {
        *static_cast<bool*>(threw) = true;
    }
    ::CoUninitialize();
    return 0;
}

TEST(OleApartmentTest, FailsWhereTheThreadAlreadyHasAnother) {
    // A thread in the multi-threaded apartment cannot enter the single-threaded one.
    bool threw = false;
    HANDLE thread = ::CreateThread(nullptr, 0, EnterBothApartments, &threw, 0, nullptr);
    ::WaitForSingleObject(thread, INFINITE);
    ::CloseHandle(thread);
    EXPECT_TRUE(threw);
}

}  // namespace
