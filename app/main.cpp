// Tilequilt: photographs a running game's adventure map screen by screen and stitches the
// screens into one picture of the whole map.
#include "actions.h"
#include "command_line.h"
#include "control_window.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>

int main(int argc, char** argv)
{
    const int answered = answer_command_line(argc, argv);
    if (answered >= 0)
        return answered;
    build_control_window(on_capture, on_compress)->show();
    return Fl::run();
}
