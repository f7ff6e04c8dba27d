// The request table: names matched exactly and in order, arguments read only when used, replies
// after the action, failures passed on without a reply.
#include "bridge/dispatcher.h"

#include "platform/textconv.h"
#include "tests/unit/bridge/bridgefakes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

const char kGbkHello[] = "\xC4\xE3\xBA\xC3";
const char kUtf8Hello[] = "\xE4\xBD\xA0\xE5\xA5\xBD";

class RecordingHost : public CallHost {
  public:
    std::vector<std::string> events;
    bool flag = true;

    void SetReturnValue(const std::string& reply) override { events.push_back("reply " + reply); }
    bool DragFlag() const override { return flag; }
    void SetDragFlag(bool value) override { flag = value; }
    void DragWindow() override { events.push_back("drag"); }
    void ShowFolderFailure() override { events.push_back("folder message"); }
};

class FixedRandom : public RandomSource {
  public:
    void Seed() override {}
    int Next(int range) override { return range - 1; }
};

std::string Request(const std::string& name, const std::vector<std::string>& args) {
    std::string text = "<invoke name=\"" + name + "\" returntype=\"xml\"><arguments>";
    for (const std::string& a : args) text += "<string>" + XmlEscape(a) + "</string>";
    return text + "</arguments></invoke>";
}

class DispatcherTest : public ::testing::Test {
  protected:
    FakeFileSystem fs;
    FakeRegistry registry;
    FixedRandom random;
    RecordingHost host;
    FileServices files{fs, [] { return std::string("C:\\app\\"); }};
    SettingsStore settings{registry, random, [this] { host.events.push_back("registry failure"); }};
    ExternalCallDispatcher dispatcher{host, files, settings};

    void SetUp() override { fs.AddFolder("C:\\app"); }

    std::vector<std::string> Call(const std::string& request) {
        host.events.clear();
        dispatcher.Handle(InvokeRequest::FromAnsi(request));
        return host.events;
    }
    std::vector<std::string> Call(const std::string& name, const std::vector<std::string>& args) {
        return Call(Request(name, args));
    }
    static std::vector<std::string> Reply(const std::string& reply) { return {"reply " + reply}; }
};

TEST_F(DispatcherTest, FileRequestsReplyAfterTheirAction) {
    EXPECT_EQ(Reply("<string></string>"), Call("loadfile", {"a/b.txt"}));
    EXPECT_EQ(Reply("<false/>"), Call("fileexists", {"a/b.txt"}));
    EXPECT_EQ(Reply("<true/>"), Call("savefile", {"a/b.txt", kGbkHello}));
    EXPECT_EQ(std::string(kUtf8Hello) + "\r\n", fs.files["C:\\app\\a\\b.txt"]);
    EXPECT_EQ(Reply("<true/>"), Call("fileexists", {"a/b.txt"}));
    // The first line comes back as its bytes: here the UTF-8 that "savefile" wrote.
    EXPECT_EQ(Reply(std::string("<string>") + kUtf8Hello + "</string>"),
              Call("loadfile", {"a\\b.txt"}));
    EXPECT_EQ(Reply("<true/>"), Call("saveToUTF8", {"c.txt", "x y"}));
    EXPECT_EQ("x y\r\n", fs.files["C:\\app\\c.txt"]);
    EXPECT_EQ(Reply("<true/>"), Call("saveBytes", {"d.txt", kGbkHello}));
    EXPECT_EQ(std::string(kGbkHello) + "\r\n", fs.files["C:\\app\\d.txt"]);
    EXPECT_EQ(Reply(std::string("<string>") + kGbkHello + "</string>"),
              Call("loadBytes", {"d.txt"}));
    EXPECT_EQ(Reply("<string>C:\\app\\</string>"), Call("getAppDir", {}));
    EXPECT_EQ(Reply("<true/>"), Call("newfolder", {"n/m"}));
    EXPECT_TRUE(fs.FolderExists("C:\\app\\n\\m"));
}

