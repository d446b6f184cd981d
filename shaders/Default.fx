// Default effect: every material technique of the scene plus "Height".
//
// Register layout, shared by all shaders of this file:
//   vertex constants  c0 ViewProj, c4 World, c8 View, c12 HeightViewProj (4 each), c17 CameraDirection
//   pixel constants   c0 specColor
//   both stages       c16 CameraPosition, c18 AccumulatedTime, c19 SourceSize, c25 specPower,
//                     c26 SunDirection, c27 AmbientLight
//   vertex samplers   s0 DisplacementMap, s1 Texture (the water's tint)
//   pixel samplers    s0 Texture, s1 NormalHeightMap, s2 NormalHeightMap (the water's), s4 Terrain2,
//                     s6 TerrainHeight, s8 WaterReflection, s9 WaterRefraction
// Matrices are uploaded as columns, so "dp4 r.x, v, c0" ... "dp4 r.w, v, c3" is v * M.
// Shared shader code is written once and included in place: transform.fxh (vertex), lighting.fxh
// (either stage).
//
// On llvmpipe every texture read costs about as much as the rest of a pixel's work, and a dynamic
// branch saves nothing (both sides run for every pixel), so the techniques read as few texels as
// the picture allows. Mipmapped maps take the nearest level: blending two levels costs a third
// more per read and is not seen on these textures.

float4x4 ViewProj : register(vs, c0);
float4x4 World : register(vs, c4);
float4x4 View : register(vs, c8);
float4x4 HeightViewProj : register(vs, c12);
float3 CameraPosition : register(c16);
float3 CameraDirection : register(vs, c17);
float AccumulatedTime : register(c18);
float4 SourceSize : register(c19) = {1024, 768, 0, 0};

float4 specColor : register(ps, c0) = {1, 1, 1, 1};
float specPower : register(c25) = 16;
// The fixed sun: unit direction towards it, and the ambient share of the light (the sun adds
// (1 - ambient) * max(N.L, 0)).
float3 SunDirection : register(c26) = {0.408248, 0.816497, -0.408248};
float AmbientLight : register(c27) = 0.35;

texture Texture;
texture NormalHeightMap;
texture DisplacementMap;
// Terrain2 holds the terrain's colour, its layers mixed by the content builder (terrain_layers.fxh);
// Terrain0, Terrain1 and Terrain3 are the sand, grass and snow pictures, which no technique needs.
// Nor does the water need FoamTexture: its foam takes its brightness pattern from the waves it
// reads anyway.
texture Terrain0;
texture Terrain1;
texture Terrain2;
texture Terrain3;
texture TerrainHeight;
texture FoamTexture;
texture WaterReflection;
texture WaterRefraction;

// Every sampler sets its filters and addressing: the sprite copy changes sampler states.
sampler2D TextureSampler : register(ps, s0) = sampler_state
{
    Texture = <Texture>; MinFilter = Linear; MagFilter = Linear; MipFilter = Point;
    AddressU = Wrap; AddressV = Wrap;
};
sampler2D NormalHeightSampler : register(ps, s1) = sampler_state
{
    Texture = <NormalHeightMap>; MinFilter = Linear; MagFilter = Linear; MipFilter = Point;
    AddressU = Wrap; AddressV = Wrap;
};
sampler2D WaveSampler : register(ps, s2) = sampler_state
{
    Texture = <NormalHeightMap>; MinFilter = Linear; MagFilter = Linear; MipFilter = Point;
    AddressU = Wrap; AddressV = Wrap;
};
sampler2D Terrain2Sampler : register(ps, s4) = sampler_state
{
    Texture = <Terrain2>; MinFilter = Linear; MagFilter = Linear; MipFilter = Point;
    AddressU = Wrap; AddressV = Wrap;
};
// The height image is a linear two-channel code, so bilinear filtering of it stays exact.
sampler2D TerrainHeightSampler : register(ps, s6) = sampler_state
{
    Texture = <TerrainHeight>; MinFilter = Linear; MagFilter = Linear; MipFilter = None;
    AddressU = Clamp; AddressV = Clamp;
};
sampler2D ReflectionSampler : register(ps, s8) = sampler_state
{
    Texture = <WaterReflection>; MinFilter = Linear; MagFilter = Linear; MipFilter = None;
    AddressU = Clamp; AddressV = Clamp;
};
sampler2D RefractionSampler : register(ps, s9) = sampler_state
{
    Texture = <WaterRefraction>; MinFilter = Linear; MagFilter = Linear; MipFilter = None;
    AddressU = Clamp; AddressV = Clamp;
};
sampler2D DisplacementSampler : register(vs, s0) = sampler_state
{
    Texture = <DisplacementMap>; MinFilter = Linear; MagFilter = Linear; MipFilter = None;
    AddressU = Wrap; AddressV = Wrap;
};
sampler2D TintSampler : register(vs, s1) = sampler_state
{
    Texture = <Texture>; MinFilter = Linear; MagFilter = Linear; MipFilter = Linear;
    AddressU = Wrap; AddressV = Wrap;
};

