// What a person sees when the viewer stops. Started from Explorer, a GUI program has no standard
// output: the messages that end it are then also shown in one message box before it returns.
#pragma once

// A message after which the viewer quits or draws no scene: printed exactly as formatted, and
// kept for the box.
void ReportFatal(const char* format, ...) __attribute__((format(printf, 1, 2)));
// True when standard output reaches a console, a file or a pipe.
bool StandardOutputConnected();
// Shows every kept message in one box, if there are any and nobody saw them printed.
void ShowFatalErrors();
// One error box with the window title; shown whether or not standard output is connected.
void ShowErrorBox(const char* text);
