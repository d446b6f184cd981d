// The stages of start-up, in the order StartUp runs them. When StartStageDone is set, each
// stage calls it on finishing (meshes and textures once per file, with the file's path, else
// null); the benchmark times start-up with it. The viewer leaves it null.
#pragma once

enum StartStage { StageWindow, StageDevice, StageMesh, StageTexture, StageEffects, StageRenderTargets, StageInput, StageScene, StartStageCount };
extern void (*StartStageDone)(StartStage stage, const char* path);

inline void StartStageFinished(StartStage stage, const char* path = nullptr)
{
    if (StartStageDone) StartStageDone(stage, path);
}
