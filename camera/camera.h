// The camera family: a position and the view, inverse-view and reflected-view matrices
// that every render pass needs. Row-vector convention of D3DX: p' = p * M.
#pragma once
#include "gfx/aligned_matrix.h"

class Camera3D {
public:
    D3DXVECTOR3 position;
    D3DXMATRIXA16 view;
    D3DXMATRIXA16 inverseView;    // rows: right, up, forward, (position, 1)
    D3DXMATRIXA16 reflectedView;  // mirror in y = 0, then view

    virtual void Update(float timeStep) = 0;
};

// Oriented by yaw (about Y) and pitch (about X); neither is wrapped or clamped.
class FlyingCamera final : public Camera3D {
public:
    float yaw;
    float pitch;

    FlyingCamera(const D3DXVECTOR3& position, float yaw, float pitch);
    void BuildView();
    void Update(float timeStep) override;  // timeStep is ignored
};

// What a ThirdPersonCamera follows; owned by the caller.
struct FollowTarget {
    D3DXVECTOR3 position;
    D3DXVECTOR3 direction;  // not normalised: the rest point lies followDistance * |direction| behind
};

// Pulled toward a rest point behind and above its target by a damped spring.
class ThirdPersonCamera final : public Camera3D {
public:
    FollowTarget* target = nullptr;
    float heightOffset = 10.0f;
    float followDistance = 10.0f;
    float mass = 50.0f;  // must not be 0
    float damping = 400.0f;
    float stiffness = 500.0f;
    D3DXVECTOR3 velocity{0, 0, 0};

    ThirdPersonCamera();
    void Update(float timeStep) override;
};

extern FlyingCamera MainCamera;
extern ThirdPersonCamera FollowCamera;