// Textured, one fixed sun, Blinn-Phong. Vertices: position, normal, texcoord0.
technique Default
{
    pass P0
    {
        AlphaBlendEnable = False;
        AlphaTestEnable = False;
        ZEnable = True;
        ZWriteEnable = True;
        VertexShader = asm
        {
            vs_3_0
            dcl_position v0
            dcl_normal v1
            dcl_texcoord v2
            dcl_position o0
            dcl_texcoord0 o1.xy
            dcl_texcoord1 o2.xyz
            dcl_texcoord2 o3.xyz
            #include "transform.fxh"
            dp3 o2.x, v1, c4                   // world normal
            dp3 o2.y, v1, c5
            dp3 o2.z, v1, c6
            mov o1.xy, v2
            mov o3.xyz, r0
        };
        PixelShader = asm
        {
            ps_3_0
            def c20, 0, 1, 0, 0
            dcl_texcoord0 v0.xy
            dcl_texcoord1 v1.xyz
            dcl_texcoord2 v2.xyz
            dcl_2d s0
            texld r0, v0, s0
            nrm r1.xyz, v1
            mov r2.xyz, v2
            #include "lighting.fxh"
            mul r21.xyz, r0, r20.x
            mad oC0.xyz, c0, r20.y, r21
            mov oC0.w, r0.w
        };
    }
}

// The terrain's colour, its layers by world height and slope, is baked over one tile, which
// repeats every 15 units: read at world x, z over 15, so tiles join seamlessly. The terrain is
// smooth at its vertices' spacing, so it is lit per vertex.
technique Terrain
{
    pass P0
    {
        AlphaBlendEnable = False;
        AlphaTestEnable = False;
        ZEnable = True;
        ZWriteEnable = True;
        VertexShader = asm
        {
            vs_3_0
            def c20, 0, 1, 0.2, 0.0666666667   // 0, 1, soil is matte: a fifth of the material's highlight, 1 / tile
            dcl_position v0
            dcl_normal v1
            dcl_position o0
            dcl_texcoord0 o1.xy
            dcl_texcoord1 o2.xy
            #include "transform.fxh"
            // The tiles are scaled unevenly: normals take the inverse-transpose, that is each
            // component divided by its World row's squared length, then World itself.
            mov r2.xyz, c4
            mul r3.xyz, r2, r2
            mov r2.xyz, c5
            mad r3.xyz, r2, r2, r3
            mov r2.xyz, c6
            mad r3.xyz, r2, r2, r3
            rcp r2.x, r3.x
            rcp r2.y, r3.y
            rcp r2.z, r3.z
            mul r2.xyz, v1, r2
            dp3 r3.x, r2, c4
            dp3 r3.y, r2, c5
            dp3 r3.z, r2, c6
            nrm r1.xyz, r3
            mov r2.xyz, r0
            #include "lighting.fxh"
            mul o1.xy, r0.xzzw, c20.w          // the baked colour's coordinates
            mov o2.x, r20.x
            mul o2.y, r20.y, c20.z
        };
        PixelShader = asm
        {
            ps_3_0
            def c20, 0, 1, 0, 0
            dcl_texcoord0 v0.xy
            dcl_texcoord1 v1.xy                // light, highlight
            dcl_2d s4
            texld r0, v0, s4
            mul r0.xyz, r0, v1.x
            mad oC0.xyz, c0, v1.y, r0
            mov oC0.w, c20.y
        };
    }
}

