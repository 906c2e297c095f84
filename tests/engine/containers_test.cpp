// Growable, sorted and pointer arrays, maps and rectangles.
#include <gtest/gtest.h>

#include <algorithm>
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

CVortanString Text(const char* s) { return CVortanString(s); }

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

// ---------------------------------------------------------------- CVortanArray

TEST(Array, GrowthFollowsTheStepRule)
{
    CVortanArray<int> a;
    EXPECT_EQ(a.GetSize(), 0);
    EXPECT_EQ(a.GetCapacity(), 0);
    EXPECT_EQ(a.GetData(), nullptr);

    a.SetSize(10);  // first allocation is exact
    EXPECT_EQ(a.GetCapacity(), 10);
    a.SetSize(11);  // 10 / 8 = 1, clamped up to 4
    EXPECT_EQ(a.GetCapacity(), 14);
    EXPECT_EQ(a.GetSize(), 11);
    a.SetSize(12);  // within the capacity
    EXPECT_EQ(a.GetCapacity(), 14);

    CVortanArray<int> b;
    b.SetSize(100);
    b.SetSize(101);  // step 12
    EXPECT_EQ(b.GetCapacity(), 112);
    b.SetSize(300);  // the request is larger than capacity + step
    EXPECT_EQ(b.GetCapacity(), 300);

    CVortanArray<int> c;
    c.SetSize(10000);
    c.SetSize(10001);  // 10000 / 8 = 1250, clamped down to 1024
    EXPECT_EQ(c.GetCapacity(), 11024);
}

TEST(Array, FixedGrowthStep)
{
    CVortanArray<int> a;
    a.SetSize(1, 3);
    EXPECT_EQ(a.GetGrowBy(), 3);
    EXPECT_EQ(a.GetCapacity(), 1);
    a.SetSize(2);
    EXPECT_EQ(a.GetCapacity(), 4);
    for (int i = 0; i < 20; ++i)
        a.SetAtGrow(a.GetSize(), i);
    EXPECT_EQ(a.GetSize(), 22);
    EXPECT_EQ(a.GetCapacity(), 22);  // 4, 7, 10, ... 22
    a.SetSize(40);                   // the request wins over the step
    EXPECT_EQ(a.GetCapacity(), 40);
    a.SetSize(41, 0);                // back to automatic: 40 / 8 = 5
    EXPECT_EQ(a.GetCapacity(), 45);
}

TEST(Array, NewPlainElementsStartAtZero)
{
    CVortanArray<int> a;
    a.SetSize(50);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(a[i], 0);
    for (int i = 0; i < 50; ++i)
        a[i] = -1;
    a.SetSize(51);  // grows into a new buffer: the fresh tail is zero too
    for (int i = 50; i < a.GetCapacity(); ++i)
        EXPECT_EQ(a.GetData()[i], 0) << i;

    struct Pair { int a; int b; };
    CVortanArray<Pair> pairs;
    pairs.SetAtGrow(5, Pair{7, 8});
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(pairs[i].a, 0);
        EXPECT_EQ(pairs[i].b, 0);
    }
    CVortanArray<void*> pointers;
    pointers.SetSize(9);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(pointers[i], nullptr);
}

TEST(Array, ShrinkingKeepsElementsAlive)
{
    CVortanArray<CVortanString> a;
    a.SetSize(5);
    const char* names[] = {"zero", "one", "two", "three", "four"};
    for (int i = 0; i < 5; ++i)
        a[i] = Text(names[i]);
    a.SetSize(2);
    EXPECT_EQ(a.GetSize(), 2);
    EXPECT_EQ(a.GetCapacity(), 5);
    a.SetSize(5);
    EXPECT_EQ(a[3], Text("three"));
    EXPECT_EQ(a[4], Text("four"));
    a.SetSize(0);
    EXPECT_EQ(a.GetCapacity(), 0);
    EXPECT_EQ(a.GetData(), nullptr);
}

