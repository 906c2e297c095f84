// Growable, sorted and pointer arrays, maps and rectangles.
#include <gtest/gtest.h>

#include <limits.h>
#include <map>
#include <random>
#include <set>
#include <stdio.h>
#include <string.h>
#include <type_traits>
#include <vector>

#include "engine/HashString.h"
#include "engine/VortanArray.h"
#include "engine/VortanMap.h"
#include "engine/VortanPtrArray.h"
#include "engine/VortanRect.h"
#include "engine/VortanSortedArray.h"
#include "engine/VortanSortedSet.h"
#include "engine/VortanString.h"

namespace {

std::vector<int> Contents(const CVortanArray<int>& a)
{
    return std::vector<int>(a.GetData(), a.GetData() + a.GetSize());
}

CVortanString Text(const char* s)
{
    return CVortanString(s);
}

// Counts live instances, to see that every constructed element is destroyed once.
struct Counted {
    static int live;
    int value = 0;
    Counted() { ++live; }
    Counted(const Counted& o) : value(o.value) { ++live; }
    Counted& operator=(const Counted& o) = default;
    ~Counted() { --live; }
};
int Counted::live = 0;

} // namespace

TEST(Array, GrowthFollowsTheStepRule)
{
    // {first size, second size, capacity}: exact first allocation, then count/8 clamped to 4..1024,
    // unless the request is larger than capacity + step.
    const int cases[][3] = {
        {10, 11, 14}, {10, 12, 14}, {100, 101, 112}, {100, 300, 300}, {10000, 10001, 11024}};
    for (auto& c : cases) {
        CVortanArray<int> a;
        a.SetSize(c[0]);
        EXPECT_EQ(a.GetCapacity(), c[0]);
        a.SetSize(c[1]);
        EXPECT_EQ(a.GetCapacity(), c[2]) << c[0] << "->" << c[1];
    }
    // A fixed step.
    CVortanArray<int> a;
    a.SetSize(1, 3);
    a.SetSize(2);
    EXPECT_EQ(a.GetCapacity(), 4);
    for (int i = 0; i < 20; ++i)
        a.SetAtGrow(a.GetSize(), i);
    EXPECT_EQ(a.GetSize(), 22);
    EXPECT_EQ(a.GetCapacity(), 22); // 4, 7, 10, ... 22
    a.SetSize(40);                  // the request wins over the step
    EXPECT_EQ(a.GetCapacity(), 40);
    a.SetSize(41, 0); // back to automatic: 40 / 8 = 5
    EXPECT_EQ(a.GetCapacity(), 45);
}

TEST(Array, NewPlainElementsStartAtZero)
{
    CVortanArray<int> a;
    a.SetSize(50);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(a[i], 0);
        a[i] = -1;
    }
    a.SetSize(51); // grows into a new buffer: the fresh tail is zero too
    for (int i = 50; i < a.GetCapacity(); ++i)
        EXPECT_EQ(a.GetData()[i], 0) << i;
    struct Pair {
        int a;
        int b;
    };
    CVortanArray<Pair> pairs;
    pairs.SetAtGrow(5, Pair{7, 8});
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(pairs[i].a | pairs[i].b, 0);
}

TEST(Array, EveryConstructedElementIsDestroyedOnce)
{
    Counted::live = 0;
    {
        CVortanArray<Counted> a;
        a.SetSize(3);
        EXPECT_EQ(Counted::live, 3);
        a.SetSize(4); // new buffer of 7, old one of 3 freed
        EXPECT_EQ(Counted::live, 7);
        a.RemoveAll();
        EXPECT_EQ(Counted::live, 0);
        a.SetSize(2);
        a.SetSize(1); // shrinking keeps the elements alive
        EXPECT_EQ(Counted::live, 2);
        a.SetSize(0); // size 0 frees the buffer
        EXPECT_EQ(a.GetData(), nullptr);
        EXPECT_EQ(Counted::live, 0);
        a.SetSize(2);
    }
    EXPECT_EQ(Counted::live, 0);
}

