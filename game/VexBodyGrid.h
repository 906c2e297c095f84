// CVexBodyGrid: the step's index of the bodies that stand still during a step (every body
// that is not dynamic when the step begins). It keeps their boxes and masks in flat arrays,
// bins them in a coarse grid of cells, and answers "the first such body after index i, in
// list order, that meets this box". The world's step walks the bodies in list order through
// it instead of testing every body, with exactly the same comparisons.
#pragma once
#include <string.h>

#include "engine/VortanTypes.h"
#include "game/VexPhysicsBody.h"

class CVexBodyGrid {
public:
    CVexBodyGrid();
    ~CVexBodyGrid();

    // Refreshing, once per step: Begin with the number of bodies, Take every body in list
    // order, then End, which rebuilds the cells when any body came, went, moved, changed
    // its size, mask or its being dynamic since the last refresh. End returns 1 when the
    // grid can be used (0 when memory ran out: the caller then tests every body).
    void Begin(int bodyCount);
    inline void Take(int index, const CVexPhysicsBody* body);
    int End();

    // The smallest index above `after` of a standing body whose mask shares a bit with
    // `mask` and whose box overlaps `box` {min x, min y, max x, max y} strictly; -1 when
    // none.
    int FindFirst(const float box[4], u32 mask, int after) const;
    // How many standing bodies have a mask that shares a bit with `mask`.
    int CountSharing(u32 mask) const;
    // Whether body `index` stands in the grid.
    int Holds(int index) const { return index >= 0 && index < m_count && m_standing[index]; }
    // Whether the standing body's box and mask are still those the grid holds.
    int Matches(int index, const CVexPhysicsBody* body) const;
    static u32 BitsOf(float v)
    {
        u32 b;
        memcpy(&b, &v, 4);
        return b;
    }
    // Forces a rebuild at the next refresh.
    void Invalidate() { m_valid = 0; }

private:
    CVexBodyGrid(const CVexBodyGrid&) = delete;
    CVexBodyGrid& operator=(const CVexBodyGrid&) = delete;

    int Reserve(int count);
    int Rebuild();
    void CellRange(const float box[4], int& c0, int& r0, int& c1, int& r1) const;

    i32 m_count;         // bodies at the last refresh
    i32 m_capacity;      // of the per-body arrays
    i32 m_valid;         // the cells match the arrays
    i32 m_changed;       // something differed during the current refresh
    uintptr_t* m_bodies; // which body each index was
    u8* m_standing;      // 1: not dynamic, held in the cells
    float* m_box;        // 4 per body: min x, min y, max x, max y
    u32* m_masks;

    // Cells: columns x rows over the standing boxes; entries of a cell are body indices in
    // list order, cell k's between m_cellStart[k] and m_cellStart[k + 1].
    i32 m_columns;
    i32 m_rows;
    float m_originX, m_originY;
    float m_inverseWidth, m_inverseHeight; // cells per world unit
    i32* m_cellStart;
    i32 m_cellCapacity;
    i32* m_entries;
    i32 m_entryCapacity;

    // Distinct masks of the standing bodies with their counts.
    u32* m_maskValues;
    i32* m_maskCounts;
    i32 m_maskKinds;
};

// Called for every body of every step: kept inline.
inline void CVexBodyGrid::Take(int index, const CVexPhysicsBody* body)
{
    if (m_changed < 0 || index < 0 || index >= m_count)
        return;
    const u8 standing = body->kind != VEX_BODY_DYNAMIC;
    if (m_bodies[index] != (uintptr_t)body || m_standing[index] != standing) {
        m_bodies[index] = (uintptr_t)body;
        m_standing[index] = standing;
        m_changed = 1;
    }
    if (!standing)
        return;
    float* held = m_box + 4 * index;
    const float box[4] = {body->MinX(), body->MinY(), body->MaxX(), body->MaxY()};
    const u32 mask = body->mask;
    if ((BitsOf(held[0]) ^ BitsOf(box[0])) | (BitsOf(held[1]) ^ BitsOf(box[1])) |
        (BitsOf(held[2]) ^ BitsOf(box[2])) | (BitsOf(held[3]) ^ BitsOf(box[3])) |
        (m_masks[index] ^ mask)) {
        held[0] = box[0];
        held[1] = box[1];
        held[2] = box[2];
        held[3] = box[3];
        m_masks[index] = mask;
        m_changed = 1;
    }
}