TEST(Array, EveryConstructedElementIsDestroyedOnce)
{
    Counted::live = 0;
    {
        CVortanArray<Counted> a;
        a.SetSize(3);
        EXPECT_EQ(Counted::live, 3);
        a.SetSize(4);  // new buffer of 7, old one of 3 freed
        EXPECT_EQ(Counted::live, 7);
        a.SetSize(1);
        EXPECT_EQ(Counted::live, 7);
        a.RemoveAll();
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
    a.InsertAt(7, 99);  // past the end: size 8, the gap is zero
    EXPECT_EQ(Contents(a), (std::vector<int>{10, 20, 30, 0, 0, 0, 0, 99}));
    a.InsertAt(0, 5);
    a.InsertAt(2, 15);
    EXPECT_EQ(Contents(a), (std::vector<int>{5, 10, 15, 20, 30, 0, 0, 0, 0, 99}));
    a.SetAtGrow(1, 11);  // within the size: plain assignment
    EXPECT_EQ(a[1], 11);
    EXPECT_EQ(a.GetSize(), 10);

    EXPECT_EQ(a.InsertAt(-1, 1), VORTAN_E_ARGUMENT);
    EXPECT_EQ(a.SetAtGrow(-1, 1), VORTAN_E_ARGUMENT);
    // No size can reach the largest int as an index: refused, nothing overflows.
    EXPECT_EQ(a.InsertAt(INT_MAX, 1), VORTAN_E_ARGUMENT);
    EXPECT_EQ(a.SetAtGrow(INT_MAX, 1), VORTAN_E_ARGUMENT);
    EXPECT_EQ(a.GetSize(), 10);
    EXPECT_EQ(a.SetSize(-3), VORTAN_E_ARGUMENT);
    EXPECT_EQ(a.GetSize(), 10);
}

TEST(Array, ElementsOfTheArrayItselfCanBeInsertedAndAppended)
{
    // The element passed by reference lives in the buffer that moves or shifts.
    CVortanArray<CVortanString> a;
    a.SetSize(3);
    a[0] = Text("a");
    a[1] = Text("b");
    a[2] = Text("c");
    ASSERT_EQ(a.GetSize(), a.GetCapacity());
    a.SetAtGrow(3, a[0]);  // reallocates
    a.InsertAt(0, a[2]);   // shifts the source
    ASSERT_EQ(a.GetSize(), 5);
    EXPECT_EQ(a[0], Text("c"));
    EXPECT_EQ(a[1], Text("a"));
    EXPECT_EQ(a[2], Text("b"));
    EXPECT_EQ(a[3], Text("c"));
    EXPECT_EQ(a[4], Text("a"));
}

TEST(Array, RemoveAtClampsItsCount)
{
    CVortanArray<int> a;
    for (int i = 0; i < 5; ++i)
        a.SetAtGrow(i, i + 1);
    a.RemoveAt(1);
    EXPECT_EQ(Contents(a), (std::vector<int>{1, 3, 4, 5}));
    a.RemoveAt(1, 0);
    a.RemoveAt(1, -2);
    a.RemoveAt(-1);
    a.RemoveAt(4);
    EXPECT_EQ(Contents(a), (std::vector<int>{1, 3, 4, 5}));
    a.RemoveAt(2, 100);  // only two are there
    EXPECT_EQ(Contents(a), (std::vector<int>{1, 3}));
    a.RemoveAt(0, 2);
    EXPECT_EQ(a.GetSize(), 0);
    EXPECT_EQ(a.GetCapacity(), 5);  // the buffer stays
}

TEST(Array, RemoveAtLeavesTheFreedSlotsHoldingOldValues)
{
    CVortanArray<CVortanString> a;
    const char* names[] = {"a", "b", "c", "d", "e"};
    for (int i = 0; i < 5; ++i)
        a.SetAtGrow(i, Text(names[i]));
    a.RemoveAt(4);
    a.SetSize(5);
    EXPECT_EQ(a[4], Text("e"));
    a.RemoveAt(1, 2);  // one element at a time: the tail slides down twice
    ASSERT_EQ(a.GetSize(), 3);
    EXPECT_EQ(a[0], Text("a"));
    EXPECT_EQ(a[1], Text("d"));
    EXPECT_EQ(a[2], Text("e"));
    a.SetSize(5);
    EXPECT_EQ(a[3], Text("e"));
    EXPECT_EQ(a[4], Text("e"));
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
    EXPECT_EQ(a.GetSize(), 0);
    EXPECT_EQ(a.GetData(), nullptr);
    ASSERT_EQ(b.GetSize(), 1);
    EXPECT_EQ(b[0], Text("kept"));
    CVortanArray<CVortanString> c;
    c.SetSize(4);
    c = std::move(b);
    EXPECT_EQ(c.GetSize(), 1);
    EXPECT_EQ(b.GetSize(), 0);

    // Arrays of arrays grow by moving their elements.
    CVortanArray<CVortanArray<int>> nested;
    nested.SetSize(1);
    nested[0].SetAtGrow(2, 42);
    nested.SetSize(10);
    EXPECT_EQ(nested[0].GetSize(), 3);
    EXPECT_EQ(nested[0][2], 42);
}

// ---------------------------------------------------------------- sorted levels

TEST(Sorted, InsertSortedKeepsDuplicatesSetRefusesThem)
{
    CVortanSortedArray<int> s;
    for (int k : {5, 1, 3, 3})
        s.InsertSorted(k);
    ASSERT_EQ(s.GetSize(), 4);
    EXPECT_EQ(s[0], 1);
    EXPECT_EQ(s[1], 3);
    EXPECT_EQ(s[2], 3);
    EXPECT_EQ(s[3], 5);
    EXPECT_EQ(s.Find(4), -1);
    EXPECT_EQ(s.Find(5), 3);
    EXPECT_EQ(s.Remove(3), 1);
    EXPECT_EQ(s.Remove(4), 0);
    EXPECT_EQ(s.GetSize(), 3);

    CVortanSortedSet<int> set;
    EXPECT_EQ(set.Insert(5), 1);
    EXPECT_EQ(set.Insert(1), 1);
    EXPECT_EQ(set.Insert(3), 1);
    EXPECT_EQ(set.Insert(3), 0);
    EXPECT_EQ(set.GetSize(), 3);
    EXPECT_EQ(set.Find(3), 1);
    EXPECT_EQ(set.Remove(1), 1);
    EXPECT_EQ(set.Find(3), 0);
}

TEST(Sorted, SignedAndUnsignedOrders)
{
    CVortanSortedSet<i32> s;
    CVortanSortedSet<u32> u;
    for (i32 k : {1, -1, 0x7fffffff, (i32)0x80000000, 0}) {
        s.Insert(k);
        u.Insert((u32)k);
    }
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
        if (model.count(key))
            EXPECT_EQ(s[found], key);
        else
            EXPECT_EQ(found, -1);
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
    EXPECT_EQ(set.Insert(high), 1);
    EXPECT_EQ(set.Insert(low), 1);
    EXPECT_EQ(set.Insert(mid), 1);
    EXPECT_EQ(set.Insert(high), 0);
    ASSERT_EQ(set.GetSize(), 3);
    EXPECT_EQ(set[0], low);
    EXPECT_EQ(set[1], mid);
    EXPECT_EQ(set[2], high);
    EXPECT_EQ(set.Find(mid), 1);

    CVortanMap<uintptr_t, int> byAddress;
    byAddress.Add((uintptr_t)high, 1);
    byAddress.Add((uintptr_t)low, 2);
    EXPECT_EQ(byAddress[(uintptr_t)high], 1);
    EXPECT_EQ(byAddress[(uintptr_t)low], 2);
}

TEST(Sorted, RecordsWithAnIntKey)
{
    struct Named {
        int key;
        CVortanString name;
    };
    CVortanSortedSet<Named> set;
    EXPECT_EQ(set.Insert(Named{30, Text("thirty")}), 1);
    EXPECT_EQ(set.Insert(Named{10, Text("ten")}), 1);
    EXPECT_EQ(set.Insert(Named{10, Text("other ten")}), 0);
    EXPECT_EQ(set.FindByKey(10), 0);
    EXPECT_EQ(set[0].name, Text("ten"));
    EXPECT_EQ(set[1].name, Text("thirty"));
}

// ---------------------------------------------------------------- CVortanMap

TEST(Map, IntToInt)
{
    CVortanMap<int, int> m;
    EXPECT_EQ(m.Contains(4), false);
    EXPECT_EQ(m[4], 0);  // inserted with the default value
    EXPECT_EQ(m.GetSize(), 1);
    m[4] = 40;
    EXPECT_EQ(m.Add(4, 99), 0);  // present: the stored value stays
    EXPECT_EQ(m[4], 40);
    EXPECT_EQ(m.Add(-2, 7), 1);
    EXPECT_EQ(m.Add(9, 8), 1);
    EXPECT_EQ(m.GetSize(), 3);
    EXPECT_EQ(m.ElementAt(0).key, -2);
    EXPECT_EQ(m.ElementAt(2).key, 9);
    EXPECT_EQ(m.FindKey(9), 2);
    EXPECT_EQ(m.FindKey(5), -1);
    EXPECT_EQ(m.Remove(5), 0);
    EXPECT_EQ(m.Remove(-2), 1);
    EXPECT_TRUE(m.Contains(4));
    EXPECT_FALSE(m.Contains(-2));
    m.RemoveAll();
    EXPECT_EQ(m.GetSize(), 0);
}

TEST(Map, StringValuesStartEmpty)
{
    CVortanMap<int, CVortanString> m;
    EXPECT_TRUE(m[3].IsEmpty());
    m[3] = Text("three");
    m[1] = Text("one");
    EXPECT_EQ(m[3], Text("three"));
    EXPECT_EQ(m.ElementAt(0).value, Text("one"));
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
    EXPECT_EQ(k.Get(), ((i64)0x11223344 << 32) | 0x55667788);

    CVortanMap<CVortanKey64, i64> m;
    const i64 two32 = (i64)1 << 32;
    for (i64 key : {two32, (i64)0, two32 - 1, (i64)-1, INT64_MIN, INT64_MAX, -two32})
        EXPECT_EQ(m.Add(key, key / 3), 1);
    EXPECT_EQ(m.Add(two32, 0), 0);
    std::vector<i64> order;
    for (int i = 0; i < m.GetSize(); ++i)
        order.push_back(m.ElementAt(i).key.Get());
    EXPECT_EQ(order, (std::vector<i64>{INT64_MIN, -two32, -1, 0, two32 - 1, two32, INT64_MAX}));
    EXPECT_EQ(m[two32 - 1], (two32 - 1) / 3);
    EXPECT_EQ(m.Remove(-1), 1);
    EXPECT_EQ(m.FindKey(-1), -1);
    EXPECT_EQ(m.FindKey(0), 2);
}

TEST(Map, HashStringKeysOrderByHashThenText)
{
    CVortanMap<CHashString, u32> m;
    const char* words[] = {"app:chat_send", "button", "text", "image", "zeta", "alpha", ""};
    u32 n = 0;
    for (const char* w : words)
        EXPECT_EQ(m.Add(CHashString(Text(w)), n++), 1);
    EXPECT_EQ(m.Add(CHashString(Text("button")), 77), 0);
    for (int i = 1; i < m.GetSize(); ++i)
        EXPECT_LT(m.ElementAt(i - 1).key.GetHash(), m.ElementAt(i).key.GetHash());
    EXPECT_EQ(m[CHashString(Text("button"))], 1u);
    EXPECT_EQ(m[CHashString(Text(""))], 6u);
    EXPECT_TRUE(m.Contains(Text("zeta")));
    EXPECT_FALSE(m.Contains(Text("Zeta")));

    // "abcd" and {a, a, c, 4} share one hash; the text decides, and both stay distinct.
    const unsigned short other[] = {0x61, 0x61, 0x63, 0x04, 0};
    CHashString a(Text("abcd"));
    CHashString b{CVortanString(other)};
    ASSERT_EQ(a.GetHash(), b.GetHash());
    ASSERT_EQ(a.GetHash(), 0xbd387cd2u);
    CVortanMap<CHashString, u32> clash;
    EXPECT_EQ(clash.Add(a, 1), 1);
    EXPECT_EQ(clash.Add(b, 2), 1);
    EXPECT_EQ(clash.Add(a, 3), 0);
    ASSERT_EQ(clash.GetSize(), 2);
    EXPECT_EQ(clash.ElementAt(0).key.GetString(), CVortanString(other));
    EXPECT_EQ(clash[a], 1u);
    EXPECT_EQ(clash[b], 2u);
    EXPECT_TRUE(b < a);
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
            EXPECT_EQ(m.Add(key, (u32)step), model.count(mk) ? 0 : 1);
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

// ---------------------------------------------------------------- CVortanPtrArray

TEST(PtrArray, GrowsByFiveSlots)
{
    CVortanPtrArray p;
    EXPECT_EQ(p.GetCount(), 0);
    EXPECT_EQ(p.GetFreeSlots(), 0);
    EXPECT_EQ(p.GetData(), nullptr);
    int items[12];
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(p.Add(&items[i]), VORTAN_OK);
    EXPECT_EQ(p.GetFreeSlots(), 0);
    void** before = p.GetData();
    p.Add(&items[5]);  // the sixth Add reallocates to 10 slots
    EXPECT_NE(p.GetData(), before);
    EXPECT_EQ(p.GetCount(), 6);
    EXPECT_EQ(p.GetFreeSlots(), 4);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(p.GetAt(i), &items[i]);
    EXPECT_EQ(p.GetAt(6), nullptr);
    EXPECT_EQ(p.GetAt(-1), nullptr);
}

TEST(PtrArray, InsertAndRemoveKeepOrder)
{
    int a, b, c, d, e;
    CVortanPtrArray p;
    p.Add(&a);
    p.Add(&b);
    p.Add(&c);
    p.RemoveAt(0);
    ASSERT_EQ(p.GetCount(), 2);
    EXPECT_EQ(p.GetAt(0), &b);
    EXPECT_EQ(p.GetAt(1), &c);
    EXPECT_EQ(p.GetFreeSlots(), 3);
    p.InsertAt(0, &a);
    p.InsertAt(3, &d);  // at the count: appends
    p.InsertAt(2, &e);
    ASSERT_EQ(p.GetCount(), 5);
    void* expect[] = {&a, &b, &e, &c, &d};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(p.GetAt(i), expect[i]);
    p.InsertAt(1, &a);  // full: grows while inserting
    EXPECT_EQ(p.GetCount(), 6);
    EXPECT_EQ(p.GetAt(2), &b);
    EXPECT_EQ(p.InsertAt(9, &a), VORTAN_E_ARGUMENT);
    EXPECT_EQ(p.InsertAt(-1, &a), VORTAN_E_ARGUMENT);
    p.RemoveAt(6);  // outside: ignored
    p.RemoveAt(-1);
    EXPECT_EQ(p.GetCount(), 6);
    p.RemoveAt(5);
    EXPECT_EQ(p.GetCount(), 5);
    EXPECT_EQ(p.GetAt(4), &c);

    p.RemoveAll();
    EXPECT_EQ(p.GetCount(), 0);
    EXPECT_EQ(p.GetFreeSlots(), 0);
    EXPECT_EQ(p.GetData(), nullptr);
    p.Add(&a);
    EXPECT_EQ(p.GetFreeSlots(), 4);
    p.Init();
    EXPECT_EQ(p.GetCount(), 0);

    CVortanPtrArray* heap = CVortanPtrArray::Create();
    ASSERT_NE(heap, nullptr);
    heap->Add(&a);
    CVortanPtrArray moved(std::move(*heap));
    EXPECT_EQ(heap->GetCount(), 0);
    EXPECT_EQ(moved.GetAt(0), &a);
    delete heap;
}

// ---------------------------------------------------------------- rectangles

TEST(Rect, ContainsTakesEveryEdgeAndArraysStartAtZero)
{
    CVortanRect r;
    r.Set(10, 20, 110, 70);
    r.Offset(-5, 3);
    r.SetSize(4, 6);
    EXPECT_EQ(r.GetWidth(), 4);
    EXPECT_EQ(r.GetHeight(), 6);
    EXPECT_TRUE(r.Contains(5, 23));
    EXPECT_TRUE(r.Contains(9, 29));
    EXPECT_FALSE(r.Contains(10, 29));
    EXPECT_FALSE(r.Contains(5, 22));

    CVortanArray<CVortanRect> rects;
    rects.SetSize(3);
    EXPECT_EQ(rects[2].left, 0);
    EXPECT_EQ(rects[2].bottom, 0);
}
