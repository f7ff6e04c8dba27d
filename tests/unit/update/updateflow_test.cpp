#include "update/updateflow.h"
#include "update/updaterules.h"

#include "update/installertrust.h"

#include "dialogs/modalresult.h"
#include "dialogs/progresscore.h"
#include "platform/http.h"
#include "platform/textconv.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

const std::string kBase = "http://update.example.test:8080";
const std::string kDir = "C:\\Course\\";
const std::string kId = "6F1C2A94-3B7E-4D85-9E0A-C4B8D2F5A713";
const std::string kCheckUrl = kBase + "/index.php/index/soft_update/" + kId + "/1.0/";
const std::string kResultFile = kDir + "result.txt";
// The first new folder the fake makes under the user's temporary folder.
const std::string kTemp = "C:\\Users\\pupil\\AppData\\Local\\Temp\\CourseShell-1\\";
const std::string kSetup = kTemp + "setup.exe";

// Typed here as UTF-8, so a slip in the program's own literals shows as other GBK bytes.
std::string Gbk(const char* utf8) {
    return Utf8ToAnsi(utf8);
}

class FakeHttp : public UpdateHttp {
  public:
    FakeHttp(Log& log, std::string name) : log_(log), name_(std::move(name)) {}

    // What a request does with the body it is given: append a reply, throw, report progress.
    std::function<void(BodySink& body)> reply;
    std::vector<std::string> urls;
    std::vector<HttpLimits> limits;
    bool cancelled = false;

    void Get(const std::string& url, BodySink& body, const HttpLimits& bounds) override {
        log_.push_back(name_ + " GET " + url);
        urls.push_back(url);
        limits.push_back(bounds);
        if (reply) reply(body);
    }
    void Cancel() override {
        log_.push_back(name_ + " cancel");
        cancelled = true;
    }
    void ServeQueueAfterEveryWait() override { log_.push_back(name_ + " serves the queue"); }

  private:
    Log& log_;
    std::string name_;
};

class FakeFiles : public UpdateFiles {
  public:
    explicit FakeFiles(Log& log) : log_(log) {}

    std::map<std::string, std::string> files;
    std::set<std::string> unwritable;
    std::set<std::string> unreadable;

    void Write(const std::string& path, const ReplyBuffer& data) override {
        log_.push_back("write " + path);
        if (unwritable.count(path)) throw std::runtime_error("cannot create " + path);
        files[path] = data.ToString();
    }
    std::string Read(const std::string& path) override {
        log_.push_back("read " + path);
        auto found = files.find(path);
        if (unreadable.count(path) || found == files.end())
            throw std::runtime_error("cannot open " + path);
        return found->second;
    }

  private:
    Log& log_;
};

// Installers in numbered folders of their own, kept in memory; the log shows what happens on disk.
class FakeInstallers : public UpdateInstallers {
  public:
    explicit FakeInstallers(Log& log) : log_(log) {}

    struct Disk {
        std::map<std::string, std::string> files;  // complete files by path
        std::map<std::string, std::string> partial;
    };
    Disk disk;
    bool creationFails = false;
    bool completionFails = false;
    SignatureCheck program;  // the running program's; unsigned by default
    SignatureCheck installer{kTrustNoSignature, std::nullopt};
    int checks = 0;

    class File : public InstallerFile {
      public:
        File(FakeInstallers& owner, std::string folder, std::string name)
            : owner_(owner), folder_(std::move(folder)), path_(folder_ + name) {
            owner_.disk.partial[path_];
        }
        ~File() override {
            owner_.disk.partial.erase(path_);
            if (kept_) {
                owner_.log_.push_back("let go of " + path_);
                return;
            }
            owner_.log_.push_back("delete " + folder_);
            owner_.disk.files.erase(path_);
        }
        void Append(const char* data, size_t size) override {
            owner_.disk.partial[path_].append(data, size);
        }
        void Complete() override {
            owner_.log_.push_back("complete " + path_);
            if (owner_.completionFails) throw std::runtime_error("cannot name " + path_);
            owner_.disk.files[path_] = owner_.disk.partial[path_];
            owner_.disk.partial.erase(path_);
        }
        const std::string& Path() const override { return path_; }
        SignatureCheck CheckSignature() override {
            owner_.log_.push_back("check " + path_);
            ++owner_.checks;
            return owner_.installer;
        }
        void Keep() override { kept_ = true; }

