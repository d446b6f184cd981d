// The fixed sun on a lit surface, for vertex or pixel shaders: light = ambient + (1 - ambient)
// * max(N.L, 0), and a Blinn-Phong highlight max(N.H, 0)^specPower with H = normalize(L + V).
//   in:  r1.xyz unit normal, r2.xyz world position, c20 = (0, 1, any, any) def'd by the shader
//   out: r20.x light, r20.y highlight
//   uses r20-r22; reads CameraPosition c16, specPower c25, SunDirection c26, AmbientLight c27,
//   which both stages hold at these registers
            dp3 r20.x, r1, c26
            max r20.x, r20.x, c20.x
            mov r20.z, c27.x
            add r20.y, -r20.z, c20.y
            mad r20.x, r20.x, r20.y, r20.z
            add r22.xyz, c16, -r2
            nrm r21.xyz, r22
            add r22.xyz, r21, c26
            nrm r21.xyz, r22
            dp3 r20.y, r1, r21
            max r20.y, r20.y, c20.x
            pow r20.y, r20.y, c25.x
