// What start-up loaded: every mesh and texture load in its list, each mesh owned by its list
// alone (the one sand file read three times gives three objects); the effects offer every
// technique (each begins its first pass) and parameter the viewer sets, with the type it sets.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "content/loading.h"
#include "gfx/resource_lists.h"
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
        EXPECT_EQ(std::vector<UINT>({UINT(desc.Class), UINT(desc.Type), desc.Rows, desc.Columns}),
                  std::vector<UINT>(want, want + 4)) << param.name;
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

TEST(Loading, SevenMeshesNineteenTexturesAndTwoEffectsEachOwnedByItsList)
{
    REQUIRE_VIEWER();
    // Which handle holds which file, the pictures show; here that each list holds every load once.
    EXPECT_EQ(MeshList.size(), 7u);
    EXPECT_EQ(EffectList, (std::vector<ID3DXEffect*>{DefaultEffect, PostProcessEffect}));
    EXPECT_EQ(std::set<void*>(TextureList.begin(), TextureList.end()).size(), 19u) << "no load shared or missing";
    EXPECT_EQ(std::count(TextureList.begin(), TextureList.end(), nullptr), 0);
    for (ID3DXMesh* mesh : MeshList) ASSERT_TRUE(mesh && RefCount(mesh) == 1);
}

TEST(Effects, EveryNameTheViewerSetsResolvesWithItsType)
{
    REQUIRE_VIEWER();
    ExpectNames(DefaultEffect, DefaultFx::Params, DefaultFx::Techniques);
    ExpectNames(PostProcessEffect, PostFx::Params, PostFx::Techniques);
}
