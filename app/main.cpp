// Tilequilt: photographs a running game's adventure map screen by screen and stitches the
// screens into one picture of the whole map.
#include "control_window.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>

int main()
{
    build_control_window()->show();
    return Fl::run();
}