      private:
        FakeInstallers& owner_;
        std::string folder_, path_;
        bool kept_ = false;
    };

    std::unique_ptr<InstallerFile> NewInstaller(const std::string& name) override {
        log_.push_back("new installer " + name);
        if (creationFails) throw std::runtime_error("no temporary folder");
        std::string folder = kTemp.substr(0, kTemp.size() - 2) + std::to_string(++folders_) + "\\";
        return std::make_unique<File>(*this, folder, name);
    }
    SignatureCheck ProgramSignature() override { return program; }

  private:
    Log& log_;
    int folders_ = 0;
};

class FakeScreen : public UpdateScreen {
  public:
    explicit FakeScreen(Log& log) : log_(log) {}

    struct Message {
        std::string text;
        MessageKind kind;
        unsigned buttons;
    };
    struct Ask {
        std::string caption, prompt, text;
    };
    int answer = mrYes;
    bool askFails = false;
    std::vector<Message> messages;
    std::vector<Ask> asks;
    std::string memo = "earlier text";
    int pumps = 0;

    int ShowMessage(const std::string& text, MessageKind kind, unsigned buttons) override {
        log_.push_back("question");
        messages.push_back({text, kind, buttons});
        return answer;
    }
    void AskText(const std::string& caption, const std::string& prompt,
                 const std::string& text) override {
        log_.push_back("failure dialog");
        asks.push_back({caption, prompt, text});
        if (askFails) throw std::runtime_error("Window not created");
    }
    void SetReplyText(const std::string& text) override {
        log_.push_back("memo '" + text + "'");
        memo = text;
    }
    void ProcessMessages() override { ++pumps; }

  private:
    Log& log_;
};

class FakeTimers : public UpdateTimers {
  public:
    explicit FakeTimers(Log& log) : log_(log) {}
    void StopCheckTimer() override { log_.push_back("Timer2 off"); }
    void SetProgressTimer(bool on) override { log_.push_back(on ? "Timer3 on" : "Timer3 off"); }

  private:
    Log& log_;
};

class FakeStarter : public UpdateStarter {
  public:
    explicit FakeStarter(Log& log) : log_(log) {}
    void OpenInstaller(const std::string& path) override { log_.push_back("open " + path); }
    void Quit() override { log_.push_back("quit"); }

  private:
    Log& log_;
};

// The dialog's own rules with a window that only counts; the user can press Cancel.
class FakeProgress : public ProgressDialogCore {
  public:
    int opened = 0;
    int destroyed = 0;
    void UserCancels() { WindowClosed(); }

  protected:
    void OpenWindow() override { ++opened; }
    void ShowGauge() override {}
    void ShowLabel() override {}
    void DestroyWindow() override { ++destroyed; }
};

// The flow over fakes, wired as the main window wires it.
struct Bench {
    Log log;
    FakeHttp check{log, "check"};
    FakeHttp download{log, "download"};
    FakeFiles files{log};
    FakeInstallers installers{log};
    FakeScreen screen{log};
    FakeProgress progress;
    FakeTimers timers{log};
    FakeStarter starter{log};
    UpdateFlow flow{
        kBase, kDir,
        UpdateSeams{check, download, files, installers, screen, progress, timers, starter}, 4321};
    int cancels = 0;  // OnCancel of the progress dialog

    Bench() {
        progress.OnCancel = [this](ProgressDialogCore*) {
            ++cancels;
            flow.Cancel();
        };
    }

