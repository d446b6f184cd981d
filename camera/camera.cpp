#include "camera/camera.h"

// Constructed before WinMain runs; FollowCamera after MainCamera (same translation unit).
FlyingCamera MainCamera(D3DXVECTOR3(-1.0f, 3.7f, -14.0f), 0.1f, -0.25f);
ThirdPersonCamera FollowCamera;

FlyingCamera::FlyingCamera(const D3DXVECTOR3& startPosition, float startYaw, float startPitch)
    : yaw(startYaw), pitch(startPitch)
{
    position = startPosition;
    Update(0.0f);
}

void FlyingCamera::BuildView()
{
    D3DXMATRIXA16 rotateY, rotateX, translate, moved, result;
    D3DXMatrixRotationY(&rotateY, yaw);
    D3DXMatrixRotationX(&rotateX, pitch);
    D3DXMatrixTranslation(&translate, -position.x, -position.y, -position.z);
    D3DXMatrixMultiply(&moved, &translate, &rotateY);
    D3DXMatrixMultiply(&result, &moved, &rotateX);
    view = result;
}

void FlyingCamera::Update(float)
{
    BuildView();
    D3DXMatrixInverse(&inverseView, nullptr, &view);
    const D3DXPLANE waterPlane(0.0f, 1.0f, 0.0f, 0.0f);
    D3DXMatrixReflect(&reflectedView, &waterPlane);
    D3DXMatrixMultiply(&reflectedView, &reflectedView, &view);
}

ThirdPersonCamera::ThirdPersonCamera()
{
    // Matrices stay zero until the first Update with a target.
    const D3DXMATRIX zero(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    position = D3DXVECTOR3(0, 0, 0);
    view = inverseView = reflectedView = zero;
}

void ThirdPersonCamera::Update(float timeStep)
{
    if (!target) return;
    D3DXVECTOR3 rest = target->position - followDistance * target->direction;
    rest.y += heightOffset;
    const D3DXVECTOR3 displacement = position - rest;
    const D3DXVECTOR3 force = (-stiffness) * displacement - damping * velocity;
    const D3DXVECTOR3 acceleration = force * (1.0f / mass);
    velocity += acceleration * timeStep;
    position += velocity * timeStep;  // semi-implicit Euler: the new velocity moves the eye

    // An eye on the target, or straight above or below it, has no orientation: the look-at is
    // singular and cannot be inverted, so the previous view stays.
    const D3DXVECTOR3 up(0, 1, 0);
    D3DXMATRIXA16 lookAt, inverse;
    D3DXMatrixLookAtLH(&lookAt, &position, &target->position, &up);
    if (!D3DXMatrixInverse(&inverse, nullptr, &lookAt)) return;
    view = lookAt;
    inverseView = inverse;
}
