// The widget tree: child management, lookups by name and path, templates, copies and clones.
#include <gtest/gtest.h>

#include "tests/ui/WidgetTestSupport.h"

using namespace uitest;

namespace {

struct Tree : ::testing::Test {
    std::vector<std::string> log;
    LogWidget* root = nullptr;
    void SetUp() override { root = Make(&log, nullptr, "root", R(0, 0, 100, 100)); }
    void TearDown() override { Drop(root); }
};

int CountCalls(CWidget*, void* context, intptr_t, intptr_t)
{
    ++*(int*)context;
    return 1;
}

} // namespace

TEST_F(Tree, AddInsertRemoveAndDeleteCallTheirHooksAndKeepOrder)
{
    LogWidget* a = Make(&log, root, "a", R(0, 0, 10, 10));
    LogWidget* b = Make(&log, root, "b", R(0, 0, 10, 10));
    LogWidget* c = Make(&log, nullptr, "c", R(0, 0, 10, 10));
    root->InsertChild(c, 1);
    ASSERT_EQ(root->GetChildCount(), 3);
    EXPECT_EQ(root->GetChild(0), a);
    EXPECT_EQ(root->GetChild(1), c);
    EXPECT_EQ(root->GetChild(2), b);
    EXPECT_EQ(c->GetParent(), root);

    log.clear();
    // Re-parenting removes from the old parent first.
    a->AddChild(c);
    EXPECT_EQ(log, (std::vector<std::string>{"root:removed(c)", "a:added(c)"}));
    EXPECT_EQ(root->GetChildCount(), 2);
    EXPECT_EQ(c->GetParent(), a);

    // Neither null, nor itself, nor an ancestor.
    root->AddChild(nullptr);
    root->AddChild(root);
    c->AddChild(root);
    EXPECT_EQ(root->GetChildCount(), 2);
    EXPECT_EQ(c->GetChildCount(), 0);

    log.clear();
    EXPECT_FALSE(root->RemoveChild(c)); // not a direct child
    EXPECT_TRUE(a->RemoveChild(c));
    EXPECT_EQ(c->GetParent(), nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"a:removed(c)"}));
    Drop(c);

    EXPECT_TRUE(root->DeleteChild(b));
    EXPECT_FALSE(root->DeleteChild(b)); // b is gone; its address is only compared
    EXPECT_EQ(root->GetChildCount(), 1);
}

TEST_F(Tree, RemoveChildByNamePrefersDirectChildrenAndDoesNotDelete)
{
    LogWidget* a = Make(&log, root, "a", R(0, 0, 10, 10));
    LogWidget* deep = Make(&log, a, "x", R(0, 0, 10, 10));
    LogWidget* direct = Make(&log, root, "x", R(0, 0, 10, 10));
    log.clear();
    EXPECT_TRUE(root->RemoveChildByName(S("x")));
    EXPECT_EQ(direct->GetParent(), nullptr);
    EXPECT_EQ(deep->GetParent(), a);
    EXPECT_EQ(log, (std::vector<std::string>{"root:removed(x)"}));
    EXPECT_TRUE(root->RemoveChildByName(S("x")));
    EXPECT_EQ(deep->GetParent(), nullptr);
    EXPECT_FALSE(root->RemoveChildByName(S("x")));
    Drop(direct);
    Drop(deep);
}

TEST_F(Tree, FindChildDepths)
{
    LogWidget* a = Make(&log, root, "a", R(0, 0, 10, 10));
    LogWidget* b = Make(&log, a, "b", R(0, 0, 10, 10));
    LogWidget* c = Make(&log, b, "c", R(0, 0, 10, 10));
    LogWidget* b2 = Make(&log, root, "b", R(0, 0, 10, 10));
    EXPECT_EQ(root->FindChild(S("a"), 0), a);
    EXPECT_EQ(root->FindChild(S("b"), 0), b2); // direct children first
    EXPECT_EQ(root->FindChild(S("c"), 0), nullptr);
    EXPECT_EQ(root->FindChild(S("c"), 1), nullptr);
    EXPECT_EQ(root->FindChild(S("c"), 2), c);
    EXPECT_EQ(root->FindChild(S("c"), -1), c);
    EXPECT_EQ(a->FindChild(S("c"), 1), c);
    EXPECT_EQ(root->FindChild(S("A"), -1), nullptr);
}

