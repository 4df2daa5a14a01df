// The end of the process asked for from outside: SIGINT, SIGTERM or SIGHUP, or on Windows the
// console's Ctrl+C or its window closing. The new files not yet in place are removed before the
// process ends, so that no "*.partial" file is left behind; and while the tool holds something it
// must let go first (a key held down in the game), the end waits until it is let go.
#pragma once

// Starts watching, once. A signal that is ignored stays ignored.
void watch_process_end();

// While held, an end that is asked for only waits (`process_end_asked` tells); letting go then
// ends the process the way it was asked. Held and let go by the thread that does the work.
void hold_process_end(bool held);
bool process_end_asked();

// Something the process changed outside itself that must be put back however it ends (the
// console's mode): `undo` runs as the end asked for from outside goes ahead, after a held end is
// let go; null forgets it. One at a time. It must be safe to run from a signal handler (on
// Windows, from the console's own thread).
void undo_at_process_end(void (*undo)());
