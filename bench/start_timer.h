// Start-up timed through the viewer's own stage hook (app/start_stages.h) and, for the first
// frame, its step hook. Each mark is printed as "stage NAME UNIX_MS", the wall clock since the
// Unix epoch, so that the launching script can count from before the process existed.
#pragma once

// Marks the launch (the program's entry) and installs both hooks; call first thing.
void TimeStartUp();
// Runs the first frame as the loop would, marking each step, removes the hooks and prints the
// marks. False when the program was asked to quit first.
bool TimeFirstFrame();
// The benchmark's minimal program, marked the same way: a plain window, the viewer's device
// set-up (the same presentation parameters), one clear and Present; prints its marks.
int RunBaseline();
