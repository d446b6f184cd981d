// The fixed scene: 2x2 terrain tiles, 4x4 water tiles, two dinosaurs and a turtle.
#pragma once
#include <d3dx9.h>

struct Material;
struct RenderObject;

// world = M x uniform 0.01 scale; drawn in the reflection and main passes, subset 0.
RenderObject* PlaceByMatrix(const D3DXMATRIX& m, ID3DXMesh* mesh, Material* material);
// Stands a model at P facing D (its local -Z), +Y up, then scales by s (position included).
RenderObject* PlaceByLookAt(const D3DXVECTOR3& p, const D3DXVECTOR3& d, float s, ID3DXMesh* mesh,
                            Material* material);
// Materials (and whether the device can sample the water's in its vertex shader), the
// twenty-three objects, and the Renderer's camera and projection.
void BuildScene();
