// Recording fakes for the voice practice logic: an audio device that logs every request and keeps
// the wrapper's contract (file name kept after close, "No MCI device open"), a timer that logs its
// starts and stops, and a movie that logs the calls it receives.
#pragma once

#include "bridge/invoke.h"
#include "platform/audiodevice.h"
#include "platform/textconv.h"
#include "voice/voicepractice.h"

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

class FakeAudioDevice : public AudioDevice {
  public:
    std::string FileName() const override { return fileName; }
    bool IsOpen() const override { return open; }
    void Open(const std::string& name) override {
        Close();
        fileName = name;
        log.push_back("open " + name);
        if (unopenable.count(name)) throw std::runtime_error(openError);
        open = true;
        mode = AudioMode::Stopped;
    }
    void Close() override {
        if (!open) return;
        log.push_back("close");
        open = false;
    }
    void Play() override {
        Require("play");
        mode = AudioMode::Playing;
    }
    void PlayFrom(unsigned position) override {
        Require("play from " + std::to_string(position));
        mode = AudioMode::Playing;
    }
    void Stop() override {
        Require("stop");
        mode = AudioMode::Stopped;
    }
    void Pause() override {
        Require("pause");
        mode = AudioMode::Paused;
    }
    void Record() override {
        Require("record");
        mode = AudioMode::Recording;
    }
    void Save() override { Require("save"); }
    AudioMode Mode() override {
        ++modeQueries;
        return open ? mode : AudioMode::NotOpen;
    }
    NotifyResult LastNotifyResult() const override { return notifyResult; }

    std::string fileName;
    bool open = false;
    AudioMode mode = AudioMode::NotOpen;
    NotifyResult notifyResult = NotifyResult::None;
    std::set<std::string> unopenable;
    std::string openError = "Cannot find the specified file.";
    std::vector<std::string> log;
    int modeQueries = 0;

  private:
    void Require(const std::string& entry) {
        if (!open) throw std::runtime_error("No MCI device open");
        log.push_back(entry);
    }
};

class FakeTimer : public OneShotTimer {
  public:
    void Start(unsigned intervalMs) override {
        log.push_back("start " + std::to_string(intervalMs));
    }
    void Stop() override { log.push_back("stop"); }
    std::vector<std::string> log;
};

class FakeMovie : public MovieFunctionCaller {
  public:
    std::u16string CallFunction(const std::u16string& request) override {
        calls.push_back(WideToAnsi(request));
        if (fail) throw std::runtime_error("call failed");
        return u"<null/>";
    }
    static std::string Notice(const std::string& name) {
        return MovieCallRequest("DelphiCallBack", name, "");
    }
    std::vector<std::string> calls;
    bool fail = false;
};
