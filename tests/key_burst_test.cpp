// The key bursts of keyboard scrolling: which keys, in which order, with which pauses.
#include "key_burst.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> steps_taken;
unsigned slept_ms = 0;
bool window_alive = true;
int keys_before_failure = -1;

std::string key_text(key_code key)
{
    if (key.virtual_key == key_control.virtual_key && key.scan_code == key_control.scan_code)
        return "ctrl";
    if (key.virtual_key == key_left.virtual_key && key.scan_code == key_left.scan_code)
        return "left";
    if (key.virtual_key == key_right.virtual_key && key.scan_code == key_right.scan_code)
        return "right";
    if (key.virtual_key == key_up.virtual_key && key.scan_code == key_up.scan_code)
        return "up";
    if (key.virtual_key == key_down.virtual_key && key.scan_code == key_down.scan_code)
        return "down";
    return "unknown";
}

bool record_front(game_window)
{
    steps_taken.push_back("front");
    return window_alive;
}

void record_sleep(unsigned ms)
{
    slept_ms += ms;
    steps_taken.push_back("sleep " + std::to_string(ms));
}

bool record_key(key_code key, unsigned flags)
{
    if (keys_before_failure == 0) {  // this one key fails, later ones go through
        keys_before_failure = -1;
        return false;
    }
    if (keys_before_failure > 0)
        --keys_before_failure;
    EXPECT_TRUE(flags == 0 || flags == 2) << "flags must be exactly 0 or KEYEVENTF_KEYUP";
    steps_taken.push_back(key_text(key) + (flags == 2 ? " up" : " down"));
    return true;
}

constexpr burst_steps recorder{record_front, record_sleep, record_key};

std::vector<std::string> run(int dx, int dy)
{
    steps_taken.clear();
    slept_ms = 0;
    window_alive = true;
    keys_before_failure = -1;
    EXPECT_TRUE(run_key_burst(recorder, 1, dx, dy));
    return steps_taken;
}

std::vector<std::string> taps(const std::string& arrow, int count)
{
    std::vector<std::string> steps;
    for (int i = 0; i < count; ++i)
        steps.insert(steps.end(), {arrow + " down", arrow + " up", "sleep 25"});
    return steps;
}

std::vector<std::string> burst(const std::vector<std::vector<std::string>>& groups)
{
    std::vector<std::string> steps{"front", "sleep 50", "ctrl down"};
    for (const auto& group : groups)
        steps.insert(steps.end(), group.begin(), group.end());
    steps.insert(steps.end(), {"ctrl up", "sleep 25"});
    return steps;
}

}  // namespace

TEST(KeyBurst, KeyCodesAreTheGamesVirtualKeysAndScanCodes)
{
    EXPECT_EQ(key_control.virtual_key, 0x11);
    EXPECT_EQ(key_control.scan_code, 0x1D);
    EXPECT_EQ(key_right.virtual_key, 0x27);
    EXPECT_EQ(key_right.scan_code, 0x4D);
    EXPECT_EQ(key_left.virtual_key, 0x25);
    EXPECT_EQ(key_left.scan_code, 0x4B);
    EXPECT_EQ(key_down.virtual_key, 0x28);
    EXPECT_EQ(key_down.scan_code, 0x50);
    EXPECT_EQ(key_up.virtual_key, 0x26);
    EXPECT_EQ(key_up.scan_code, 0x48);
}

TEST(KeyBurst, BackToTheTopLeftLimit)
{
    EXPECT_EQ(run(-18, -18), burst({taps("left", 18), taps("up", 18)}));
    EXPECT_EQ(slept_ms, 975u);
}

TEST(KeyBurst, EmptyBurstStillFocusesAndPressesCtrl)
{
    EXPECT_EQ(run(0, 0), burst({}));
    EXPECT_EQ(slept_ms, 75u);
}

TEST(KeyBurst, HorizontalTapsComeBeforeVerticalOnes)
{
    EXPECT_EQ(run(-36, 8), burst({taps("left", 36), taps("down", 8)}));
    EXPECT_EQ(run(8, -3), burst({taps("right", 8), taps("up", 3)}));
    EXPECT_EQ(slept_ms, 75u + 25u * 11);
}

TEST(KeyBurst, GoneWindowGetsNoKeys)
{
    steps_taken.clear();
    window_alive = false;
    EXPECT_FALSE(run_key_burst(recorder, 1, 8, 0));
    EXPECT_EQ(steps_taken, std::vector<std::string>{"front"});
}

TEST(KeyBurst, FailedKeyStopsTheTapsButReleasesCtrl)
{
    steps_taken.clear();
    window_alive = true;
    keys_before_failure = 3;  // ctrl down, right down, right up; then the next key fails
    EXPECT_FALSE(run_key_burst(recorder, 1, 5, 0));
    EXPECT_EQ(steps_taken,
              (std::vector<std::string>{"front", "sleep 50", "ctrl down", "right down", "right up",
                                        "sleep 25", "ctrl up", "sleep 25"}));
}
