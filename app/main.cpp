// Tilequilt: takes snapshots of a running game's adventure map screen by screen and stitches the
// screens into one picture of the whole map.
#include "actions.h"
#include "command_line.h"
#include "control_window.h"
#include "process_end.h"

int main(int argc, char** argv)
{
    const command_request request = read_command_line(argc, argv);
    if (request.what == command_request::action::answered)
        return request.exit_status;
    watch_process_end();
    if (request.what == command_request::action::capture)
        return capture_command(request.size_index);
    return run_control_window();
}