TEST_F(Tree, FindByPathExamples)
{
    root->SetName(S("menu_root"));
    LogWidget* a = Make(&log, root, "a", R(0, 0, 10, 10));
    LogWidget* b = Make(&log, a, "b", R(0, 0, 10, 10));
    LogWidget* item = Make(&log, b, "item", R(0, 0, 10, 10));
    LogWidget* aSlash = Make(&log, root, "a/", R(0, 0, 10, 10));
    LogWidget* slash = Make(&log, a, "/", R(0, 0, 10, 10));
    LogWidget* holder = Make(&log, root, "holder", R(0, 0, 10, 10));
    LogWidget* inner = Make(&log, holder, "inner", R(0, 0, 10, 10));
    LogWidget* grand = Make(&log, inner, "grand", R(0, 0, 10, 10));

    EXPECT_EQ(root->FindByPath(S("")), root);
    EXPECT_EQ(root->FindByPath(S("a/b")), b);
    EXPECT_EQ(root->FindByPath(S("a/b/item")), item);
    EXPECT_EQ(root->FindByPath(S("holder/grand")), grand); // a step looks two levels deep
    EXPECT_EQ(root->FindByPath(S("a/")), aSlash);          // a trailing "/" is part of the name
    EXPECT_EQ(root->FindByPath(S("a//")), slash);          // "a", then "/" below it
    EXPECT_EQ(item->FindByPath(S("<menu_root")), root);
    EXPECT_EQ(item->FindByPath(S("<a")), a);
    EXPECT_EQ(item->FindByPath(S("<nothing")), nullptr);
    EXPECT_EQ(item->FindByPath(S("/<x")), nullptr);
    EXPECT_EQ(item->FindByPath(S("/")), nullptr); // a lone "/" is a name: no such child
    EXPECT_EQ(root->FindByPath(S("//item")), item);
    EXPECT_EQ(root->FindByPath(S("//nothing")), nullptr);
    EXPECT_EQ(root->FindByPath(S("/holder/inner")), inner);
    EXPECT_EQ(item->FindByPath(S("/holder")), nullptr); // "/" and a name: below the widget
    EXPECT_EQ(item->FindByPath(S("..")), b);
    EXPECT_EQ(item->FindByPath(S("../..")), a);
    EXPECT_EQ(item->FindByPath(S(".")), item);
    EXPECT_EQ(item->FindByPath(S("<menu_root/a/b")), b);
    EXPECT_EQ(root->FindByPath(S("..")), nullptr);
    EXPECT_EQ(root->FindByPath(S("../a")), nullptr); // null stays null
    EXPECT_EQ(root->FindByPath(S("a//.")), a);
    EXPECT_EQ(root->FindByPath(S("a//..")), root);
}

TEST_F(Tree, DetachTemplateGivesTheWidgetOrItsFirstChild)
{
    LogWidget* list = Make(&log, root, "list", R(0, 0, 10, 10));
    LogWidget* bare = Make(&log, list, "bare_template", R(0, 0, 10, 10));
    LogWidget* shell = Make(&log, list, "item_template", R(0, 0, 10, 10));
    LogWidget* first = Make(&log, shell, "first", R(0, 0, 10, 10));
    Make(&log, shell, "second", R(0, 0, 10, 10));
    int shutdowns = 0;
    shell->SetOnShutdown(CUIDelegate(CountCalls, &shutdowns));

    EXPECT_EQ(root->DetachTemplate(S("nothing")), nullptr);
    CWidget* got = root->DetachTemplate(S("bare_template"));
    EXPECT_EQ(got, bare);
    EXPECT_EQ(bare->GetParent(), nullptr);

    got = root->DetachTemplate(S("item_template"));
    EXPECT_EQ(got, first);
    EXPECT_EQ(first->GetParent(), nullptr);
    EXPECT_EQ(first->GetName(), S("first")); // still started, still named
    EXPECT_EQ(shutdowns, 1);                 // the shell and its other child are gone
    EXPECT_EQ(list->GetChildCount(), 0);
    Drop(bare);
    Drop(first);
}

