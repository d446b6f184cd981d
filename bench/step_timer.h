// Times RenderFrame's pieces one by one. Each piece is followed by an event query that the
// timer waits for, so the time includes the work the driver does for it, not only the calls.
#pragma once
#include <d3d9.h>

enum Step { StepBegin, StepReflection, StepHeight, StepMain, StepCopy, StepWater, StepPresent, StepCount };
extern const char* const StepNames[StepCount];

struct StepTimes {
    double ms[StepCount] = {};  // summed over the timed frames
    int frames = 0;
};

// Creates the event query; false when the device offers none.
bool InitStepTimer(IDirect3DDevice9* device);
void ReleaseStepTimer();
// One frame as RenderFrame draws it, each piece timed to completion.
void TimedFrame(StepTimes& times);
