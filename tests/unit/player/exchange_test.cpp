#include "player/exchange.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

PageRequest Req(const std::string& control, const std::string& body = "") {
    PageRequest r;
    r.control = control;
    r.body = body;
    return r;
}

// Stands in for the GUI thread: woken by the exchange, it takes the requests out.
struct Gui {
    std::mutex mutex;
    std::condition_variable wake;
    int wakes = 0;
    void Wake() {
        std::lock_guard<std::mutex> lock(mutex);
        ++wakes;
        wake.notify_all();
    }
    void WaitForWakes(int n) {
        std::unique_lock<std::mutex> lock(mutex);
        ASSERT_TRUE(wake.wait_for(lock, std::chrono::seconds(10), [&] { return wakes >= n; }));
    }
};

TEST(Exchange, TheServerThreadWaitsUntilTheGuiThreadAnswers) {
    Gui gui;
    Exchange exchange([&] { gui.Wake(); });
    std::atomic<bool> returned{false};
    PageResponse response;
    std::thread server([&] {
        response = exchange.Submit(Req("call", "<invoke/>"));
        returned = true;
    });
    gui.WaitForWakes(1);
    std::shared_ptr<PendingRequest> pending = exchange.Next();
    ASSERT_TRUE(pending);
    EXPECT_EQ("call", pending->request().control);
    EXPECT_EQ("<invoke/>", pending->request().body);
    EXPECT_FALSE(exchange.Next());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(returned);
    pending->Answer({200, "text/plain", "<true/>"});
    pending->Answer({500, "", "ignored"});
    server.join();
    EXPECT_EQ(200, response.status);
    EXPECT_EQ("<true/>", response.body);
}

TEST(Exchange, RequestsComeOutInTheOrderTheyWentIn) {
    Gui gui;
    Exchange exchange([&] { gui.Wake(); });
    std::vector<std::thread> servers;
    std::vector<std::shared_ptr<PendingRequest>> taken;
    for (int i = 0; i < 3; ++i) {
        servers.emplace_back([&exchange, i] { exchange.Submit(Req(std::to_string(i))); });
        gui.WaitForWakes(i + 1);
        taken.push_back(exchange.Next());
    }
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(taken[i]);
        EXPECT_EQ(std::to_string(i), taken[i]->request().control);
    }
    // Answered out of order (a long poll held while later requests are served).
    taken[1]->Answer({});
    taken[2]->Answer({});
    taken[0]->Answer({});
    for (auto& t : servers) t.join();
}

TEST(Exchange, ClosingAnswersWhatIsOpenAndRefusesMore) {
    Gui gui;
    Exchange exchange([&] { gui.Wake(); });
    PageResponse held, queued;
    std::thread a([&] { held = exchange.Submit(Req("events")); });
    gui.WaitForWakes(1);
    std::shared_ptr<PendingRequest> poll = exchange.Next();  // taken, not answered
    std::thread b([&] { queued = exchange.Submit(Req("call")); });
    gui.WaitForWakes(2);
    exchange.Close();
    a.join();
    b.join();
    EXPECT_EQ(503, held.status);
    EXPECT_EQ(503, queued.status);
    EXPECT_TRUE(poll->Answered());
    EXPECT_EQ(503, exchange.Submit(Req("late")).status);
    EXPECT_FALSE(exchange.Next());
}

}  // namespace