TEST_F(Tree, SetRectTellsAncestorsAndSetPositionDoesNot)
{
    LogWidget* a = Make(&log, root, "a", R(0, 0, 50, 50));
    LogWidget* b = Make(&log, a, "b", R(0, 0, 10, 10));
    log.clear();
    b->SetRect(R(0, 0, 10, 10)); // unchanged: nothing
    EXPECT_TRUE(log.empty());
    b->SetRect(R(5, 6, 15, 16));
    EXPECT_EQ(log, (std::vector<std::string>{"b:rect(5,6)", "a:childrect(b,5,6)",
                                             "root:childrect(b,5,6)"}));
    log.clear();
    b->SetPosition(20, 30);
    EXPECT_EQ(log, (std::vector<std::string>{"b:rect(20,30)"}));
    EXPECT_EQ(b->GetWidth(), 10);
    EXPECT_EQ(b->GetHeight(), 10);
}

TEST_F(Tree, UniqueNameStartupAndShutdown)
{
    EXPECT_EQ(root->GetUniqueName(), nullptr);
    root->SetUniqueName(S(""));
    EXPECT_EQ(root->GetUniqueName(), nullptr);
    root->SetUniqueName(S("$first"));
    root->SetUniqueName(S("$second"));
    ASSERT_NE(root->GetUniqueName(), nullptr);
    EXPECT_EQ(root->GetUniqueName()->GetString(), S("$first"));

    // Startup resets what the owner set.
    LogWidget w;
    w.SetTag((intptr_t)&w);
    w.SetName(S("x"));
    w.SetPassThrough(true);
    w.SetIntercept(true);
    int startups = 0;
    w.SetOnStartup(CUIDelegate(CountCalls, &startups));
    EXPECT_FALSE(w.IsVisible());
    ASSERT_EQ(w.Startup(nullptr, nullptr, R(1, 2, 3, 4)), VORTAN_OK);
    EXPECT_EQ(startups, 1);
    EXPECT_TRUE(w.IsVisible());
    EXPECT_TRUE(w.IsEnabled());
    EXPECT_FALSE(w.IsPassThrough());
    EXPECT_FALSE(w.IsIntercept());
    EXPECT_EQ(w.GetTag(), 0);
    EXPECT_TRUE(w.GetName().IsEmpty());
    EXPECT_EQ(w.GetRect().right, 3);
    w.Shutdown();
}

TEST_F(Tree, TheTagHoldsAWholePointer)
{
    static int record;
    intptr_t tag = (intptr_t)&record;
    root->SetTag(tag);
    EXPECT_EQ((int*)root->GetTag(), &record);
    if (sizeof(intptr_t) == 8) {
        root->SetTag((intptr_t)0x7fffabcd12345678LL);
        EXPECT_EQ(root->GetTag(), (intptr_t)0x7fffabcd12345678LL);
    }
}

TEST_F(Tree, ShowAndHideReachVisibleDescendantsOnly)
{
    LogWidget* a = Make(&log, root, "a", R(0, 0, 10, 10));
    LogWidget* hidden = Make(&log, a, "hidden", R(0, 0, 10, 10));
    LogWidget* shown = Make(&log, a, "shown", R(0, 0, 10, 10));
    hidden->SetVisible(false);
    int shows = 0, hides = 0;
    for (CWidget* w : {(CWidget*)root, (CWidget*)a, (CWidget*)hidden, (CWidget*)shown}) {
        w->SetOnShow(CUIDelegate(CountCalls, &shows));
        w->SetOnHide(CUIDelegate(CountCalls, &hides));
    }
    root->SetVisible(true); // no change: nothing
    EXPECT_EQ(shows + hides, 0);
    root->SetVisible(false);
    EXPECT_EQ(hides, 3);
    EXPECT_EQ(shows, 0);
    root->SetVisible(true);
    EXPECT_EQ(shows, 3);
    EXPECT_FALSE(hidden->IsVisible());
}

