#pragma once

// Prints the line "capture fail!" on standard output (flushed at once) and returns false, so that
// a failing operation can end with `return report_capture_failure();`.
bool report_capture_failure();
