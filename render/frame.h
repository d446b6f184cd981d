// The five rendering steps of a frame and the drawing of one object.
#pragma once
#include <d3dx9.h>

class Camera3D;
struct RenderObject;
struct Renderer;

// Material values, world matrix and technique (the override if given), then the subsets.
void DrawObject(const RenderObject& object, const char* techniqueOverride);
// Draws, in list order, every object whose pass mask shares a bit with passMask.
void DrawPass(const char* techniqueOverride, unsigned passMask);
// Eye position, forward axis, view x projection (reflected view if asked) and view.
void SetCameraParameters(const Camera3D& camera, const D3DXMATRIX& projection, bool reflected);
// Gives the back buffer back and draws the texture over it with the "Copy" technique.
HRESULT CopyToBackBuffer(IDirect3DTexture9* source);
// Reflection, height and main passes, the copy, the water; returns Present's result. The height
// pass runs only while the height target holds no image (after the targets are made). While
// the main camera stays where the reflection and scene images were drawn, both are kept: the
// reflection pass draws nothing and the main pass only the depth.
HRESULT RenderFrame();

// The steps of a frame in RenderFrame's order. When FrameStepDone is set, RenderFrame calls it
// after each step (after Present for the last); the benchmark times the steps with it. The
// viewer leaves it null.
enum FrameStep { StepBegin, StepReflection, StepHeight, StepMain, StepCopy, StepWater, StepPresent, FrameStepCount };
extern void (*FrameStepDone)(FrameStep step);
