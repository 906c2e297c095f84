// CVexBodyGrid: flat copies of the standing bodies' boxes, binned in cells.
#include "game/VexBodyGrid.h"

#include <new>
#include <string.h>

#include "game/VexPhysicsBody.h"

namespace {

// Cells of about a quarter of a world unit (the size of the larger blocks), at most this
// many a side.
const float kCellSize = 0.25f;
const int kMaxCells = 48;

template <class T>
int Grow(T*& array, i32& capacity, int needed)
{
    if (needed <= capacity)
        return 1;
    int size = capacity > 0 ? capacity : 16;
    while (size < needed)
        size *= 2;
    T* fresh = new (std::nothrow) T[size];
    if (!fresh)
        return 0;
    if (array && capacity > 0)
        memcpy(fresh, array, sizeof(T) * (size_t)capacity);
    delete[] array;
    array = fresh;
    capacity = size;
    return 1;
}

// Column (or row) of a coordinate, clamped to 0..cells-1; NaN gives 0.
inline int CellOf(float v, float origin, float inverse, int cells)
{
    const float t = (v - origin) * inverse;
    if (!(t >= 0.0f))
        return 0;
    if (t >= (float)cells)
        return cells - 1;
    return (int)t;
}

// A box with a NaN edge meets nothing.
inline bool HasNaN(const float box[4])
{
    return box[0] != box[0] || box[1] != box[1] || box[2] != box[2] || box[3] != box[3];
}

} // namespace

CVexBodyGrid::CVexBodyGrid()
    : m_count(0), m_capacity(0), m_valid(0), m_changed(0), m_bodies(nullptr), m_standing(nullptr),
      m_box(nullptr), m_masks(nullptr), m_columns(1), m_rows(1), m_originX(0.0f), m_originY(0.0f),
      m_inverseWidth(0.0f), m_inverseHeight(0.0f), m_cellStart(nullptr), m_cellCapacity(0),
      m_entries(nullptr), m_entryCapacity(0), m_maskValues(nullptr), m_maskCounts(nullptr),
      m_maskKinds(0)
{}

CVexBodyGrid::~CVexBodyGrid()
{
    delete[] m_bodies;
    delete[] m_standing;
    delete[] m_box;
    delete[] m_masks;
    delete[] m_cellStart;
    delete[] m_entries;
    delete[] m_maskValues;
    delete[] m_maskCounts;
}

int CVexBodyGrid::Reserve(int count)
{
    if (count <= m_capacity)
        return 1;
    int size = m_capacity > 0 ? m_capacity : 16;
    while (size < count)
        size *= 2;
    uintptr_t* bodies = new (std::nothrow) uintptr_t[size];
    u8* standing = new (std::nothrow) u8[size];
    float* box = new (std::nothrow) float[(size_t)size * 4];
    u32* masks = new (std::nothrow) u32[size];
    u32* maskValues = new (std::nothrow) u32[size];
    i32* maskCounts = new (std::nothrow) i32[size];
    if (!bodies || !standing || !box || !masks || !maskValues || !maskCounts) {
        delete[] bodies;
        delete[] standing;
        delete[] box;
        delete[] masks;
        delete[] maskValues;
        delete[] maskCounts;
        return 0;
    }
    // Fresh arrays hold nothing the next refresh could match, and no byte of them is unset:
    // Take compares the held boxes and masks before it writes them.
    memset(bodies, 0, sizeof(uintptr_t) * (size_t)size);
    memset(standing, 0, (size_t)size);
    memset(box, 0, sizeof(float) * (size_t)size * 4);
    memset(masks, 0, sizeof(u32) * (size_t)size);
    memset(maskValues, 0, sizeof(u32) * (size_t)size);
    memset(maskCounts, 0, sizeof(i32) * (size_t)size);
    delete[] m_bodies;
    delete[] m_standing;
    delete[] m_box;
    delete[] m_masks;
    delete[] m_maskValues;
    delete[] m_maskCounts;
    m_bodies = bodies;
    m_standing = standing;
    m_box = box;
    m_masks = masks;
    m_maskValues = maskValues;
    m_maskCounts = maskCounts;
    m_capacity = size;
    m_valid = 0;
    return 1;
}

void CVexBodyGrid::Begin(int bodyCount)
{
    m_changed = !m_valid || bodyCount != m_count;
    if (!Reserve(bodyCount)) {
        m_valid = 0;
        m_count = 0;
        m_changed = -1; // out of memory: End refuses
        return;
    }
    m_count = bodyCount;
}

int CVexBodyGrid::End()
{
    if (m_changed < 0)
        return 0;
    if (m_changed || !m_valid)
        m_valid = Rebuild();
    return m_valid;
}

int CVexBodyGrid::Matches(int index, const CVexPhysicsBody* body) const
{
    if (!Holds(index))
        return 0;
    const float* held = m_box + 4 * index;
    return BitsOf(held[0]) == BitsOf(body->MinX()) && BitsOf(held[1]) == BitsOf(body->MinY()) &&
           BitsOf(held[2]) == BitsOf(body->MaxX()) && BitsOf(held[3]) == BitsOf(body->MaxY()) &&
           m_masks[index] == body->mask;
}