    void Offer(const std::string& reply) {
        check.reply = [reply](BodySink& body) { body.Append(reply.data(), reply.size()); };
    }
    // The download client's events around a body that arrives in blocks of 32768 bytes.
    void ServeDownload(const std::string& content, bool announced) {
        download.reply = [this, content, announced](BodySink& body) {
            EXPECT_TRUE(flow.Checking());
            flow.WorkBegin(announced ? static_cast<long long>(content.size()) : 0);
            for (size_t at = 0; at < content.size(); at += 32768) {
                std::string block = content.substr(at, 32768);
                body.Append(block.data(), block.size());
                flow.Work(static_cast<long long>(at + block.size()));
            }
            flow.WorkEnd();
        };
    }
    // A program signed by `signer`, and what the downloaded installer's check will say.
    void SignedProgram(const CodeSigner& signer, const SignatureCheck& installer) {
        installers.program = {0, signer};
        installers.installer = installer;
    }
    void Run() { flow.Check(kId, "1.0"); }
    bool Saw(const std::string& entry) const {
        for (const std::string& e : log)
            if (e == entry) return true;
        return false;
    }
};

TEST(UpdateFlowCheckTest, NewestReplyIsKeptAndEndsTheCheckWithoutAQuestion) {
    Bench b;
    b.Offer("1.0 is the newest");
    b.Run();
    EXPECT_EQ(b.log, (Log{"Timer2 off", "check serves the queue", "check GET " + kCheckUrl,
                          "write " + kResultFile, "memo ''", "read " + kResultFile,
                          "memo '1.0 is the newest'"}));
    EXPECT_EQ(b.files.files[kResultFile], "1.0 is the newest");
    EXPECT_TRUE(b.download.urls.empty());
    EXPECT_FALSE(b.flow.Checking());
}

TEST(UpdateFlowCheckTest, TheMemoHoldsTheReplyWithCrLfAndALineBreakMakesAnOffer) {
    Bench b;
    b.Offer("newest\n");
    b.screen.answer = mrNo;
    b.Run();
    EXPECT_EQ(b.screen.memo, "newest\r\n");
    ASSERT_EQ(b.screen.messages.size(), 1u);
    EXPECT_EQ(b.screen.messages[0].text, Gbk("检查到软件有升级程序，是否升级？"));
    EXPECT_EQ(b.screen.messages[0].kind, MessageKind::Confirmation);
    EXPECT_EQ(b.screen.messages[0].buttons, unsigned{mbYes | mbNo});
    EXPECT_TRUE(b.download.urls.empty());
    EXPECT_FALSE(b.flow.Checking());
}

TEST(UpdateFlowCheckTest, OnlyYesLeadsToTheDownload) {
    for (int answer : {int{mrNo}, int{mrCancel}, int{mrOk}, int{kNoResult}, int{mrYesToAll}}) {
        Bench b;
        b.Offer("2.0@@@/files/setup.exe");
        b.screen.answer = answer;
        b.Run();
        EXPECT_TRUE(b.download.urls.empty()) << answer;
        EXPECT_FALSE(b.Saw("Timer3 off")) << answer;
    }
    Bench b;
    b.Offer("2.0@@@/files/setup.exe");
    b.Run();
    EXPECT_EQ(b.download.urls, (std::vector<std::string>{kBase + "/files/setup.exe"}));
}

void ExpectSilentEnd(const Bench& b) {
    EXPECT_TRUE(b.screen.messages.empty());
    EXPECT_TRUE(b.screen.asks.empty());
    EXPECT_TRUE(b.download.urls.empty());
    EXPECT_FALSE(b.Saw("Timer3 off"));
    EXPECT_FALSE(b.flow.Checking());
}