// Tangent-space normal mapping. Vertices: the 56-byte layout whose BINORMAL is dP/dU and
// TANGENT dP/dV; the map's red runs along U, green along V, blue along the normal.
technique Default_NormalMapped
{
    pass P0
    {
        AlphaBlendEnable = False;
        AlphaTestEnable = False;
        ZEnable = True;
        ZWriteEnable = True;
        VertexShader = asm
        {
            vs_3_0
            dcl_position v0
            dcl_texcoord0 v1
            dcl_normal v2
            dcl_tangent v3
            dcl_binormal v4
            dcl_position o0
            dcl_texcoord0 o1.xy
            dcl_texcoord1 o2.xyz
            dcl_texcoord2 o3.xyz
            dcl_texcoord3 o4.xyz
            dcl_texcoord4 o5.xyz
            #include "transform.fxh"
            mov o1.xy, v1
            dp3 o2.x, v2, c4
            dp3 o2.y, v2, c5
            dp3 o2.z, v2, c6
            mov o3.xyz, r0
            dp3 o4.x, v4, c4                   // U direction
            dp3 o4.y, v4, c5
            dp3 o4.z, v4, c6
            dp3 o5.x, v3, c4                   // V direction
            dp3 o5.y, v3, c5
            dp3 o5.z, v3, c6
        };
        PixelShader = asm
        {
            ps_3_0
            def c20, 0, 1, 0, 0
            def c21, 2, -1, 0, 0
            dcl_texcoord0 v0.xy
            dcl_texcoord1 v1.xyz
            dcl_texcoord2 v2.xyz
            dcl_texcoord3 v3.xyz
            dcl_texcoord4 v4.xyz
            dcl_2d s0
            dcl_2d s1
            texld r0, v0, s0
            texld r1, v0, s1
            mad r1.xyz, r1, c21.x, c21.y       // tangent-space normal
            nrm r2.xyz, v3
            nrm r3.xyz, v4
            nrm r4.xyz, v1
            mul r5.xyz, r2, r1.x
            mad r5.xyz, r3, r1.y, r5
            mad r5.xyz, r4, r1.z, r5
            nrm r1.xyz, r5
            mov r2.xyz, v2
            #include "lighting.fxh"
            mul r21.xyz, r0, r20.x
            mad oC0.xyz, c0, r20.y, r21
            mov oC0.w, r0.w
        };
    }
}