TEST_F(DispatcherTest, RepliesEscapeWhatWouldBreakTheXml) {
    fs.AddFile("C:\\app\\t.txt", "a<b & \"c\"\r\n");
    EXPECT_EQ(Reply("<string>a&lt;b &amp; &quot;c&quot;</string>"), Call("loadfile", {"t.txt"}));
}

TEST_F(DispatcherTest, FailedNewFolderRepliesFalseBeforeTheMessage) {
    fs.AddFile("C:\\app\\taken", "");
    EXPECT_EQ((std::vector<std::string>{"reply <false/>", "folder message"}),
              Call("newfolder", {"taken"}));
}

TEST_F(DispatcherTest, FailuresPropagateWithoutAReply) {
    EXPECT_THROW(Call("loadBytes", {"missing.txt"}), IoError);
    EXPECT_TRUE(host.events.empty());
    fs.AddFile("C:\\app\\file", "");
    EXPECT_THROW(Call("savefile", {"file/below.txt", "x"}), IoError);
    EXPECT_TRUE(host.events.empty());
}

// Rights that Wine cannot take away from the tests, refused here by the fakes: each failure
// reaches the default error report with the platform's text, no reply is set and nothing changes.
TEST_F(DispatcherTest, FileRightsRefusedByThePlatform) {
    auto failure = [this](const std::string& name, const std::vector<std::string>& args) {
        try {
            Call(name, args);
        } catch (const IoError& e) {
            EXPECT_TRUE(host.events.empty()) << name;
            return std::string(e.what());
        }
        return std::string("no error");
    };
    fs.AddFile("C:\\app\\locked.txt", "old\r\n");
    fs.readOnly.insert("C:\\app\\locked.txt");
    EXPECT_EQ("File access denied", failure("savefile", {"locked.txt", "new"}));
    EXPECT_EQ("File access denied", failure("saveBytes", {"locked.txt", "new"}));
    EXPECT_EQ("File access denied", failure("saveToUTF8", {"locked.txt", "new"}));
    EXPECT_EQ("old\r\n", fs.files["C:\\app\\locked.txt"]);
    EXPECT_EQ(Reply("<string>old</string>"), Call("loadfile", {"locked.txt"}));

    fs.AddFile("C:\\app\\secret.txt", "hidden\r\n");
    fs.unreadable.insert("C:\\app\\secret.txt");
    EXPECT_EQ(Reply("<true/>"), Call("fileexists", {"secret.txt"}));
    EXPECT_EQ("File access denied", failure("loadfile", {"secret.txt"}));
    EXPECT_EQ("File access denied", failure("loadBytes", {"secret.txt"}));
    EXPECT_EQ(0, fs.openFiles);

    fs.AddFolder("C:\\app\\shut");
    fs.lockedFolders.insert("C:\\app\\shut");
    EXPECT_EQ((std::vector<std::string>{"reply <false/>", "folder message"}),
              Call("newfolder", {"shut/below"}));
    EXPECT_EQ("Invalid filename", failure("savefile", {"shut/below/x.txt", "new"}));
    EXPECT_EQ("File access denied", failure("saveBytes", {"shut/x.txt", "new"}));
    EXPECT_FALSE(fs.FileExists("C:\\app\\shut\\x.txt"));
    // The program answers the next call as usual.
    EXPECT_EQ(Reply("<string>C:\\app\\</string>"), Call("getAppDir", {}));
}