TEST(UpdateFlowCheckTest, FailuresBeforeTheQuestionAreSilent) {
    for (const char* failure : {"Connection refused", "HTTP/1.1 302 Found"}) {
        // No answer, or not a success: the old reply file stays as it was.
        Bench b;
        b.files.files[kResultFile] = "old reply";
        b.check.reply = [failure](BodySink&) { throw HttpError(failure); };
        b.Run();
        EXPECT_EQ(b.files.files[kResultFile], "old reply");
        EXPECT_FALSE(b.Saw("write " + kResultFile));
        EXPECT_EQ(b.screen.memo, "earlier text");
        ExpectSilentEnd(b);
    }
    {
        Bench b;
        b.Offer("2.0@@@/files/setup.exe");
        b.files.unwritable.insert(kResultFile);
        b.Run();
        EXPECT_FALSE(b.Saw("read " + kResultFile));
        ExpectSilentEnd(b);
    }
    {
        // Reading back fails after the memo was cleared; it stays empty.
        Bench b;
        b.Offer("2.0@@@/files/setup.exe");
        b.files.unreadable.insert(kResultFile);
        b.Run();
        EXPECT_EQ(b.screen.memo, "");
        ExpectSilentEnd(b);
    }
    {
        // A check cut short because the program is ending is just as quiet.
        Bench b;
        b.check.reply = [](BodySink&) { throw HttpCancelled("cancelled"); };
        b.Run();
        ExpectSilentEnd(b);
    }
}

TEST(UpdateFlowDownloadTest, TheInstallerHoldsExactlyTheDownloadBodyAndIsStarted) {
    Bench b;
    b.Offer("2.0@@@/files/setup.exe");
    const std::string installer = std::string("MZ\0\x90", 4) + std::string(70000, 'x');
    b.ServeDownload(installer, true);
    b.Run();
    EXPECT_EQ(b.installers.disk.files[kSetup], installer);
    // Timer3 runs from the start, so the download leaves it alone until the end.
    const Log tail(b.log.end() - 6, b.log.end());
    EXPECT_EQ(tail, (Log{"new installer setup.exe", "download GET " + kBase + "/files/setup.exe",
                         "complete " + kSetup, "Timer3 off", "open " + kSetup, "quit"}));
    // Nothing of it lands beside the program.
    for (const auto& file : b.files.files) EXPECT_EQ(file.first, kResultFile);
    EXPECT_FALSE(b.Saw("Timer3 on"));
    EXPECT_EQ(b.cancels, 0);
    EXPECT_FALSE(b.progress.Shown());
    EXPECT_FALSE(b.flow.Checking());
}

TEST(UpdateFlowDownloadTest, TheLastWordOfTheAddressNamesTheInstaller) {
    Bench b;
    b.Offer("2.0@@@/files/my setup.exe");
    b.ServeDownload("installer", true);
    b.Run();
    EXPECT_EQ(b.download.urls[0], kBase + "/files/my setup.exe");
    EXPECT_EQ(b.installers.disk.files[kSetup], "installer");
    EXPECT_TRUE(b.Saw("open " + kSetup));
}

TEST(UpdateFlowDownloadTest, NamesThatAreNoInstallerAreAFailedDownloadWithoutARequest) {
    // Ends in "/", a device, a stream, dots only, an empty path (whose last part is the base
    // URL's host with its port), and names the program or Windows would load or run from the
    // program folder, or that would start something else than an installer.
    for (const char* path : {"/files/", "/files/con.exe", "/files/a:b.exe", "/files/..", "",
                             "/files/Flash10h.ocx", "/files/version.dll", "/files/main.swf",
                             "/files/x.hta", "/files/setup.exe.", "/files/.exe", "/files/setup"}) {
        Bench b;
        b.Offer(std::string("2.0@@@") + path);
        b.ServeDownload("installer", true);
        b.Run();
        EXPECT_TRUE(b.download.urls.empty()) << path;
        EXPECT_FALSE(b.Saw("new installer " + InstallerFileName(kBase + path))) << path;
        for (const auto& file : b.files.files) EXPECT_EQ(file.first, kResultFile) << path;
        // The address is the update server's own, so the user may still fetch it by hand.
        ASSERT_EQ(b.screen.asks.size(), 1u) << path;
        EXPECT_EQ(b.screen.asks[0].text, kBase + path);
        EXPECT_TRUE(b.Saw("Timer3 off")) << path;
        EXPECT_FALSE(b.Saw("quit")) << path;
    }
}