namespace {
int CloneHook(CWidget* sender, void* context, intptr_t, intptr_t)
{
    ((std::vector<std::string>*)context)->push_back("clone:" + VortanUTF8Of(sender->GetName()));
    return 1;
}
int ClonedHook(CWidget* sender, void* context, intptr_t, intptr_t)
{
    ((std::vector<std::string>*)context)->push_back("cloned:" + VortanUTF8Of(sender->GetName()));
    return 1;
}
} // namespace

TEST_F(Tree, CloneCopiesTheSubtreeAndFiresBothDelegates)
{
    std::vector<std::string> events;
    LogWidget* a = Make(&log, root, "a", R(1, 2, 30, 40));
    a->SetTag(77);
    a->SetColor(0x80112233u);
    a->SetPassThrough(true);
    a->SetEnabled(false);
    a->SetOnClone(CUIDelegate(CloneHook, &events));
    a->SetOnCloned(CUIDelegate(ClonedHook, &events));
    a->SetUniqueName(S("$keep"));
    Make(&log, a, "x", R(0, 0, 5, 5));
    LogWidget* y = Make(&log, a, "y", R(5, 5, 9, 9));
    y->SetVisible(false);
    y->SetIntercept(true);

    CWidget* copy = a->Clone();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(events, (std::vector<std::string>{"clone:a", "cloned:a"}));
    EXPECT_EQ(copy->GetParent(), nullptr);
    EXPECT_EQ(copy->GetTag(), 77);
    EXPECT_EQ(copy->GetColor(), 0x80112233u);
    EXPECT_TRUE(copy->IsPassThrough());
    EXPECT_FALSE(copy->IsEnabled());
    EXPECT_EQ(copy->GetRect().bottom, 40);
    EXPECT_EQ(copy->GetUniqueName(), nullptr); // not copied
    EXPECT_EQ(copy->GetOnClone(), a->GetOnClone());
    ASSERT_EQ(copy->GetChildCount(), 2);
    EXPECT_EQ(copy->GetChild(0)->GetName(), S("x"));
    EXPECT_EQ(copy->GetChild(1)->GetName(), S("y"));
    EXPECT_FALSE(copy->GetChild(1)->IsVisible());
    EXPECT_TRUE(copy->GetChild(1)->IsIntercept());
    EXPECT_NE(copy->GetChild(1), y);
    EXPECT_EQ(copy->GetChild(1)->GetParent(), copy);

    // TreesEqual copies along the way and stops at a shape difference.
    copy->GetChild(0)->SetTag(5);
    EXPECT_TRUE(copy->TreesEqual(a));
    EXPECT_EQ(copy->GetChild(0)->GetTag(), 0);
    Make(&log, copy, "extra", R(0, 0, 1, 1));
    EXPECT_FALSE(copy->TreesEqual(a));
    Drop(copy);
}

TEST_F(Tree, ShutdownDeletesChildrenAndFiresOnShutdown)
{
    int shutdowns = 0;
    LogWidget* a = Make(&log, root, "a", R(0, 0, 10, 10));
    LogWidget* b = Make(&log, a, "b", R(0, 0, 10, 10));
    a->SetOnShutdown(CUIDelegate(CountCalls, &shutdowns));
    b->SetOnShutdown(CUIDelegate(CountCalls, &shutdowns));
    CWidget::SetCapture(b);
    root->Shutdown();
    EXPECT_EQ(shutdowns, 2);
    EXPECT_EQ(root->GetChildCount(), 0);
    EXPECT_EQ(CWidget::GetCapture(), nullptr);
    EXPECT_EQ(root->GetContext(), nullptr);
}
