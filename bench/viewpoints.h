// Fixed views of the scene at fixed times. The tests compare these frames with their reference
// pictures; the benchmark saves them full size to compare the picture before and after a change.
#pragma once
#include <d3dx9.h>

#include "app/app.h"
#include "camera/camera.h"

struct Viewpoint {
    const char* name;
    D3DXVECTOR3 position;
    float yaw, pitch;
    float time;  // AccumulatedTime of the frame: where the water's waves are
};

inline const Viewpoint Viewpoints[] = {
    {"start", D3DXVECTOR3(-1.0f, 3.7f, -14.0f), 0.1f, -0.25f, 10.0f},        // the view at start-up
    {"dinosaur", D3DXVECTOR3(6.2f, 1.5f, -4.6f), 0.8f, -0.1f, 23.4f},        // skin, reflection, shore foam
    {"overview", D3DXVECTOR3(8.0f, 7.0f, -10.0f), 0.695f, -0.421f, 41.0f},  // every terrain layer
};

// Places the main camera; the next UpdateFrame steps the time onto the view's.
inline void ShowViewpoint(const Viewpoint& view)
{
    MainCamera.position = view.position;
    MainCamera.yaw = view.yaw;
    MainCamera.pitch = view.pitch;
    AccumulatedTime = view.time - ElapsedTime;
}
