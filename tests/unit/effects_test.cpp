// The built effects offer every technique and parameter the viewer sets, with the type it sets
// each one with; each technique begins its first pass. What they draw, the pictures show.
#include <gtest/gtest.h>

#include "content/loading.h"
#include "render/effect_names.h"
#include "tests/support/support.h"

namespace {

template <size_t P, size_t T>
void ExpectNames(ID3DXEffect* effect, const EffectParam (&params)[P], const char* const (&techniques)[T])
{
    // Class, type, rows, columns of each ParamType in its order.
    const UINT shapes[][4] = {{D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0}, {D3DXPC_SCALAR, D3DXPT_FLOAT, 1, 1},
                              {D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 4},   {D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 3},
                              {D3DXPC_MATRIX_ROWS, D3DXPT_FLOAT, 4, 4}};
    ASSERT_NE(effect, nullptr);
    for (const EffectParam& param : params) {
        D3DXPARAMETER_DESC desc = {};
        EXPECT_EQ(effect->GetParameterDesc(effect->GetParameterByName(nullptr, param.name), &desc), D3D_OK) << param.name;
        const UINT* want = shapes[int(param.type)];
        EXPECT_TRUE(UINT(desc.Class) == want[0] && UINT(desc.Type) == want[1] && desc.Rows == want[2] &&
                    desc.Columns == want[3])
            << param.name << ": class " << desc.Class << ", type " << desc.Type << ", " << desc.Rows << " x "
            << desc.Columns;
    }
    for (const char* technique : techniques) {
        EXPECT_EQ(effect->SetTechnique(technique), D3D_OK) << technique;
        EXPECT_EQ(effect->Begin(nullptr, 0), D3D_OK) << technique;
        EXPECT_EQ(effect->BeginPass(0), D3D_OK) << technique;
        effect->EndPass();
        effect->End();
    }
}

}  // namespace

TEST(Effects, EveryNameTheViewerSetsResolvesWithItsType)
{
    REQUIRE_VIEWER();
    ExpectNames(DefaultEffect, DefaultFx::Params, DefaultFx::Techniques);
    ExpectNames(PostProcessEffect, PostFx::Params, PostFx::Techniques);
}
