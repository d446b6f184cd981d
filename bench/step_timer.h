// Times RenderFrame's own steps through its FrameStepDone hook. After each step the timer waits
// on an event query, so a step's time includes the work the driver does for it, not only the calls.
#pragma once
#include <d3d9.h>

#include "render/frame.h"

extern const char* const StepNames[FrameStepCount];

struct StepTimes {
    double ms[FrameStepCount] = {};  // summed over the timed frames
    double cpuMs = 0.0;              // the process's CPU time (every thread), summed
    int frames = 0;
};

// Creates the event query; false when the device offers none.
bool InitStepTimer(IDirect3DDevice9* device);
void ReleaseStepTimer();
// One RenderFrame, each of its steps timed to completion.
void TimedFrame(StepTimes& times);
// CPU time of the whole process so far (user and kernel, all threads), in milliseconds.
double ProcessCpuMs();
