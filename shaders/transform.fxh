// Vertex shaders: the vertex v0 into world space (r0), then into clip space (o0).
// Needs dcl_position v0 and dcl_position o0; reads World (c4-c7) and ViewProj (c0-c3).
            dp4 r0.x, v0, c4
            dp4 r0.y, v0, c5
            dp4 r0.z, v0, c6
            dp4 r0.w, v0, c7
            dp4 o0.x, r0, c0
            dp4 o0.y, r0, c1
            dp4 o0.z, r0, c2
            dp4 o0.w, r0, c3