TEST(UpdateFlowDownloadTest, AnMsiOrAnExeInAnyCaseIsAnInstaller) {
    for (const char* name : {"setup.msi", "SETUP.EXE", "Setup.Msi", "regsvr32.exe"}) {
        Bench b;
        b.Offer(std::string("2.0@@@/files/") + name);
        b.ServeDownload("installer", true);
        b.Run();
        EXPECT_EQ(b.installers.disk.files[kTemp + name], "installer") << name;
        EXPECT_TRUE(b.Saw("open " + kTemp + name)) << name;
        EXPECT_TRUE(b.Saw("quit")) << name;
    }
}

TEST(UpdateFlowDownloadTest, AnEmptyReplyIsAnOfferOfTheBaseUrl) {
    Bench b;
    b.check.reply = [](BodySink&) {};
    b.Run();
    EXPECT_EQ(b.files.files[kResultFile], "");
    EXPECT_EQ(b.screen.messages.size(), 1u);
    // The base URL's host is no installer's name: the failure dialog offers the base URL.
    EXPECT_TRUE(b.download.urls.empty());
    ASSERT_EQ(b.screen.asks.size(), 1u);
    EXPECT_EQ(b.screen.asks[0].text, kBase);
}

TEST(UpdateFlowDownloadTest, AFailedDownloadOffersTheAddressAndTheProgramRunsOn) {
    Bench b;
    b.Offer("2.0@@@/files/setup.exe");
    b.download.reply = [](BodySink& body) {
        body.Append("partial", 7);
        throw HttpError("Connection reset");
    };
    b.Run();
    // The partial file and its folder are gone before the dialog waits for the user.
    EXPECT_TRUE(b.installers.disk.partial.empty());
    EXPECT_TRUE(b.installers.disk.files.empty());
    ASSERT_EQ(b.screen.asks.size(), 1u);
    EXPECT_EQ(b.screen.asks[0].caption, Gbk("自动下载失败，请使用下列地址手动下载"));
    EXPECT_EQ(b.screen.asks[0].prompt, Gbk("升级文件路径："));
    EXPECT_EQ(b.screen.asks[0].text, kBase + "/files/setup.exe");
    // Timer3 stops before the dialog waits for the user.
    const Log tail(b.log.end() - 3, b.log.end());
    EXPECT_EQ(tail, (Log{"delete " + kTemp, "Timer3 off", "failure dialog"}));
    EXPECT_EQ(b.files.files.count(kDir + "setup.exe"), 0u);
    EXPECT_FALSE(b.flow.Checking());
}

void ExpectNotGenuine(const Bench& b, const std::string& what) {
    // One short message without any address, no dialog to fetch anything by hand.
    ASSERT_EQ(b.screen.messages.size(), 2u) << what;
    EXPECT_EQ(b.screen.messages[1].text, Gbk("升级程序未通过正版验证，已取消升级。")) << what;
    EXPECT_EQ(b.screen.messages[1].kind, MessageKind::Warning) << what;
    EXPECT_EQ(b.screen.messages[1].buttons, unsigned{mbOK}) << what;
    EXPECT_TRUE(b.screen.asks.empty()) << what;
    EXPECT_FALSE(b.Saw("quit")) << what;
    EXPECT_FALSE(b.flow.Checking()) << what;
}

