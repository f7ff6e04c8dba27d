#include "dialogs/progresscore.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Records what the window side was asked to do, and can close the way a user does.
class FakeProgressDialog : public ProgressDialogCore {
  public:
    int opened = 0;
    int destroyed = 0;
    int labelled = 0;
    int cancels = 0;
    int shows = 0;
    std::vector<int> gaugeShown;

    FakeProgressDialog() {
        OnCancel = [this](ProgressDialogCore* sender) {
            EXPECT_EQ(sender, this);
            EXPECT_FALSE(Shown());  // the dialog is already closed when OnCancel comes
            ++cancels;
        };
        OnShow = [this](ProgressDialogCore*) { ++shows; };
    }
    void UserCloses() { WindowClosed(); }

  protected:
    void OpenWindow() override {
        ++opened;
        if (OnShow) OnShow(this);
    }
    void ShowGauge() override { gaugeShown.push_back(GaugeValue()); }
    void ShowLabel() override { ++labelled; }
    void DestroyWindow() override { ++destroyed; }
};

TEST(ProgressCoreTest, DefaultsAndValuesStoredWhileHidden) {
    FakeProgressDialog d;
    EXPECT_EQ(d.ShowType, stStayOnTop);
    EXPECT_EQ(d.Caption, "Process");
    EXPECT_EQ(d.LabelCaption(), "Name of process:");
    EXPECT_TRUE(d.ShowPercent);
    EXPECT_EQ(d.MinValue(), 0);
    EXPECT_EQ(d.MaxValue(), 100);
    EXPECT_EQ(d.Value(), 0);
    EXPECT_FALSE(d.Shown());

    d.SetValue(100);  // at the maximum, but nothing is shown: no closing, no event
    d.SetValue(500);
    EXPECT_EQ(d.Value(), 500);
    EXPECT_EQ(d.destroyed, 0);
    EXPECT_EQ(d.cancels, 0);
    EXPECT_TRUE(d.gaugeShown.empty());
}

TEST(ProgressCoreTest, ShowingTwiceChangesNothing) {
    FakeProgressDialog d;
    d.SetValue(30);
    d.ShowProgressWindow();
    d.SetMinValue(10);
    d.ShowProgressWindow();
    EXPECT_EQ(d.opened, 1);
    EXPECT_EQ(d.shows, 1);
    EXPECT_EQ(d.GaugeMin(), 0);
    EXPECT_EQ(d.GaugeValue(), 30);
}

TEST(ProgressCoreTest, RangeIsFixedWhenShown) {
    FakeProgressDialog d;
    d.ShowProgressWindow();
    d.SetMaxValue(50);
    d.SetValue(60);  // beyond the new maximum but inside the gauge's own range
    EXPECT_TRUE(d.Shown());
    EXPECT_EQ(d.GaugeMax(), 100);
    EXPECT_EQ(d.GaugeValue(), 60);
    d.SetValue(-5);
    EXPECT_EQ(d.GaugeValue(), 0);  // below the gauge's minimum
    EXPECT_EQ(d.Value(), -5);
    EXPECT_EQ(d.destroyed, 0);

    // The gauge reaches its own maximum: the window closes, and since Value (100) differs from
    // the changed MaxValue (50), the caller hears of a cancel.
    d.SetValue(100);
    EXPECT_FALSE(d.Shown());
    EXPECT_EQ(d.destroyed, 1);
    EXPECT_EQ(d.cancels, 1);
}

TEST(ProgressCoreTest, ValueAboveMaximumFillsClosesAndCancels) {
    FakeProgressDialog d;
    d.ShowProgressWindow();
    d.SetValue(150);
    EXPECT_EQ(d.gaugeShown.back(), 100);
    EXPECT_FALSE(d.Shown());
    EXPECT_EQ(d.destroyed, 1);
    EXPECT_EQ(d.cancels, 1);
}

TEST(ProgressCoreTest, ReachingTheMaximumExactlyClosesWithoutCancel) {
    FakeProgressDialog d;
    d.ShowProgressWindow();
    d.SetValue(40);
    d.SetValue(100);
    EXPECT_FALSE(d.Shown());
    EXPECT_EQ(d.destroyed, 1);
    EXPECT_EQ(d.cancels, 0);
}

