#include "standin_session.h"

#include "game_contract.h"

#include <gtest/gtest.h>

standin_session start_standin_game(const std::string& folder,
                                   const std::vector<std::string>& options)
{
    standin_session session;
    session.folder = folder;
    session.key_log = folder + "/standin-keys.log";
    session.state = folder + "/standin-state.txt";
    std::vector<std::string> argv{STANDIN_PROGRAM, "--key-log", session.key_log, "--state",
                                  session.state};
    argv.insert(argv.end(), options.begin(), options.end());
    session.process = start_process(argv, folder);
    session.window = wait_for_window("^Heroes of Might and Magic III$", std::chrono::seconds(60));
    return session;
}

void stop_standin_game(standin_session& session)
{
    stop_process(session.process);
    if (session.key_log.empty())
        return;
    int without_ctrl = 0, too_close = 0;
    long long last_release = -1;  // the last arrow's release, in the server's milliseconds
    for (const logged_key& key : read_key_log(session.key_log)) {
        if (key.key == standin_key::control || key.key == standin_key::other)
            continue;
        without_ctrl += key.pressed && !key.ctrl;
        if (key.pressed && last_release >= 0 && key.ms - last_release < tap_pause_ms)
            ++too_close;
        last_release = key.pressed ? -1 : key.ms;
    }
    if (without_ctrl > 0)
        ADD_FAILURE() << without_ctrl << " arrow keys reached the game without Ctrl";
    if (too_close > 0)
        ADD_FAILURE() << too_close << " arrow taps came less than " << tap_pause_ms
                      << " ms after the one before";
}

view_position standin_view(const standin_session& session)
{
    const standin_state state = read_standin_state(session.state);
    return {state.view_x, state.view_y};
}

key_recorder start_key_recorder(const std::string& key_log, int x, int y, int width, int height,
                                const std::vector<std::string>& options)
{
    key_recorder recorder;
    recorder.key_log = key_log;
    std::vector<std::string> argv{KEY_RECORDER_PROGRAM, key_log, std::to_string(x),
                                  std::to_string(y), std::to_string(width),
                                  std::to_string(height)};
    argv.insert(argv.end(), options.begin(), options.end());
    const std::string said = key_log + ".out";
    recorder.process = start_process(argv, "", said);
    // It says which window it is once the window is shown (or made, when it shows later).
    wait_until([&] {
        const std::string text = read_text_file(said);
        if (text.rfind("window ", 0) == 0 && text.back() == '\n')
            recorder.window = text.substr(7, text.size() - 8);
        return !recorder.window.empty() || !process_running(recorder.process);
    }, std::chrono::seconds(60));
    return recorder;
}