TEST_F(DispatcherTest, ArgumentsAreReadOnlyWhenUsed) {
    // The path is read and the text is missing: nothing is written.
    EXPECT_THROW(Call("savefile", {"only-path.txt"}), RequestError);
    EXPECT_TRUE(fs.written.empty());
    EXPECT_THROW(Call("saveBytes", {"only-path.txt"}), RequestError);
    EXPECT_THROW(Call("savereg", {"name"}), RequestError);
    EXPECT_TRUE(registry.calls.empty());
    // Requests without arguments do not look for them.
    const std::string bare = "<invoke name=\"%s\"/>";
    for (const char* name : {"getAppDir", "getunique", "enableDragWindow", "disableDragWindow",
                             "DragingWindow", "SaveMemToFile"}) {
        std::string text = "<invoke name=\"" + std::string(name) + "\"/>";
        EXPECT_NO_THROW(Call(text)) << name;
    }
    EXPECT_THROW(Call("<invoke name=\"loadfile\"/>"), RequestError);
}

TEST_F(DispatcherTest, PromptAndSetSizeReadTheirArgumentsAndDoNothingElse) {
    EXPECT_THROW(Call("<invoke name=\"prompt\"/>"), RequestError);
    EXPECT_THROW(Call("prompt", {}), RequestError);
    EXPECT_TRUE(Call("prompt", {"question"}).empty());
    EXPECT_THROW(Call("setSize", {"800"}), RequestError);
    EXPECT_TRUE(Call("setSize", {"800", "600"}).empty());
    EXPECT_TRUE(fs.written.empty());
    EXPECT_TRUE(registry.calls.empty());
}

TEST_F(DispatcherTest, NamesMatchExactlyOtherNamesAreIgnoredSilently) {
    fs.AddFile("C:\\app\\a.txt", "line");
    for (const char* name :
         {"LoadFile", "LOADFILE", "loadFile", "loadfile ", " loadfile", "SaveFile", "saveToUtf8",
          "FileExists", "loadbytes", "NewFolder", "dragingwindow", "DraggingWindow", "getappdir",
          "SaveMemToFile", "", "unknown"}) {
        EXPECT_TRUE(Call(name, {"a.txt", "text"}).empty()) << name;
        // Unknown names do not need arguments at all.
        EXPECT_TRUE(Call("<invoke name=\"" + std::string(name) + "\"/>").empty()) << name;
    }
    EXPECT_TRUE(fs.written.empty());
    EXPECT_TRUE(fs.created.empty());
    EXPECT_TRUE(registry.calls.empty());
    // The name is the first attribute, whatever it is called.
    EXPECT_TRUE(Call("<invoke returntype=\"xml\" name=\"loadfile\"><arguments><string>a.txt"
                     "</string></arguments></invoke>")
                    .empty());
    EXPECT_EQ(Reply("<string>line</string>"),
              Call("<invoke id=\"loadfile\" name=\"x\"><Arguments><number>a.txt</number>"
                   "</Arguments></invoke>"));
}

// A player without the control's own channel (the browser player) offers the movie one function
// per name; every one of them reaches a request of the dispatcher.
TEST_F(DispatcherTest, TheNamesItOffersAreTheRequestsItServes) {
    std::vector<std::string> names = ExternalCallDispatcher::RequestNames();
    EXPECT_EQ(16u, names.size());
    fs.AddFile("C:\\app\\a.txt", "line");
    for (const std::string& name : {std::string("loadfile"), std::string("getAppDir"),
                                    std::string("fileexists"), std::string("getunique")}) {
        EXPECT_NE(names.end(), std::find(names.begin(), names.end(), name)) << name;
        EXPECT_FALSE(Call(name, {"a.txt"}).empty()) << name;
    }
    EXPECT_EQ(names.size(), std::set<std::string>(names.begin(), names.end()).size());
}

TEST_F(DispatcherTest, DragFollowsTheFlag) {
    EXPECT_EQ(std::vector<std::string>{"drag"}, Call("DragingWindow", {}));
    EXPECT_TRUE(Call("disableDragWindow", {}).empty());
    EXPECT_FALSE(host.flag);
    EXPECT_TRUE(Call("DragingWindow", {}).empty());
    EXPECT_TRUE(Call("enableDragWindow", {}).empty());
    EXPECT_TRUE(host.flag);
    EXPECT_EQ(std::vector<std::string>{"drag"}, Call("DragingWindow", {}));
}