TEST(ProgressCoreTest, UserClosingCancelsOncePerClosing) {
    FakeProgressDialog d;
    d.ShowProgressWindow();
    d.SetValue(10);
    d.UserCloses();
    d.UserCloses();  // a second close message for the same window
    EXPECT_EQ(d.cancels, 1);
    EXPECT_EQ(d.destroyed, 1);
    d.SetValue(100);  // stored only, the dialog is gone
    EXPECT_EQ(d.cancels, 1);

    // Shown again: a new window with the range of now, and a new closing gives a new event.
    d.SetMaxValue(200);
    d.SetValue(20);
    d.ShowProgressWindow();
    EXPECT_EQ(d.opened, 2);
    EXPECT_EQ(d.GaugeMax(), 200);
    EXPECT_EQ(d.GaugeValue(), 20);
    d.UserCloses();
    EXPECT_EQ(d.cancels, 2);
}

TEST(ProgressCoreTest, UserClosingAtMaxValueRaisesNothing) {
    FakeProgressDialog d;
    d.SetValue(100);
    d.ShowProgressWindow();  // shown full; it closes only when a value is set
    EXPECT_TRUE(d.Shown());
    d.UserCloses();
    EXPECT_EQ(d.cancels, 0);
}

TEST(ProgressCoreTest, EmptyRangeClosesAtTheFirstValue) {
    // A download that announces no length sets the range 0 to 0.
    FakeProgressDialog d;
    d.SetMaxValue(0);
    d.ShowProgressWindow();
    d.SetValue(32768);
    EXPECT_FALSE(d.Shown());
    EXPECT_EQ(d.cancels, 1);
}

TEST(ProgressCoreTest, IndeterminateNeverClosesByItself) {
    FakeProgressDialog d;
    d.SetMaxValue(0);
    d.SetIndeterminate(true);
    d.ShowProgressWindow();
    EXPECT_TRUE(d.GaugeIndeterminate());
    d.SetValue(32768);
    d.SetValue(0);
    d.SetLabelCaption("65536 bytes");
    EXPECT_TRUE(d.Shown());
    EXPECT_EQ(d.labelled, 1);
    EXPECT_EQ(d.gaugeShown.size(), 2u);  // each value moves the bar
    EXPECT_EQ(d.cancels, 0);
    d.UserCloses();
    EXPECT_FALSE(d.Shown());
    EXPECT_EQ(d.cancels, 0);  // Value 0 equals MaxValue 0

    d.SetIndeterminate(false);  // the next showing has a range again
    d.SetMaxValue(10);
    d.ShowProgressWindow();
    EXPECT_FALSE(d.GaugeIndeterminate());
    d.SetValue(10);
    EXPECT_FALSE(d.Shown());
}

TEST(ProgressCoreTest, ProgramClosingCancelsOnlyBelowMaxValue) {
    FakeProgressDialog d;
    d.SetIndeterminate(true);
    d.ShowProgressWindow();
    d.SetValue(100);  // a moving bar stays open at its maximum
    EXPECT_TRUE(d.Shown());
    d.CloseProgressWindow();
    d.CloseProgressWindow();  // already closed: nothing more
    EXPECT_FALSE(d.Shown());
    EXPECT_EQ(d.destroyed, 1);
    EXPECT_EQ(d.cancels, 0);

    d.SetValue(40);
    d.ShowProgressWindow();
    d.CloseProgressWindow();
    EXPECT_EQ(d.destroyed, 2);
    EXPECT_EQ(d.cancels, 1);
}

TEST(ProgressCoreTest, OnCancelMayShowTheDialogAgain) {
    FakeProgressDialog d;
    d.OnCancel = [&](ProgressDialogCore*) {
        d.SetValue(0);
        d.ShowProgressWindow();
    };
    d.ShowProgressWindow();
    d.UserCloses();
    EXPECT_TRUE(d.Shown());
    EXPECT_EQ(d.opened, 2);
    EXPECT_EQ(d.destroyed, 1);
}

TEST(ProgressCoreTest, LabelChangesReachOnlyAShownDialog) {
    FakeProgressDialog d;
    d.SetLabelCaption("进度");
    EXPECT_EQ(d.labelled, 0);
    d.ShowProgressWindow();
    d.SetLabelCaption("下载");
    EXPECT_EQ(d.labelled, 1);
    EXPECT_EQ(d.LabelCaption(), "下载");
}

}  // namespace
