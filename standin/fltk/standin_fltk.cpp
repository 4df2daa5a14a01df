// The stand-in game's window on X11 (and wherever FLTK runs): titled like the game, 800 x 600,
// scrolled by Ctrl+arrow keys.
#include "standin_options.h"
#include "standin_render.h"

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <cstdio>
#include <ctime>

namespace {

// Everything the stand-in keeps between events, in one place: the game, and the view its window
// shows.
struct standin_window_state {
    standin_game game;
    int shown_x = 0;  // the view the window shows, behind the game's own while a redraw is late
    int shown_y = 0;
    rgb_picture frame;  // a frame worked out before it is shown, or empty
};
standin_window_state state;

standin_key key_of(int fltk_key)
{
    switch (fltk_key) {
    case FL_Control_L:
    case FL_Control_R: return standin_key::control;
    case FL_Left: return standin_key::left;
    case FL_Right: return standin_key::right;
    case FL_Up: return standin_key::up;
    case FL_Down: return standin_key::down;
    default: return standin_key::other;
    }
}

// This thread's processor time so far, in nanoseconds.
long long processor_time()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1'000'000'000LL + now.tv_nsec;
}

// Busy until `ms` of this thread's processor time have passed since `start`: on a loaded machine
// that takes longer.
void spend_processor_time(long long start, int ms)
{
    const long long budget = static_cast<long long>(ms) * 1'000'000;
    while (processor_time() - start < budget) {
    }
}

struct late_view {
    Fl_Window* window;
    int x, y;
};

void show_late_view(void* data)
{
    late_view* late = static_cast<late_view*>(data);
    state.shown_x = late->x;
    state.shown_y = late->y;
    late->window->redraw();
    delete late;
}

// A key event in `window`: the view it changes shown now, late or at its cost, and the game's hang
// or close when one is due.
void on_key(Fl_Window* window, int event)
{
    const long long started = processor_time();
    const int taps_before = state.game.taps;
    const bool changed =
        handle_standin_key(state.game, key_of(Fl::event_key()), event == FL_KEYDOWN,
                           Fl::event_state(FL_CTRL) != 0, fl_xevent ? fl_xevent->xkey.time : 0);
    const bool tapped = state.game.taps != taps_before;
    if (changed && state.game.faults.redraw_delay_ms > 0) {
        Fl::add_timeout(state.game.faults.redraw_delay_ms / 1000.0, show_late_view,
                        new late_view{window, state.game.view_x, state.game.view_y});
    } else if (tapped && state.game.faults.draw_cost_ms > 0) {
        // A frame for every tap, worked out first (drawing it is part of its cost) and only then
        // shown whole, before the next key is read: meanwhile the window shows the frame before,
        // and the keys wait.
        state.frame = render_client_area(state.game, state.game.view_x, state.game.view_y);
        spend_processor_time(started, state.game.faults.draw_cost_ms);
        state.shown_x = state.game.view_x;
        state.shown_y = state.game.view_y;
        window->redraw();
        Fl::flush();
        state.frame = {};
    } else if (changed) {
        // Drawn once the keys that have arrived are handled, as a game draws its frames: a
        // stand-in that fell behind catches up at once.
        state.shown_x = state.game.view_x;
        state.shown_y = state.game.view_y;
        window->redraw();
    }
    if (const int hang_ms = standin_hang_due(state.game)) {
        Fl::flush();  // the view of the tap is drawn, then nothing more for a while
        const timespec pause{hang_ms / 1000, (hang_ms % 1000) * 1'000'000L};
        nanosleep(&pause, nullptr);
    }
    if (standin_should_close(state.game))
        window->hide();
}

// Double-buffered, so that every picture reaches the window whole, in one copy, as a game's
// frames do: a snapshot never finds it half drawn.
class standin_window : public Fl_Double_Window {
public:
    standin_window()
        : Fl_Double_Window(state.game.geometry.width, state.game.geometry.height, standin_title)
    {
    }

    void draw() override
    {
        const rgb_picture client = state.frame.pixels.empty()
                                       ? render_client_area(state.game, state.shown_x, state.shown_y)
                                       : state.frame;
        fl_draw_image(client.pixels.data(), 0, 0, client.width, client.height, 3);
    }

    int handle(int event) override
    {
        switch (event) {
        case FL_FOCUS:
        case FL_UNFOCUS:
        case FL_SHORTCUT:  // Escape and friends do not close the game
            return 1;
        case FL_KEYDOWN:
        case FL_KEYUP:
            on_key(this, event);
            return 1;
        default:
            return Fl_Double_Window::handle(event);
        }
    }
};

// The next frame of the animated tiles.
void next_frame(void* data)
{
    ++state.game.frame;
    static_cast<Fl_Window*>(data)->redraw();
    Fl::repeat_timeout(standin_frame_ms / 1000.0, next_frame, data);
}

void close_on_close_box(Fl_Widget* widget, void*)
{
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape)
        return;
    widget->hide();
}

}  // namespace

int main(int argc, char** argv)
{
    const int status = start_standin_program(argc, argv, state.game);
    if (status >= 0)
        return status;
    state.shown_x = state.game.view_x;
    state.shown_y = state.game.view_y;
    standin_window* window = new standin_window;
    window->callback(close_on_close_box);
    window->end();
    window->show();
    if (state.game.animated_percent > 0)
        Fl::add_timeout(standin_frame_ms / 1000.0, next_frame, window);
    Fl::run();
    if (state.game.key_log)
        std::fclose(state.game.key_log);
    return 0;
}