TEST(UpdateFlowDownloadTest, AnAddressOffTheUpdateServersOriginIsRefusedWithoutARequest) {
    // Another host, another port of the same host, and addresses the client cannot read.
    for (const char* reply :
         {"x@@@@evil.test/a.exe", "x@@@:8080@evil.test/a.exe", "2.0@@@.evil.test/setup.exe",
          "2.0@@@0/setup.exe", "x@@@?v=2", "abcdef"}) {
        Bench b;
        b.Offer(reply);
        b.ServeDownload("installer", true);
        b.Run();
        EXPECT_TRUE(b.download.urls.empty()) << reply;
        EXPECT_FALSE(
            b.Saw("new installer " + InstallerFileName(DownloadUrl(kBase, DownloadPath(reply)))));
        EXPECT_FALSE(b.Saw("Timer3 off")) << reply;
        ExpectNotGenuine(b, reply);
    }
    // Without a port of its own the update server is on 80, and only there.
    Bench b;
    UpdateFlow flow{"http://update.example.test", kDir,
                    UpdateSeams{b.check, b.download, b.files, b.installers, b.screen, b.progress,
                                b.timers, b.starter}};
    for (const char* reply : {"2.0@@@:31337/evil.exe", "2.0@@@:80/setup.exe"}) {
        b.Offer(reply);
        flow.Check(kId, "1.0");
    }
    EXPECT_EQ(b.download.urls,
              (std::vector<std::string>{"http://update.example.test:80/setup.exe"}));
}

TEST(UpdateFlowDownloadTest, AnInstallerThatCannotBeWrittenIsAFailedDownload) {
    Bench b;
    b.Offer("2.0@@@/files/setup.exe");
    b.ServeDownload("installer", true);
    b.installers.completionFails = true;
    b.screen.askFails = true;  // not even a failing dialog leaves the check
    EXPECT_NO_THROW(b.Run());
    EXPECT_EQ(b.screen.asks.size(), 1u);
    EXPECT_TRUE(b.Saw("delete " + kTemp));
    EXPECT_FALSE(b.Saw("open " + kSetup));
    EXPECT_FALSE(b.Saw("quit"));
    EXPECT_TRUE(b.Saw("Timer3 off"));

    // No folder for it at all: the same, without a request.
    Bench c;
    c.Offer("2.0@@@/files/setup.exe");
    c.installers.creationFails = true;
    c.Run();
    EXPECT_TRUE(c.download.urls.empty());
    EXPECT_EQ(c.screen.asks.size(), 1u);
    EXPECT_FALSE(c.Saw("quit"));
}

TEST(UpdateFlowDownloadTest, TheCheckReplyAndTheInstallerAreBounded) {
    Bench b;
    b.Offer("2.0@@@/files/setup.exe");
    b.ServeDownload("installer", true);
    b.Run();
    ASSERT_EQ(b.check.limits.size(), 1u);
    EXPECT_EQ(b.check.limits[0].maxBody, 64 * 1024);
    EXPECT_EQ(b.check.limits[0].stallMs, 0u);  // the check waits as it always has
    ASSERT_EQ(b.download.limits.size(), 1u);
    EXPECT_EQ(b.download.limits[0].maxBody, 1024LL * 1024 * 1024);
    EXPECT_EQ(b.download.limits[0].stallMs, 4321u);
    EXPECT_EQ(kDownloadStallMs, 60000u);

    // A reply beyond its bound fails in the client: silently for the check, with the dialog for
    // the download.
    Bench c;
    c.check.reply = [](BodySink&) { throw HttpError("the reply is larger than 65536 bytes"); };
    c.Run();
    ExpectSilentEnd(c);
    Bench d;
    d.Offer("2.0@@@/files/setup.exe");
    d.download.reply = [](BodySink&) { throw HttpError("nothing arrived for 60 s"); };
    d.Run();
    EXPECT_EQ(d.screen.asks.size(), 1u);
    EXPECT_TRUE(d.installers.disk.files.empty());
}

const CodeSigner kPublisher{"CN=Tallowbrook", std::string(20, '\x11'), std::string(32, '\x22')};

