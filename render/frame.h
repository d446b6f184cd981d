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
// Reflection, height and main passes, the copy, the water; returns Present's result.
HRESULT RenderFrame();

// RenderFrame's pieces in its order, between BeginScene and EndScene; public so that the
// benchmark can time each one.
// Viewport size to "SourceSize", then the back buffer's clear.
void PrepareBackBuffer(Renderer& r);
// All three targets, the main camera and the projection exist.
bool TargetsReady(const Renderer& r);
void ReflectionPass(Renderer& r);
void HeightPass(Renderer& r);
void MainPass(Renderer& r);
// Draws the water over the copied scene, sampling the reflection and the scene images.
void WaterPass(Renderer& r, IDirect3DTexture9* reflection);
