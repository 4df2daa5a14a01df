// Tilequilt: takes snapshots of a running game's adventure map screen by screen and stitches the
// screens into one picture of the whole map.
#include "command_line.h"
#include "control_window.h"
#include "process_end.h"

int main(int argc, char** argv)
{
    const int answered = answer_command_line(argc, argv);
    if (answered >= 0)
        return answered;
    watch_process_end();
    return run_control_window();
}