TEST(UpdateFlowTrustTest, ASignedProgramStartsTheInstallerOfItsOwnPublisher) {
    Bench b;
    b.SignedProgram(kPublisher, {0, kPublisher});
    b.Offer("2.0@@@/files/setup.exe");
    b.ServeDownload("MZ signed", true);
    b.Run();
    const Log tail(b.log.end() - 4, b.log.end());
    EXPECT_EQ(tail, (Log{"Timer3 off", "check " + kSetup, "open " + kSetup, "quit"}));
    EXPECT_EQ(b.installers.disk.files[kSetup], "MZ signed");
    // Held open, so unchanged, until the program ends.
    EXPECT_FALSE(b.Saw("let go of " + kSetup));
}

TEST(UpdateFlowTrustTest, ASignedProgramDeletesAnyOtherInstallerAndStartsNothing) {
    CodeSigner otherCa = kPublisher;
    otherCa.issuerSha256[0] = 'x';
    const std::vector<std::pair<std::string, SignatureCheck>> cases = {
        {"unsigned", {kTrustNoSignature, std::nullopt}},
        {"changed after signing", {kTrustBadDigest, kPublisher}},
        {"another CA of the same name", {0, otherCa}},
        {"untrusted root", {kTrustUntrustedRoot, kPublisher}},
    };
    for (const auto& c : cases) {
        Bench b;
        b.SignedProgram(kPublisher, c.second);
        b.Offer("2.0@@@/files/setup.exe");
        b.ServeDownload("MZ", true);
        b.Run();
        EXPECT_TRUE(b.Saw("check " + kSetup)) << c.first;
        EXPECT_TRUE(b.Saw("delete " + kTemp)) << c.first;
        EXPECT_TRUE(b.installers.disk.files.empty()) << c.first;
        EXPECT_FALSE(b.Saw("open " + kSetup)) << c.first;
        ExpectNotGenuine(b, c.first);
    }
}

TEST(UpdateFlowTrustTest, AnUnsignedProgramStartsWhatItGotUnchecked) {
    Bench b;
    b.Offer("2.0@@@/files/setup.exe");
    b.ServeDownload("MZ", true);
    b.Run();
    EXPECT_EQ(b.installers.checks, 0);
    EXPECT_TRUE(b.Saw("open " + kSetup));
    EXPECT_TRUE(b.Saw("quit"));
}

TEST(UpdateFlowCheckTest, ThePolicyTurnsTheCheckOffBeforeAnyRequest) {
    Bench b;
    b.Offer("2.0@@@/files/setup.exe");
    b.flow.Check(kId, "1.0", true);
    EXPECT_EQ(b.log, (Log{"Timer2 off"}));
    EXPECT_FALSE(b.flow.Checking());
}

TEST(UpdateFlowProgressTest, CancelStopsTheDownloadAndNothingIsSavedOrStarted) {
    Bench b;
    b.Offer("2.0@@@/files/setup.exe");
    b.download.reply = [&b](BodySink& body) {
        b.flow.WorkBegin(100000);
        body.Append(std::string(32768, 'x').data(), 32768);
        b.flow.Work(32768);
        b.progress.UserCancels();
        // The client ends the request once control comes back to it.
        if (b.download.cancelled) throw HttpCancelled("cancelled");
        b.flow.WorkEnd();
    };
    b.Run();
    EXPECT_EQ(b.cancels, 1);
    EXPECT_TRUE(b.screen.asks.empty());
    EXPECT_EQ(b.files.files.count(kDir + "setup.exe"), 0u);
    EXPECT_TRUE(b.installers.disk.partial.empty());
    EXPECT_FALSE(b.Saw("quit"));
    // Cancel switched Timer3 off; the end of the download does not do it again.
    const Log tail(b.log.end() - 3, b.log.end());
    EXPECT_EQ(tail, (Log{"download cancel", "Timer3 off", "delete " + kTemp}));
    EXPECT_FALSE(b.flow.Checking());
}

