// Pixel shaders: the fixed sun on a lit surface. Light = ambient + (1 - ambient) * max(N.L, 0),
// then a Blinn-Phong highlight with H = normalize(L + V), scaled for matte materials.
//   in:  r0.xyz surface colour, r1.xyz unit normal, v2.xyz world position,
//        c20 = (0, 1, highlight scale, any), def'd by the shader
//   out: oC0.xyz (the shader writes oC0.w)
//   uses r20-r22; reads specColor c0, specPower c1, SunDirection c2, AmbientLight c3, CameraPosition c16
            dp3 r20.x, r1, c2
            max r20.x, r20.x, c20.x
            mov r20.z, c3.x
            add r20.y, -r20.z, c20.y
            mad r20.x, r20.x, r20.y, r20.z
            mul r21.xyz, r0, r20.x
            add r22.xyz, c16, -v2
            nrm r20.xyz, r22
            add r22.xyz, r20, c2
            nrm r20.xyz, r22
            dp3 r20.x, r1, r20
            max r20.x, r20.x, c20.x
            pow r20.x, r20.x, c1.x
            mul r20.x, r20.x, c20.z
            mad oC0.xyz, c0, r20.x, r21
