// Each technique's draws on their own: the scene's objects grouped by the technique their
// material names, each group alone in the object list, drawn by RenderFrame and timed per step
// with the empty list's times taken off. Every group runs twice: with the effect's pixel shaders
// and with a flat one in their place, which leaves the vertex, set-up and raster cost.
#pragma once

// Prints one line per group and step: "technique NAME STEP shaded_ms flat_ms", and one per group
// with the process's CPU time per frame (CpuMsPerFrame) in place of the step ("frame_cpu").
bool TimeTechniques(int frames);