TEST(UpdateFlowProgressTest, AKnownLengthFillsTheGaugeAndClosesItWithoutCancel) {
    Bench b;
    b.flow.WorkBegin(65536);
    EXPECT_TRUE(b.progress.Shown());
    EXPECT_FALSE(b.progress.GaugeIndeterminate());
    EXPECT_EQ(b.progress.GaugeMin(), 0);
    EXPECT_EQ(b.progress.GaugeMax(), 65536);
    EXPECT_EQ(b.progress.GaugeValue(), 0);
    b.flow.Work(32768);
    EXPECT_EQ(b.progress.GaugeValue(), 32768);
    b.flow.Work(65536);
    EXPECT_FALSE(b.progress.Shown());
    b.flow.WorkEnd();
    EXPECT_EQ(b.progress.destroyed, 1);
    EXPECT_EQ(b.cancels, 0);
    EXPECT_EQ(b.screen.pumps, 2);  // every block serves the queue first
}

TEST(UpdateFlowProgressTest, AnUnknownLengthMovesTheBarUntilTheBodyIsComplete) {
    Bench b;
    b.Offer("2.0@@@/files/setup.exe");
    b.download.reply = [&b](BodySink& body) {
        b.flow.WorkBegin(0);
        EXPECT_TRUE(b.progress.GaugeIndeterminate());
        for (int block = 1; block <= 3; ++block) {
            body.Append(std::string(32768, 'x').data(), 32768);
            b.flow.Work(32768LL * block);
            // A range of 0 to 0 would have closed at the first block, raising OnCancel.
            EXPECT_TRUE(b.progress.Shown()) << block;
        }
        b.flow.WorkEnd();
        EXPECT_FALSE(b.progress.Shown());
    };
    b.Run();
    EXPECT_EQ(b.cancels, 0);
    EXPECT_FALSE(b.download.cancelled);
    EXPECT_EQ(b.installers.disk.files[kSetup].size(), 3u * 32768);
    EXPECT_TRUE(b.Saw("quit"));

    // The next download announces its length and gets a range again.
    b.flow.WorkBegin(10);
    EXPECT_FALSE(b.progress.GaugeIndeterminate());
}

TEST(UpdateFlowProgressTest, Timer3ShowsTheLastCountAndCountsStayInRange) {
    Bench b;
    b.flow.ProgressTick();  // before any download: stored in the hidden dialog only
    EXPECT_EQ(b.screen.pumps, 1);
    EXPECT_EQ(b.progress.Value(), 0);
    EXPECT_EQ(b.progress.opened, 0);

    b.flow.Work(5000000000LL);
    EXPECT_EQ(b.flow.LastProgressCount(), INT_MAX);
    b.progress.SetValue(7);
    b.flow.ProgressTick();
    EXPECT_EQ(b.progress.Value(), INT_MAX);
    b.flow.Work(-1);
    EXPECT_EQ(b.flow.LastProgressCount(), 0);
    b.flow.WorkBegin(5000000000LL);
    EXPECT_EQ(b.progress.MaxValue(), INT_MAX);
}

TEST(UpdateFlowProgressTest, Timer3IsSwitchedOnAgainForADownloadAfterACancel) {
    Bench b;
    b.flow.Cancel();  // Cancel with no download running: the click still stops Timer3
    EXPECT_EQ(b.log, (Log{"download cancel", "Timer3 off"}));
    b.Offer("2.0@@@/files/setup.exe");
    b.ServeDownload("installer", true);
    b.Run();
    const Log tail(b.log.end() - 7, b.log.end());
    EXPECT_EQ(tail, (Log{"Timer3 on", "new installer setup.exe",
                         "download GET " + kBase + "/files/setup.exe", "complete " + kSetup,
                         "Timer3 off", "open " + kSetup, "quit"}));
}

}  // namespace