TEST(Array, SetAtGrowAndInsertAt)
{
    CVortanArray<int> a;
    EXPECT_EQ(a.SetAtGrow(0, 10), VORTAN_OK);
    a.SetAtGrow(1, 20);
    a.SetAtGrow(2, 30);
    a.InsertAt(7, 99); // past the end: size 8, the gap is zero
    a.InsertAt(0, 5);
    a.InsertAt(2, 15);
    EXPECT_EQ(Contents(a), (std::vector<int>{5, 10, 15, 20, 30, 0, 0, 0, 0, 99}));
    EXPECT_EQ(a.InsertAt(-1, 1), VORTAN_E_ARGUMENT);
    EXPECT_EQ(a.SetAtGrow(-1, 1), VORTAN_E_ARGUMENT);
    // No size can reach the largest int as an index: refused, nothing overflows.
    EXPECT_EQ(a.InsertAt(INT_MAX, 1), VORTAN_E_ARGUMENT);
    EXPECT_EQ(a.SetAtGrow(INT_MAX, 1), VORTAN_E_ARGUMENT);
    EXPECT_EQ(a.SetSize(-3), VORTAN_E_ARGUMENT);
    EXPECT_EQ(a.GetSize(), 10);
}

TEST(Array, ElementsOfTheArrayItselfCanBeInsertedAndAppended)
{
    // The element passed by reference lives in the buffer that moves or shifts.
    CVortanArray<CVortanString> a;
    a.SetSize(3);
    a[0] = Text("a"), a[1] = Text("b"), a[2] = Text("c");
    ASSERT_EQ(a.GetSize(), a.GetCapacity());
    a.SetAtGrow(3, a[0]); // reallocates
    a.InsertAt(0, a[2]);  // shifts the source
    ASSERT_EQ(a.GetSize(), 5);
    const char* expect[] = {"c", "a", "b", "c", "a"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(a[i], Text(expect[i])) << i;
}

TEST(Array, RemoveAtClampsItsCount)
{
    CVortanArray<int> a;
    for (int i = 0; i < 5; ++i)
        a.SetAtGrow(i, i + 1);
    a.RemoveAt(1);
    EXPECT_EQ(Contents(a), (std::vector<int>{1, 3, 4, 5}));
    a.RemoveAt(1, -2);
    a.RemoveAt(-1);
    a.RemoveAt(4);
    EXPECT_EQ(Contents(a), (std::vector<int>{1, 3, 4, 5}));
    a.RemoveAt(2, 100); // only two are there
    EXPECT_EQ(Contents(a), (std::vector<int>{1, 3}));
}

TEST(Array, MovesButNeverCopies)
{
    static_assert(!std::is_copy_constructible<CVortanArray<int>>::value, "copy");
    static_assert(!std::is_copy_assignable<CVortanArray<CVortanString>>::value, "copy");
    static_assert(!std::is_copy_constructible<CVortanPtrArray>::value, "copy");
    static_assert(!std::is_copy_constructible<CVortanMap<int, int>>::value, "copy");
    CVortanArray<CVortanString> a;
    a.SetAtGrow(0, Text("kept"));
    CVortanArray<CVortanString> b(std::move(a));
    EXPECT_EQ(a.GetData(), nullptr);
    EXPECT_EQ(b[0], Text("kept"));
    // Arrays of arrays grow by moving their elements.
    CVortanArray<CVortanArray<int>> nested;
    nested.SetSize(1);
    nested[0].SetAtGrow(2, 42);
    nested.SetSize(10);
    EXPECT_EQ(nested[0][2], 42);
}

TEST(Sorted, SignedAndUnsignedOrders)
{
    CVortanSortedSet<i32> s;
    CVortanSortedSet<u32> u;
    for (i32 k : {1, -1, 0x7fffffff, (i32)0x80000000, 0}) {
        EXPECT_EQ(s.Insert(k), VORTAN_OK);
        u.Insert((u32)k);
    }
    EXPECT_EQ(s.Insert(0), 0); // a set refuses a duplicate
    std::vector<i32> sv, expectS = {(i32)0x80000000, -1, 0, 1, 0x7fffffff};
    std::vector<u32> uv, expectU = {0, 1, 0x7fffffff, 0x80000000, 0xffffffff};
    for (int i = 0; i < s.GetSize(); ++i) {
        sv.push_back(s[i]);
        uv.push_back(u[i]);
    }
    EXPECT_EQ(sv, expectS);
    EXPECT_EQ(uv, expectU);
}

TEST(Sorted, RandomOperationsMatchAModel)
{
    std::mt19937 rng(7);
    CVortanSortedArray<int> s;
    std::multiset<int> model;
    for (int step = 0; step < 4000; ++step) {
        int key = (int)(rng() % 200) - 100;
        if (rng() % 3 != 0) {
            int at = s.InsertSorted(key);
            ASSERT_GE(at, 0);
            EXPECT_EQ(s[at], key);
            model.insert(key);
        } else {
            EXPECT_EQ(s.Remove(key), model.count(key) ? 1 : 0);
            auto it = model.find(key);
            if (it != model.end())
                model.erase(it);
        }
        int found = s.Find(key);
        EXPECT_TRUE(model.count(key) ? s[found] == key : found == -1) << key;
    }
    ASSERT_EQ((size_t)s.GetSize(), model.size());
    int i = 0;
    for (int k : model)
        EXPECT_EQ(s[i++], k);
}

TEST(Sorted, PointerKeysUseTheWholeAddress)
{
    static_assert(std::is_same<CVortanKeyOf<int*>::KeyType, uintptr_t>::value, "pointer key");
    static_assert(sizeof(CVortanKeyOf<void*>::KeyType) == sizeof(void*), "pointer key");
    // Addresses that differ only above bit 31 must stay distinct and ordered.
    char* low = reinterpret_cast<char*>((uintptr_t)0x1000);
    char* high = reinterpret_cast<char*>(((uintptr_t)1 << 40) | 0x1000);
    char* mid = reinterpret_cast<char*>(((uintptr_t)1 << 33) | 0xffff0000u);
    CVortanSortedSet<char*> set;
    for (char* p : {high, low, mid})
        EXPECT_EQ(set.Insert(p), VORTAN_OK);
    EXPECT_EQ(set.Insert(high), 0);
    ASSERT_EQ(set.GetSize(), 3);
    EXPECT_TRUE(set[0] == low && set[1] == mid && set[2] == high);
}

TEST(Map, IntToInt)
{
    CVortanMap<int, int> m;
    EXPECT_EQ(m[4], 0); // inserted with the default value
    EXPECT_EQ(m.GetSize(), 1);
    m[4] = 40;
    EXPECT_EQ(m.Add(4, 99), 0); // present: the stored value stays
    EXPECT_EQ(m[4], 40);
    EXPECT_EQ(m.Add(-2, 7), VORTAN_OK);
    EXPECT_EQ(m.FindKey(4), 1);
    EXPECT_EQ(m.Remove(5), 0);
    EXPECT_EQ(m.Remove(-2), 1);
    CVortanMap<int, CVortanString> strings;
    EXPECT_TRUE(strings[3].IsEmpty());
}

TEST(Map, SixtyFourBitKeysInSignedOrderLowWordFirst)
{
    // Two words, low word first.
    CVortanKey64 k(((i64)0x11223344 << 32) | 0x55667788);
    u32 words[2];
    static_assert(sizeof(CVortanKey64) == 8, "two words");
    memcpy(words, &k, sizeof(words));
    EXPECT_EQ(words[0], 0x55667788u);
    EXPECT_EQ(words[1], 0x11223344u);
    CVortanMap<CVortanKey64, i64> m;
    const i64 two32 = (i64)1 << 32;
    for (i64 key : {two32, (i64)0, two32 - 1, (i64)-1, INT64_MIN, INT64_MAX, -two32})
        EXPECT_EQ(m.Add(key, key / 3), VORTAN_OK);
    EXPECT_EQ(m.Add(two32, 0), 0);
    std::vector<i64> order;
    for (int i = 0; i < m.GetSize(); ++i)
        order.push_back(m.ElementAt(i).key.Get());
    EXPECT_EQ(order, (std::vector<i64>{INT64_MIN, -two32, -1, 0, two32 - 1, two32, INT64_MAX}));
    EXPECT_EQ(m[two32 - 1], (two32 - 1) / 3);
}

TEST(Map, HashStringKeysOrderByHashThenText)
{
    CVortanMap<CHashString, u32> m;
    const char* words[] = {"app:chat_send", "button", "text", "image", "zeta", "alpha", ""};
    u32 n = 0;
    for (const char* w : words)
        EXPECT_EQ(m.Add(CHashString(Text(w)), n++), VORTAN_OK);
    EXPECT_EQ(m.Add(CHashString(Text("button")), 77), 0);
    for (int i = 1; i < m.GetSize(); ++i)
        EXPECT_LT(m.ElementAt(i - 1).key.GetHash(), m.ElementAt(i).key.GetHash());
    EXPECT_EQ(m[CHashString(Text("button"))], 1u);
    EXPECT_FALSE(m.Contains(Text("Zeta")));
    // "abcd" and {a, a, c, 4} share one hash; the text decides, and both stay distinct.
    const unsigned short other[] = {0x61, 0x61, 0x63, 0x04, 0};
    CHashString a(Text("abcd"));
    CHashString b{CVortanString(other)};
    ASSERT_EQ(a.GetHash(), b.GetHash());
    ASSERT_EQ(a.GetHash(), 0xbd387cd2u);
    CVortanMap<CHashString, u32> clash;
    EXPECT_EQ(clash.Add(a, 1), VORTAN_OK);
    EXPECT_EQ(clash.Add(b, 2), VORTAN_OK);
    EXPECT_EQ(clash.Add(a, 3), 0);
    ASSERT_EQ(clash.GetSize(), 2);
    EXPECT_EQ(clash.ElementAt(0).key.GetString(), CVortanString(other));
    EXPECT_EQ(clash[a], 1u);
}

TEST(Map, HashStringKeysMatchAModel)
{
    std::mt19937 rng(11);
    CVortanMap<CHashString, u32> m;
    std::map<std::pair<u32, std::u16string>, u32> model;
    for (int step = 0; step < 3000; ++step) {
        char name[16];
        snprintf(name, sizeof(name), "k%u", (unsigned)(rng() % 500));
        CHashString key(Text(name));
        std::u16string text(key.GetBuffer(), key.GetBuffer() + key.GetLength());
        auto mk = std::make_pair(key.GetHash(), text);
        switch (rng() % 3) {
        case 0:
            EXPECT_EQ(m.Add(key, (u32)step), model.count(mk) ? 0 : VORTAN_OK);
            model.emplace(mk, (u32)step);
            break;
        case 1:
            EXPECT_EQ(m.Remove(key), (int)model.erase(mk));
            break;
        default:
            EXPECT_EQ(m.Contains(key), model.count(mk) == 1);
            break;
        }
    }
    ASSERT_EQ((size_t)m.GetSize(), model.size());
    int i = 0;
    for (auto& kv : model) {
        EXPECT_EQ(m.ElementAt(i).key.GetHash(), kv.first.first);
        EXPECT_EQ(m.ElementAt(i).value, kv.second);
        ++i;
    }
}

TEST(PtrArray, GrowsByFiveSlotsAndKeepsOrder)
{
    int items[6], a, b, c, d, e;
    CVortanPtrArray grown;
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(grown.Add(&items[i]), VORTAN_OK);
    EXPECT_EQ(grown.GetFreeSlots(), 4); // the sixth Add reallocates to 10 slots
    EXPECT_EQ(grown.GetAt(5), &items[5]);
    EXPECT_EQ(grown.GetAt(6), nullptr);
    EXPECT_EQ(grown.GetAt(-1), nullptr);
    CVortanPtrArray p;
    p.Add(&a);
    p.Add(&b);
    p.Add(&c);
    p.RemoveAt(0);
    EXPECT_EQ(p.GetAt(0), &b);
    EXPECT_EQ(p.GetFreeSlots(), 3);
    p.InsertAt(0, &a);
    p.InsertAt(3, &d); // at the count: appends
    p.InsertAt(2, &e);
    ASSERT_EQ(p.GetCount(), 5);
    void* expect[] = {&a, &b, &e, &c, &d};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(p.GetAt(i), expect[i]) << i;
    p.InsertAt(1, &a); // full: grows while inserting
    EXPECT_EQ(p.GetCount(), 6);
    EXPECT_EQ(p.GetAt(2), &b);
    EXPECT_EQ(p.InsertAt(9, &a), VORTAN_E_ARGUMENT);
    EXPECT_EQ(p.InsertAt(-1, &a), VORTAN_E_ARGUMENT);
    p.RemoveAt(6); // outside: ignored
    p.RemoveAt(-1);
    EXPECT_EQ(p.GetCount(), 6);
    EXPECT_EQ(p.IndexOf(&a), 0); // the first of two
    EXPECT_EQ(p.IndexOf(&d), 5);
    EXPECT_EQ(p.IndexOf(&items[0]), -1);
    EXPECT_EQ(p.IndexOf(nullptr), -1);
    p.RemoveAll();
    EXPECT_EQ(p.GetData(), nullptr);
    EXPECT_EQ(p.IndexOf(nullptr), -1);
    p.Add(&a);
    CVortanPtrArray moved(std::move(p));
    EXPECT_EQ(p.GetCount(), 0);
    EXPECT_EQ(moved.GetAt(0), &a);
}

TEST(Rect, ContainsTakesEveryEdgeAndArraysStartAtZero)
{
    CVortanRect r;
    r.Set(10, 20, 110, 70);
    r.Offset(-5, 3);
    r.SetSize(4, 6);
    EXPECT_TRUE(r.Contains(5, 23));
    EXPECT_TRUE(r.Contains(9, 29));
    EXPECT_FALSE(r.Contains(10, 29));
    EXPECT_FALSE(r.Contains(5, 22));
    CVortanArray<CVortanRect> rects;
    rects.SetSize(3);
    EXPECT_EQ(rects[2].left | rects[2].bottom, 0);
}
