// The key bursts of keyboard scrolling, played over recording platform steps: which keys, in which
// order, the checks before every key, where each burst stops, and the pauses.
#include "key_burst.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::chrono;

// The platform, as a script: what each check answers, and a record of what was done.
struct script {
    game_status front = game_status::ok;
    game_status focus = game_status::ok;
    game_status delivery = game_status::ok;
    game_status release_delivery = game_status::ok;
    int checks_passing = -1;  // checks before typing that pass; then `failing_check` (-1: all pass)
    game_status failing_check = game_status::focus_lost;
    int keys_sent_before_failure = -1;  // keys that go out; the next one fails (-1: all go out)
    std::vector<std::string> steps;
    burst_clock::time_point clock{};
    bool control_down = false;
};
script played;

std::string key_name(game_key key)
{
    switch (key) {
    case game_key::control: return "ctrl";
    case game_key::left: return "left";
    case game_key::right: return "right";
    case game_key::up: return "up";
    case game_key::down: return "down";
    }
    return "?";
}

constexpr burst_steps recorder{
    [](game_window) {
        played.steps.push_back("front");
        return played.front;
    },
    [](game_window) {
        played.steps.push_back("focus?");
        return played.focus;
    },
    [](game_window) {
        played.steps.push_back("check");
        if (played.checks_passing == 0)
            return played.failing_check;
        if (played.checks_passing > 0)
            --played.checks_passing;
        return game_status::ok;
    },
    [](game_window, bool pressed) {
        played.steps.push_back(pressed ? "delivered down?" : "delivered up?");
        return pressed ? played.delivery : played.release_delivery;
    },
    [](game_key key, bool pressed) {
        if (played.keys_sent_before_failure == 0) {
            played.keys_sent_before_failure = -1;
            played.steps.push_back(key_name(key) + (pressed ? " down" : " up") + " failed");
            return false;
        }
        if (played.keys_sent_before_failure > 0)
            --played.keys_sent_before_failure;
        played.steps.push_back(key_name(key) + (pressed ? " down" : " up"));
        return true;
    },
    [](burst_clock::time_point deadline, const pause_work& work) {
        while (work && work())
            played.steps.push_back("work");
        if (work)
            played.steps.push_back("work");
        played.steps.push_back(
            "sleep " + std::to_string(duration_cast<milliseconds>(deadline - played.clock).count()));
        played.clock = deadline;
    },
    [] { return played.clock; },
    [](bool held) {
        played.steps.push_back(held ? "[ctrl held]" : "[ctrl free]");
        played.control_down = held;
    },
};

game_status run(int dx, int dy, const pause_work& work = {}, bool continuing = false)
{
    played.steps.clear();
    return run_key_burst(recorder, 1, dx, dy, work, continuing);
}

void reset()
{
    played = script{};
}

// Only the keys a burst sent, in order.
std::vector<std::string> keys_of(const std::vector<std::string>& steps)
{
    std::vector<std::string> keys;
    for (const std::string& step : steps)
        if (step.rfind("ctrl ", 0) == 0 || step.rfind("left", 0) == 0 ||
            step.rfind("right", 0) == 0 || step.rfind("up", 0) == 0 || step.rfind("down", 0) == 0)
            keys.push_back(step);
    return keys;
}

long slept_ms(const std::vector<std::string>& steps)
{
    long total = 0;
    for (const std::string& step : steps)
        if (step.rfind("sleep ", 0) == 0)
            total += std::stol(step.substr(6));
    return total;
}

std::vector<std::string> taps(const std::string& arrow, int count)
{
    std::vector<std::string> keys;
    for (int i = 0; i < count; ++i)
        keys.insert(keys.end(), {arrow + " down", arrow + " up"});
    return keys;
}

std::vector<std::string> keys(const std::vector<std::vector<std::string>>& groups)
{
    std::vector<std::string> all;
    for (const auto& group : groups)
        all.insert(all.end(), group.begin(), group.end());
    return all;
}

}  // namespace

TEST(KeyBurst, EmptyBurstFocusesChecksAndPressesCtrlOnly)
{
    reset();
    EXPECT_EQ(run(0, 0), game_status::ok);
    EXPECT_EQ(played.steps,
              (std::vector<std::string>{"front", "sleep 50", "focus?", "check", "[ctrl held]",
                                        "ctrl down", "delivered down?", "ctrl up", "[ctrl free]",
                                        "delivered up?", "sleep 25"}));
}

TEST(KeyBurst, BackToTheTopLeftLimitWithACheckBeforeEveryTap)
{
    reset();
    EXPECT_EQ(run(-18, -18), game_status::ok);
    EXPECT_EQ(keys_of(played.steps), keys({{"ctrl down"}, taps("left", 18), taps("up", 18),
                                           {"ctrl up"}}));
    EXPECT_EQ(slept_ms(played.steps), 975);
    // Each tap: a check, the press, the release, 25 ms.
    const std::vector<std::string> first_tap(played.steps.begin() + 7, played.steps.begin() + 11);
    EXPECT_EQ(first_tap, (std::vector<std::string>{"check", "left down", "left up", "sleep 25"}));
    EXPECT_EQ(std::count(played.steps.begin(), played.steps.end(), "check"), 1 + 36);
}

