#include "content/scene.h"

#include "camera/camera.h"
#include "content/loading.h"
#include "content/materials.h"
#include "gfx/device.h"
#include "render/renderer.h"

namespace {

const float TileScale = 0.01f;
const int TerrainTiles = 2, WaterTiles = 4;

RenderObject* Append(RenderObject* object)
{
    TheRenderer->objects.push_back(object);
    return object;
}

// Scaling(30, scaleY, 30) x Translation(x, y, z), the tile offsets computed in double precision.
D3DXMATRIX TileMatrix(double x, float y, double z, float scaleY)
{
    D3DXMATRIX scale, move, m;
    D3DXMatrixScaling(&scale, 30.0f, scaleY, 30.0f);
    D3DXMatrixTranslation(&move, static_cast<float>(x), y, static_cast<float>(z));
    D3DXMatrixMultiply(&m, &scale, &move);
    return m;
}

void PlaceTerrain()
{
    for (int i = 0; i < TerrainTiles; ++i)
        for (int j = 0; j < TerrainTiles; ++j) {
            const D3DXMATRIX m = TileMatrix(j * 30.0 * 50.0 - 750.0, 40.0f, i * 30.0 * 50.0 - 750.0, 15.0f);
            Append(PlaceByMatrix(m, TerrainMesh, TerrainMaterial))->passMask |= PassHeight;
        }
}

void PlaceWater()
{
    for (int i = 0; i < WaterTiles; ++i)
        for (int j = 0; j < WaterTiles; ++j) {
            const D3DXMATRIX m = TileMatrix(j * 30.0 * 25.0 - 1125.0, 0.0f, i * 30.0 * 25.0 - 1125.0, 30.0f);
            Append(PlaceByMatrix(m, WaterMesh, WaterMaterial))->passMask = PassWater;
        }
}

void PlaceModels()
{
    const int dinoSubsets = 9;
    Append(PlaceByLookAt(D3DXVECTOR3(-1.7f, 0.7f, 1.3f), D3DXVECTOR3(-1.0f, 0.1f, -1.5f), 3.0f, DinoMesh,
                         DinoBrownMaterial))->subsetCount = dinoSubsets;
    Append(PlaceByLookAt(D3DXVECTOR3(0.4f, 0.18f, 0.0f), D3DXVECTOR3(0.0f, 0.0f, 1.0f), 3.0f, DinoMesh,
                         DinoOrangeMaterial))->subsetCount = dinoSubsets;
    Append(PlaceByLookAt(D3DXVECTOR3(30.0f, -100.0f, 80.0f), D3DXVECTOR3(1.4f, 0.0f, 1.0f), 0.005f, TurtleMesh,
                         TurtleMaterial));
}

}  // namespace

RenderObject* PlaceByMatrix(const D3DXMATRIX& m, ID3DXMesh* mesh, Material* material)
{
    RenderObject* object = new RenderObject();
    D3DXMATRIX scale;
    D3DXMatrixScaling(&scale, TileScale, TileScale, TileScale);
    D3DXMatrixMultiply(&object->world, &m, &scale);
    object->mesh = mesh;
    object->material = material;
    return object;
}

RenderObject* PlaceByLookAt(const D3DXVECTOR3& p, const D3DXVECTOR3& d, float s, ID3DXMesh* mesh,
                            Material* material)
{
    const D3DXVECTOR3 target = p + d, up(0.0f, 1.0f, 0.0f);
    D3DXMATRIX lookAt, placed, scale;
    D3DXMatrixLookAtRH(&lookAt, &p, &target, &up);
    D3DXMatrixInverse(&placed, nullptr, &lookAt);
    D3DXMatrixScaling(&scale, s, s, s);
    RenderObject* object = new RenderObject();
    D3DXMatrixMultiply(&object->world, &placed, &scale);
    object->mesh = mesh;
    object->material = material;
    return object;
}

void BuildScene()
{
    CreateMaterials();
    CheckWaterVertexTextures();
    PlaceTerrain();
    PlaceWater();
    PlaceModels();
    TheRenderer->mainCamera = &MainCamera;
    TheRenderer->projection = &ProjectionMatrix;
}