inline void CVexBodyGrid::CellRange(const float box[4], int& c0, int& r0, int& c1, int& r1) const
{
    c0 = CellOf(box[0], m_originX, m_inverseWidth, m_columns);
    c1 = CellOf(box[2], m_originX, m_inverseWidth, m_columns);
    r0 = CellOf(box[1], m_originY, m_inverseHeight, m_rows);
    r1 = CellOf(box[3], m_originY, m_inverseHeight, m_rows);
}

int CVexBodyGrid::Rebuild()
{
    // The extent of the standing boxes that can meet anything (a NaN edge never does).
    float minX = 0.0f, minY = 0.0f, maxX = 0.0f, maxY = 0.0f;
    int any = 0;
    m_maskKinds = 0;
    for (int i = 0; i < m_count; ++i) {
        if (!m_standing[i])
            continue;
        const float* b = m_box + 4 * i;
        int kind = 0;
        while (kind < m_maskKinds && m_maskValues[kind] != m_masks[i])
            ++kind;
        if (kind == m_maskKinds) {
            m_maskValues[kind] = m_masks[i];
            m_maskCounts[kind] = 0;
            ++m_maskKinds;
        }
        ++m_maskCounts[kind];
        if (HasNaN(b))
            continue;
        if (!any || b[0] < minX)
            minX = b[0];
        if (!any || b[1] < minY)
            minY = b[1];
        if (!any || b[2] > maxX)
            maxX = b[2];
        if (!any || b[3] > maxY)
            maxY = b[3];
        any = 1;
    }
    m_originX = minX;
    m_originY = minY;
    const float width = maxX - minX;
    const float height = maxY - minY;
    m_columns = 1;
    m_rows = 1;
    m_inverseWidth = 0.0f;
    m_inverseHeight = 0.0f;
    // Infinite extents keep one cell: correct, only slower.
    if (width > 0.0f && width < 1e30f) {
        const float cells = width / kCellSize;
        m_columns = cells >= (float)kMaxCells ? kMaxCells : (int)cells + 1;
        m_inverseWidth = (float)m_columns / width;
    }
    if (height > 0.0f && height < 1e30f) {
        const float cells = height / kCellSize;
        m_rows = cells >= (float)kMaxCells ? kMaxCells : (int)cells + 1;
        m_inverseHeight = (float)m_rows / height;
    }
    const int cellCount = m_columns * m_rows;
    if (!Grow(m_cellStart, m_cellCapacity, cellCount + 1))
        return 0;
    memset(m_cellStart, 0, sizeof(i32) * (size_t)(cellCount + 1));

    // Count, turn the counts into ends, then fill from the back so that each cell lists its
    // bodies in list order.
    // Calls `visit` with each cell body i's box covers and returns how many it covers; a body
    // that is not standing, or whose box has a NaN edge, covers none.
    auto forEachCell = [this](int i, auto visit) {
        const float* b = m_box + 4 * i;
        if (!m_standing[i] || HasNaN(b))
            return 0;
        int c0, r0, c1, r1;
        CellRange(b, c0, r0, c1, r1);
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c)
                visit(r * m_columns + c);
        return (r1 - r0 + 1) * (c1 - c0 + 1);
    };
    int total = 0;
    for (int i = 0; i < m_count; ++i)
        total += forEachCell(i, [this](int cell) { ++m_cellStart[cell]; });
    if (!Grow(m_entries, m_entryCapacity, total > 0 ? total : 1))
        return 0;
    int end = 0;
    for (int k = 0; k <= cellCount; ++k) {
        end += k < cellCount ? m_cellStart[k] : 0;
        m_cellStart[k] = end;
    }
    for (int i = m_count - 1; i >= 0; --i)
        forEachCell(i, [this, i](int cell) { m_entries[--m_cellStart[cell]] = i; });
    return 1;
}

int CVexBodyGrid::FindFirst(const float box[4], u32 mask, int after) const
{
    if (HasNaN(box))
        return -1;
    int c0, r0, c1, r1;
    CellRange(box, c0, r0, c1, r1);
    int best = -1;
    for (int r = r0; r <= r1; ++r) {
        for (int c = c0; c <= c1; ++c) {
            const int cell = r * m_columns + c;
            const int stop = m_cellStart[cell + 1];
            for (int e = m_cellStart[cell]; e < stop; ++e) {
                const int i = m_entries[e];
                if (i <= after)
                    continue;
                if (best >= 0 && i >= best)
                    break;
                const float* b = m_box + 4 * i;
                if ((m_masks[i] & mask) && box[0] < b[2] && b[0] < box[2] && box[1] < b[3] &&
                    b[1] < box[3]) {
                    best = i;
                    break;
                }
            }
        }
    }
    return best;
}

int CVexBodyGrid::CountSharing(u32 mask) const
{
    int n = 0;
    for (int k = 0; k < m_maskKinds; ++k)
        if (m_maskValues[k] & mask)
            n += m_maskCounts[k];
    return n;
}
