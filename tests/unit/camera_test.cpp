#include <gtest/gtest.h>

#include <cmath>

#include "camera/camera.h"
#include "tests/unit/matrix_expect.h"

// Without a target nothing moves and the matrices stay zero; then the spring's worked step.
TEST(ThirdPersonCamera, DoesNothingWithoutATargetThenTakesTheWorkedStepAndLooksAtIt)
{
    ThirdPersonCamera camera;
    camera.Update(0.02f);
    EXPECT_FLOAT_EQ(camera.position.y, 0.0f);
    EXPECT_FLOAT_EQ(camera.view(0, 0), 0.0f);
    EXPECT_FLOAT_EQ(FollowCamera.view(3, 3), 0.0f);

    FollowTarget target{D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 1)};
    camera.target = &target;
    camera.Update(0.02f);
    ExpectVector(camera.velocity, 0, 2.0f, -2.0f);
    ExpectVector(camera.position, 0, 0.04f, -0.04f, 1e-6f);
    ExpectRow(camera.inverseView, 3, 0, 0.04f, -0.04f, 1, 1e-5f);
    ExpectRow(camera.view, 3, 0, 0, 0.04f * std::sqrt(2.0f), 1, 1e-5f);  // the target dead ahead of the eye

    // The direction is not normalised: length 2 puts the rest point 20 behind, where it rests.
    target = {D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(0, 0, 2)};
    camera.position = D3DXVECTOR3(1, 10, -20);
    camera.velocity = D3DXVECTOR3(0, 0, 0);
    camera.Update(0.02f);
    EXPECT_NEAR(camera.position.z, -20.0f, 1e-6f);
    EXPECT_NEAR(camera.velocity.z, 0.0f, 1e-6f);

    // At rest straight above the target, or on it, the look-at has no orientation: the last
    // view and its inverse (here the identity) stay.
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    for (float height : {10.0f, 0.0f}) {
        target = {D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(0, 0, 0)};
        camera.heightOffset = height;
        camera.position = D3DXVECTOR3(1, height, 0);
        camera.view = camera.inverseView = identity;
        camera.Update(0.02f);
        EXPECT_TRUE(camera.view == identity && camera.inverseView == identity) << height;
    }
}