TEST(KeyBurst, HorizontalTapsComeBeforeVerticalOnes)
{
    reset();
    EXPECT_EQ(run(-36, 8), game_status::ok);
    EXPECT_EQ(keys_of(played.steps), keys({{"ctrl down"}, taps("left", 36), taps("down", 8),
                                           {"ctrl up"}}));
    EXPECT_EQ(run(8, -3), game_status::ok);
    EXPECT_EQ(keys_of(played.steps), keys({{"ctrl down"}, taps("right", 8), taps("up", 3),
                                           {"ctrl up"}}));
    EXPECT_EQ(slept_ms(played.steps), 75 + 25 * 11);
}

TEST(KeyBurst, NoKeyForAWindowThatIsGoneTooSmallOrWithoutTheKeyboard)
{
    for (const game_status refusal : {game_status::window_gone, game_status::window_too_small}) {
        reset();
        played.front = refusal;
        EXPECT_EQ(run(8, 0), refusal);
        EXPECT_EQ(played.steps, std::vector<std::string>{"front"});
    }
    for (const game_status refusal : {game_status::focus_refused, game_status::window_gone}) {
        reset();
        played.focus = refusal;
        EXPECT_EQ(run(8, 0), refusal);
        EXPECT_TRUE(keys_of(played.steps).empty());
    }
}

TEST(KeyBurst, FirstFailedCheckStopsTheTapsAndReleasesCtrl)
{
    for (const game_status failure :
         {game_status::focus_lost, game_status::window_gone, game_status::interrupted}) {
        reset();
        played.checks_passing = 4;  // the one before Ctrl, then three taps
        played.failing_check = failure;
        EXPECT_EQ(run(5, 2), failure);
        EXPECT_EQ(keys_of(played.steps), keys({{"ctrl down"}, taps("right", 3), {"ctrl up"}}));
        // Nothing after the release but letting go of the Ctrl guard: no pause, no key.
        EXPECT_EQ(played.steps.back(), "[ctrl free]");
        EXPECT_FALSE(played.control_down);
    }
}

TEST(KeyBurst, CtrlHeldBackOrNotInEffectStopsBeforeAnyArrow)
{
    for (const game_status why : {game_status::keys_undelivered, game_status::control_dropped}) {
        reset();
        played.delivery = why;
        EXPECT_EQ(run(-18, -18), why);
        EXPECT_EQ(keys_of(played.steps), (std::vector<std::string>{"ctrl down", "ctrl up"}));
        EXPECT_FALSE(played.control_down);
    }
}

TEST(KeyBurst, ReleaseHeldBackByTheDesktopEndsTheBurstWithoutItsPause)
{
    // The game would not have had its pause after the last tap: no snapshot may follow.
    reset();
    played.release_delivery = game_status::keys_undelivered;
    EXPECT_EQ(run(2, 0), game_status::keys_undelivered);
    EXPECT_EQ(played.steps.back(), "delivered up?");
}

TEST(KeyBurst, FailedKeyStillReleasesItsArrowAndCtrl)
{
    reset();
    played.keys_sent_before_failure = 3;  // ctrl down, right down, right up; the next press fails
    EXPECT_EQ(run(5, 0), game_status::keys_undelivered);
    EXPECT_EQ(keys_of(played.steps),
              (std::vector<std::string>{"ctrl down", "right down", "right up",
                                        "right down failed", "right up", "ctrl up"}));
}

TEST(KeyBurst, WorkFillsOnlyThePausesWithCtrlUp)
{
    reset();
    int pieces = 3;
    const pause_work work = [&] {
        played.steps.push_back("piece");
        if (pieces > 0)
            --pieces;
        return pieces > 0;
    };
    EXPECT_EQ(run(2, 0, work), game_status::ok);
    EXPECT_EQ(pieces, 0);
    const auto down = std::find(played.steps.begin(), played.steps.end(), "ctrl down");
    const auto up = std::find(played.steps.begin(), played.steps.end(), "ctrl up");
    EXPECT_EQ(std::count(played.steps.begin(), down, "piece"), 3);
    EXPECT_EQ(played.steps[1], "piece") << "the first piece comes right after the focus request";
    EXPECT_EQ(std::count(down, up, "piece"), 0);
    // The pauses stay as long as they are.
    EXPECT_EQ(slept_ms(played.steps), 75 + 2 * 25);
}

TEST(KeyBurst, ContinuingBurstAfterTheKeyboardLeftTheGameAsksForNothing)
{
    reset();
    played.checks_passing = 0;
    played.failing_check = game_status::focus_lost;
    EXPECT_EQ(run(8, 0, {}, true), game_status::focus_lost);
    EXPECT_EQ(played.steps, (std::vector<std::string>{"check"})) << "no focus request, no key";
}
