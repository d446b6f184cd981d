// Times RenderFrame's own steps through its FrameStepDone hook. After each step the timer waits
// on an event query, so a step's time includes the work the driver does for it, not only the calls;
// an occlusion query counts the pixels the step shaded.
#pragma once
#include <d3d9.h>

#include "render/frame.h"

extern const char* const StepNames[FrameStepCount];

struct StepTimes {
    double ms[FrameStepCount] = {};      // summed over the timed frames
    double pixels[FrameStepCount] = {};  // pixels drawn (passing the depth test), summed
    double cpuMs = 0.0;              // the process's CPU time (every thread), summed
    int frames = 0;
};

// Creates the event and occlusion queries; false when the device offers none.
bool InitStepTimer(IDirect3DDevice9* device);
void ReleaseStepTimer();
// One RenderFrame, each of its steps timed to completion.
void TimedFrame(StepTimes& times);
// The process's CPU time per frame over `frames` frames drawn back to back, as the viewer draws
// them, waiting for the device at the end without spinning: the drawing work alone, much less
// sensitive to other programs on the machine than wall time.
double CpuMsPerFrame(int frames);
// CPU time of the whole process so far (user and kernel, all threads), in milliseconds.
double ProcessCpuMs();