// Water: the grid's vertices rise and fall with "DisplacementMap" (vertex texture fetch),
// two scrolling samples of "NormalHeightMap" give the surface normal, and the reflection and
// scene images at the pixel's screen position, nudged by that normal, are blended by Fresnel.
// Foam shows where the terrain below (from the height image) comes near the surface.
// All maps are sampled from world x,z, so the tiles join whatever their UVs.
// Runs last, on the back buffer, after the sprite copy: it sets every state it relies on.
technique Water
{
    pass P0
    {
        AlphaBlendEnable = False;
        AlphaTestEnable = False;
        ZEnable = True;
        ZWriteEnable = True;
        ZFunc = LessEqual;
        CullMode = None;
        FillMode = Solid;
        StencilEnable = False;
        ColorWriteEnable = 15;
        VertexShader = asm
        {
            vs_3_0
            def c20, 0.045, 0.1, -0.05, 0          // displacement tiling, amplitude, -amplitude/2
            def c21, 0.011, 0.007, 0.013, 0.009    // displacement scroll, first normal scroll
            def c22, 0.11, 0.23, -0.008, 0.017     // normal tilings, second normal scroll
            def c23, 0.15, 0, 0.5, -0.5            // tint tiling, texture-space mapping
            // The tint's detail is far coarser than the grid: read per vertex, from the mip level
            // whose texels are about as far apart as the vertices (the tile's 16 cells of 0.47 units).
            def c24, 0, 0, 0, 4
            dcl_position v0
            dcl_position o0
            dcl_texcoord0 o1.xyz
            dcl_texcoord1 o2
            dcl_texcoord2 o3.xy
            dcl_texcoord3 o4.xyz
            dcl_2d s0
            dcl_2d s1
            dp4 r0.x, v0, c4
            dp4 r0.y, v0, c5
            dp4 r0.z, v0, c6
            dp4 r0.w, v0, c7
            mov r2.x, c18.x
            mul r1.xy, r0.xzzw, c20.x
            mad r1.xy, c21.xy, r2.x, r1
            mov r1.zw, c20.w
            texldl r3, r1, s0
            mad r0.y, r3.x, c20.y, r0.y
            add r0.y, r0.y, c20.z
            dp4 o0.x, r0, c0
            dp4 o0.y, r0, c1
            dp4 o0.z, r0, c2
            dp4 o0.w, r0, c3
            mov o1.xyz, r0
            mul r5.xy, r0.xzzw, c22.x
            mad r5.xy, c21.zw, r2.x, r5
            mul r5.zw, r0.xzxz, c22.y
            mad r5.zw, c22.zwzw, r2.x, r5
            mov o2, r5
            // Below, what is affine in the world position is the same computed here and
            // interpolated as computed for each pixel.
            // The height image's texel under this point: HeightViewProj is orthographic (w = 1).
            dp4 r6.x, r0, c12
            dp4 r6.y, r0, c13
            mad r6.xy, r6, c23.zw, c23.z
            rcp r7.x, c19.x
            rcp r7.y, c19.y
            mad o3.xy, r7, c23.z, r6
            mov r8, c24
            mul r8.xy, r0.xzzw, c23.x
            texldl r9, r8, s1                      // tint: sampled into a temp, as vertex texture reads must be
            mov o4.xyz, r9
        };
        PixelShader = asm
        {
            ps_3_0
            def c20, 0, 1, 2, -1
            def c21, 0.5, 0, 0.03, 0               // pixel centre, image offset by the normal
            // foam = saturate(4 (terrain - surface) + 1), the terrain decoded as 16 (red + green / 255) - 8
            def c22, 0.250980392, -31, 64, -4
            def c24, 0.6, -0.6, 0, 0               // normal flattening
            // Fresnel at normal incidence and its remainder; darkest foam and its brightness per unit of wave height
            def c23, 0.02, 0.98, 0.86, 0.055
            dcl_texcoord0 v0.xyz
            dcl_texcoord1 v1
            dcl_texcoord2 v2.xy
            dcl_texcoord3 v3.xyz
            dcl vPos.xy
            dcl_2d s2
            dcl_2d s6
            dcl_2d s8
            dcl_2d s9
            // normal: sum of two samples, U along world x, V along world z
            texld r0, v1, s2
            texld r1, v1.zwzw, s2
            add r0, r0, r1                         // alpha: the two waves' heights
            mad r1.xz, r0.xyyy, c24.x, c24.y       // 0.6 (x - 1)
            add r1.y, r0.z, c20.w
            nrm r2.xyz, r1
            // the scene images at this pixel (vPos: its position), nudged by the normal
            rcp r4.x, c19.x
            rcp r4.y, c19.y
            add r3.xy, vPos, c21.x
            mul r3.xy, r3, r4
            mad r5.xy, r2.xzzw, c21.z, r3
            texld r6, r5, s8
            texld r7, r5, s9
            mul r7.xyz, r7, v3
            // Fresnel: F = 0.02 + 0.98 (1 - N.V)^5
            add r9.xyz, c16, -v0
            nrm r10.xyz, r9
            dp3_sat r9.x, r2, r10
            add r9.x, -r9.x, c20.y
            mul r9.y, r9.x, r9.x
            mul r9.y, r9.y, r9.y
            mul r9.x, r9.y, r9.x
            mad r9.x, r9.x, c23.y, c23.x
            lrp r11.xyz, r9.x, r6, r7
            // foam where the terrain is less than 1/4 unit below the surface, as bright as the
            // sand it used to be drawn from (0.86 to 0.97), by the height of the two waves
            texld r13, v2, s6
            mad r13.y, r13.y, c22.x, c22.y
            mad r13.x, r13.x, c22.z, r13.y
            mad_sat r13.x, v0.y, c22.w, r13.x
            mad r14.x, r0.w, c23.w, c23.z
            mul r13.x, r13.x, r14.x
            lrp r11.xyz, r13.x, c20.y, r11
            // specular
            add r9.xyz, r10, c26
            nrm r15.xyz, r9
            dp3_sat r9.x, r2, r15
            pow r9.x, r9.x, c25.x
            mad oC0.xyz, c0, r9.x, r11
            mov oC0.w, c20.y
        };
    }
}

// World height of each pixel, coded in red and green: v = (y + 8) / 16 clamped to 0..1,
// red = floor(255 v) / 255, green = frac(255 v); decode y = 16 (red + green / 255) - 8.
// Opaque black (the cleared target) reads as y = -8, deeper than anything in the scene.
// The code is linear in (red, green), so bilinear filtering of it is exact.
technique Height
{
    pass P0
    {
        AlphaBlendEnable = False;
        AlphaTestEnable = False;
        ZEnable = True;
        ZWriteEnable = True;
        VertexShader = asm
        {
            vs_3_0
            dcl_position v0
            dcl_position o0
            dcl_texcoord0 o1.x
            #include "transform.fxh"
            mov o1.x, r0.y
        };
        PixelShader = asm
        {
            ps_3_0
            def c20, 0.0625, 0.5, 255, 0.00392156863
            def c21, 0, 0, 0, 1
            dcl_texcoord0 v0.x
            mad_sat r0.x, v0.x, c20.x, c20.y
            mul r0.x, r0.x, c20.z
            frc r0.y, r0.x
            add r0.x, r0.x, -r0.y
            mul oC0.x, r0.x, c20.w
            mov oC0.y, r0.y
            mov oC0.zw, c21
        };
    }
}
