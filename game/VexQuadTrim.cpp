// VexTrimQuad: a textured quad cut down to the part of its picture that can show.
#include "game/VexQuadTrim.h"

#include <math.h>

namespace {

// p + (q - p) t, exactly p at 0 and q at 1.
float Mix(float p, float q, float t)
{
    return t == 0.0f ? p : t == 1.0f ? q : p + (q - p) * t;
}

CVexVertex MixVertex(const CVexVertex& p, const CVexVertex& q, float t)
{
    return CVexVertex{Mix(p.x, q.x, t), Mix(p.y, q.y, t), Mix(p.z, q.z, t), 0.0f, 0.0f};
}

// Whether a and b agree to a millionth of the quad's extent.
bool Near(float a, float b, float extent)
{
    return fabsf(a - b) <= extent * 1e-6f;
}

} // namespace

int VexTrimQuad(CVexVertex* quad, float u0, float v0, float u1, float v1)
{
    float umin = quad[0].u, umax = quad[0].u, vmin = quad[0].v, vmax = quad[0].v;
    for (int k = 1; k < 4; ++k) {
        umin = fminf(umin, quad[k].u);
        umax = fmaxf(umax, quad[k].u);
        vmin = fminf(vmin, quad[k].v);
        vmax = fmaxf(vmax, quad[k].v);
    }
    if (!(umin < umax) || !(vmin < vmax))
        return 1;
    // corner[i][j]: the vertex at u = i ? umax : umin, v = j ? vmax : vmin.
    int corner[2][2] = {{-1, -1}, {-1, -1}};
    for (int k = 0; k < 4; ++k) {
        const int i = quad[k].u == umax ? 1 : quad[k].u == umin ? 0 : -1;
        const int j = quad[k].v == vmax ? 1 : quad[k].v == vmin ? 0 : -1;
        if (i < 0 || j < 0 || corner[i][j] >= 0)
            return 1;
        corner[i][j] = k;
    }
    const CVexVertex &p00 = quad[corner[0][0]], &p10 = quad[corner[1][0]],
                     &p01 = quad[corner[0][1]], &p11 = quad[corner[1][1]];
    const float extent = fmaxf(fmaxf(fabsf(p11.x - p00.x), fabsf(p10.x - p01.x)),
                               fmaxf(fabsf(p11.y - p00.y), fabsf(p10.y - p01.y)));
    if (!Near(p00.x + p11.x, p10.x + p01.x, extent) ||
        !Near(p00.y + p11.y, p10.y + p01.y, extent) ||
        !Near(p00.z + p11.z, p10.z + p01.z, fmaxf(extent, 1.0f)))
        return 1;
    const float cu0 = fmaxf(umin, u0), cu1 = fminf(umax, u1);
    const float cv0 = fmaxf(vmin, v0), cv1 = fminf(vmax, v1);
    if (!(cu0 < cu1) || !(cv0 < cv1))
        return 0;
    if (cu0 == umin && cu1 == umax && cv0 == vmin && cv1 == vmax)
        return 1;
    const float a[2] = {(cu0 - umin) / (umax - umin),
                        cu1 == umax ? 1.0f : (cu1 - umin) / (umax - umin)};
    const float b[2] = {(cv0 - vmin) / (vmax - vmin),
                        cv1 == vmax ? 1.0f : (cv1 - vmin) / (vmax - vmin)};
    CVexVertex cut[4];
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) {
            const CVexVertex low = MixVertex(p00, p10, a[i]), high = MixVertex(p01, p11, a[i]);
            CVexVertex& out = cut[corner[i][j]];
            out = MixVertex(low, high, b[j]);
            out.u = i ? cu1 : cu0;
            out.v = j ? cv1 : cv0;
        }
    for (int k = 0; k < 4; ++k)
        quad[k] = cut[k];
    return 1;
}