TEST_F(DispatcherTest, SettingsStoreUtf8AndReadBackTheStoredBytes) {
    EXPECT_EQ(Reply("<true/>"), Call("savereg", {"name", kGbkHello}));
    EXPECT_TRUE(registry.keys.empty());
    EXPECT_EQ(Reply("<string></string>"), Call("loadreg", {"name"}));

    EXPECT_EQ(Reply("<string>998-887-776-665</string>"), Call("getunique", {}));
    EXPECT_EQ(Reply("<true/>"), Call("savereg", {"name", kGbkHello}));
    EXPECT_EQ(kUtf8Hello, registry.keys["software\\tallowbrook"].values["name"].bytes);
    // The movie gets the ANSI reading of the UTF-8 bytes, not the text it saved.
    EXPECT_EQ(Reply(std::string("<string>") + kUtf8Hello + "</string>"), Call("loadreg", {"name"}));
    // A text whose UTF-8 bytes the registry would not keep is stored as it is, and reads back.
    EXPECT_EQ(Reply("<true/>"), Call("savereg", {"odd", "\xD6\xB5"}));
    EXPECT_EQ("\xD6\xB5", registry.keys["software\\tallowbrook"].values["odd"].bytes);
    EXPECT_EQ(Reply("<string>\xD6\xB5</string>"), Call("loadreg", {"odd"}));
    // Values written in the ANSI code page by other means read as they are, also those whose
    // bytes happen to be well-formed UTF-8 ("小猫", "路").
    for (const char* gbk : {kGbkHello, "\xD0\xA1\xC3\xA8", "cat \xC3\xA8", "\xC2\xB7"}) {
        registry.keys["software\\tallowbrook"].values["gbk"] = FakeValue{FakeValue::String, gbk};
        EXPECT_EQ(Reply(std::string("<string>") + gbk + "</string>"), Call("loadreg", {"gbk"}));
    }
}

TEST_F(DispatcherTest, SettingsFailuresStillGetTheirReplyAfterTheMessage) {
    registry.keys["software\\tallowbrook"].values["n"] = FakeValue{FakeValue::Number, "1234"};
    EXPECT_EQ((std::vector<std::string>{"registry failure", "reply <string></string>"}),
              Call("loadreg", {"n"}));
    EXPECT_EQ((std::vector<std::string>{"registry failure", "reply <string></string>"}),
              Call("getunique", {}));
    registry.keys["software\\tallowbrook"].writable = false;
    EXPECT_EQ((std::vector<std::string>{"registry failure", "reply <true/>"}),
              Call("savereg", {"n", "v"}));
}

TEST_F(DispatcherTest, SettingsKeyRefusedAltogether) {
    EXPECT_EQ(Reply("<string>998-887-776-665</string>"), Call("getunique", {}));
    registry.keys["software\\tallowbrook"].openable = false;
    // Reading a key that cannot be opened gives the empty text without a word...
    EXPECT_EQ(Reply("<string></string>"), Call("loadreg", {"a"}));
    // ...while writing to it and reading the identifier from it cannot do without it.
    EXPECT_EQ((std::vector<std::string>{"registry failure", "reply <true/>"}),
              Call("savereg", {"a", "v"}));
    EXPECT_EQ((std::vector<std::string>{"registry failure", "reply <string></string>"}),
              Call("getunique", {}));
    EXPECT_EQ("998", registry.keys["software\\tallowbrook"].values["a"].bytes);
    EXPECT_EQ(0, registry.openHandles);
}

TEST_F(DispatcherTest, RequestsArriveAsUtf16) {
    dispatcher.Handle(AnsiToWide(Request("getAppDir", {})));
    EXPECT_EQ(Reply("<string>C:\\app\\</string>"), host.events);
}

}  // namespace
