// What the resource window tests share: a scratch "resources" folder beside the test program
// (the windows always look for it in the program directory), a scratch folder elsewhere, a movie
// that records the calls it gets, the failures that reach the error report, and mouse input
// posted to a control as the system would deliver it.
#pragma once

#include "bridge/invoke.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace librarytest {

class RecordingMovie : public MovieFunctionCaller {
  public:
    std::u16string CallFunction(const std::u16string& request) override {
        requests.push_back(request);
        if (fail) throw std::runtime_error("Error calling method on NPObject");
        return u"<null/>";
    }
    std::vector<std::u16string> requests;
    bool fail = false;
};

class LibraryTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Creates a file (and its folders) below a scratch folder with the given content.
    static void WriteFile(const std::string& path, const std::string& content = "x");
    static std::string ReadFile(const std::string& path);
    static void RemoveTree(const std::string& path);

    // ProgramDirectory() + "resources", and a folder in the temporary directory.
    std::string resources_;
    std::string scratch_;
    std::vector<std::string> reported_;
};

// Mouse clicks as the system posts them, at the centre of a tree node or a list item.
void ClickTreeItem(HWND tree, HTREEITEM item, bool right = false);
void ClickListItem(HWND list, int index, bool doubleClick = false);
void ClickAt(HWND control, POINT p, bool right = false, bool doubleClick = false);
// Handles what is waiting in the queue for a while.
void PumpFor(DWORD ms);
// The label of a tree node.
std::wstring TreeLabel(HWND tree, HTREEITEM item);

}  // namespace librarytest
