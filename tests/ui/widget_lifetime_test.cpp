// Handlers that delete or rebuild widgets, their senders and ancestors included, while a
// dispatch, an update or a timed sequence runs (meant for the AddressSanitizer build).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "tests/ui/WidgetTestSupport.h"
#include "ui/anim/UIActionRegistry.h"
#include "ui/anim/UIActionSequence.h"

using namespace uitest;

namespace {

// Runs the action on a press, on an update, or when its focus is lost.
struct ActionWidget : LogWidget {
    using LogWidget::LogWidget;
    std::function<void(ActionWidget*)> onDown, onUpdate, onLost;
    void OnPointerDown(int b, int x, int y) override
    {
        LogWidget::OnPointerDown(b, x, y);
        if (onDown)
            onDown(this);
    }
    void OnFocusLost(CWidget* next) override
    {
        LogWidget::OnFocusLost(next);
        if (onLost)
            onLost(this);
    }
    int UpdateSelf(float dt) override
    {
        LogWidget::UpdateSelf(dt);
        if (onUpdate)
            onUpdate(this);
        return VORTAN_OK;
    }
};

ActionWidget* MakeAction(std::vector<std::string>* log, CWidget* parent, const char* name,
                         const CVortanRect& rect)
{
    ActionWidget* w = new ActionWidget(log);
    w->Startup(nullptr, nullptr, rect);
    w->SetName(S(name));
    if (parent)
        parent->AddChild(w);
    return w;
}

typedef std::vector<std::string> Log;

} // namespace

TEST(Lifetime, AHandlerDeletesItsSenderDuringADispatch)
{
    Log log;
    LogWidget* root = Make(&log, nullptr, "root", R(0, 0, 100, 100));
    ActionWidget* button = MakeAction(&log, root, "button", R(0, 0, 50, 50));
    button->onDown = [&](ActionWidget* self) {
        EXPECT_TRUE(root->DeleteChild(self));
        EXPECT_GT(CWidget::GetPendingDeletions(), 0); // waits for the walk
    };
    root->DispatchPointerDown(0, 10, 10);
    EXPECT_EQ(CWidget::GetPendingDeletions(), 0);
    EXPECT_EQ(CWidget::GetWalkDepth(), 0);
    EXPECT_EQ(root->GetChildCount(), 0);
    EXPECT_EQ(root->GetFocusChild(), nullptr);
    Drop(root);
}

TEST(Lifetime, AHandlerDeletesTheWholeTreeDuringADispatch)
{
    Log log;
    LogWidget* root = Make(&log, nullptr, "root", R(0, 0, 100, 100));
    LogWidget* panel = Make(&log, root, "panel", R(0, 0, 100, 100));
    ActionWidget* button = MakeAction(&log, panel, "button", R(0, 0, 50, 50));
    button->onDown = [&](ActionWidget*) {
        root->Shutdown();
        delete root; // a plain delete of the root while its dispatch runs
        root = nullptr;
    };
    LogWidget* keep = root;
    keep->DispatchPointerDown(0, 10, 10);
    EXPECT_EQ(root, nullptr);
    EXPECT_EQ(CWidget::GetPendingDeletions(), 0);
}

TEST(Lifetime, AFocusLostHandlerDeletesTheNewFocus)
{
    Log log;
    LogWidget* root = Make(&log, nullptr, "root", R(0, 0, 100, 100));
    ActionWidget* a = MakeAction(&log, root, "a", R(0, 0, 40, 40));
    LogWidget* b = Make(&log, root, "b", R(50, 0, 90, 40));
    root->DispatchPointerDown(0, 10, 10);
    a->onLost = [&](ActionWidget*) { root->DeleteChild(b); };
    log.clear();
    root->DispatchPointerDown(0, 60, 10); // b is gone before it would gain the focus
    EXPECT_EQ(log, (Log{"a:lost(b)", "root:removed(b)"}));
    EXPECT_EQ(root->GetFocusChild(), a);
    Drop(root);
}

TEST(Lifetime, UpdateHandlersRebuildTheTreeAndDeleteAncestors)
{
    Log log;
    LogWidget* root = Make(&log, nullptr, "root", R(0, 0, 100, 100));
    LogWidget* page = Make(&log, root, "page", R(0, 0, 100, 100));
    ActionWidget* first = MakeAction(&log, page, "first", R(0, 0, 10, 10));
    Make(&log, page, "second", R(0, 0, 10, 10));
    // The first child replaces the whole page with a new one.
    first->onUpdate = [&](ActionWidget*) {
        root->DeleteChild(page);
        Make(&log, root, "fresh", R(0, 0, 10, 10));
    };
    log.clear();
    ASSERT_EQ(root->Update(0.1f), VORTAN_OK);
    // "second" died with the page before its turn; the new page is updated in this frame.
    EXPECT_EQ(log, (Log{"root:update()", "page:update()", "first:update()", "root:removed(page)",
                        "root:added(fresh)", "fresh:update()"}));
    ASSERT_EQ(root->GetChildCount(), 1);
    EXPECT_EQ(root->GetChild(0)->GetName(), S("fresh"));

    // A widget that destroys its own root from its update.
    ActionWidget* bomb = MakeAction(&log, root, "bomb", R(0, 0, 10, 10));
    LogWidget* keep = root;
    bomb->onUpdate = [&](ActionWidget*) {
        CWidget::Destroy(root);
        root = nullptr;
    };
    EXPECT_EQ(keep->Update(0.1f), VORTAN_OK);
    EXPECT_EQ(root, nullptr);
    EXPECT_EQ(CWidget::GetPendingDeletions(), 0);
}

namespace {
struct SequenceCase {
    Log log;
    LogWidget* root = nullptr;
    CUIActionSequenceList list;
    CUIActionRegistry registry;
    SequenceCase()
    {
        root = Make(&log, nullptr, "root", R(0, 0, 100, 100));
        list.Init();
        registry.Init(&list);
    }
    ~SequenceCase()
    {
        list.DeleteAll();
        registry.RemoveAll();
        Drop(root);
    }
};

int NoteSender(CWidget* sender, void* context, intptr_t, intptr_t)
{
    ((Log*)context)->push_back("call:" + VortanUTF8Of(sender->GetName()));
    return 1;
}

int DeleteSender(CWidget* sender, void* context, intptr_t, intptr_t)
{
    ((Log*)context)->push_back("delete:" + VortanUTF8Of(sender->GetName()));
    CWidget::Destroy(sender);
    return 1;
}

int DeleteAllSequences(CWidget*, void* context, intptr_t, intptr_t)
{
    ((CUIActionSequenceList*)context)->DeleteAll();
    return 1;
}
} // namespace

TEST(Lifetime, ASequenceWhoseSenderWentStops)
{
    SequenceCase c;
    LogWidget* sender = Make(&c.log, c.root, "sender", R(0, 0, 10, 10));
    CUIActionSequence* seq = c.registry.CreateSequence(S("blink"));
    seq->AddCallback(0.1f, CUIDelegate(NoteSender, &c.log));
    seq->AddCallback(0.2f, CUIDelegate(NoteSender, &c.log));
    c.registry.Lookup(S("blink")).Call(sender);
    c.list.AdvanceAll(0.15f);
    EXPECT_TRUE(seq->IsRunning());
    c.root->DeleteChild(sender);
    c.list.AdvanceAll(0.1f);
    EXPECT_FALSE(seq->IsRunning());
    EXPECT_EQ(std::count(c.log.begin(), c.log.end(), "call:sender"), 1);

    // A callback that deletes the sender: the later callbacks of the frame are not called.
    LogWidget* other = Make(&c.log, c.root, "other", R(0, 0, 10, 10));
    CUIActionSequence* kill = c.registry.CreateSequence(S("kill"));
    kill->AddCallback(0.0f, CUIDelegate(DeleteSender, &c.log));
    kill->AddCallback(0.0f, CUIDelegate(NoteSender, &c.log));
    c.log.clear();
    kill->Start(other);
    EXPECT_EQ(c.log, (Log{"delete:other", "root:removed(other)"}));
    EXPECT_FALSE(kill->IsRunning());
}

TEST(Lifetime, ACallbackDeletesEverySequenceWhileTheListAdvances)
{
    SequenceCase c;
    CUIActionSequence* first = c.registry.CreateSequence(S("first"));
    first->AddCallback(0.5f, CUIDelegate(DeleteAllSequences, &c.list));
    first->AddCallback(0.5f, CUIDelegate(NoteSender, &c.log));
    CUIActionSequence* second = c.registry.CreateSequence(S("second"));
    second->AddCallback(0.5f, CUIDelegate(NoteSender, &c.log));
    first->Start(c.root);
    second->Start(c.root);
    c.log.clear();
    c.list.AdvanceAll(1.0f);
    EXPECT_TRUE(c.log.empty());
    EXPECT_EQ(c.list.GetCount(), 0);
    c.registry.RemoveAll(); // its delegates point at the deleted sequences
}

namespace {

// Runs its action when it is shut down.
struct ShutdownWidget : LogWidget {
    using LogWidget::LogWidget;
    std::function<void(ShutdownWidget*)> onShutdown;
    void Shutdown() override
    {
        if (onShutdown)
            onShutdown(this);
        LogWidget::Shutdown();
    }
};

ShutdownWidget* MakeShutdown(Log* log, CWidget* parent, const char* name)
{
    ShutdownWidget* w = new ShutdownWidget(log);
    w->Startup(nullptr, nullptr, R(0, 0, 10, 10));
    w->SetName(S(name));
    parent->AddChild(w);
    return w;
}

} // namespace

TEST(Lifetime, ShutdownTakesTheChildrenInOrderWithThoseAddedOrRemovedOnTheWay)
{
    Log log, order;
    LogWidget* root = Make(&log, nullptr, "root", R(0, 0, 100, 100));
    ShutdownWidget* a = MakeShutdown(&log, root, "a");
    ShutdownWidget* b = MakeShutdown(&log, root, "b");
    ShutdownWidget* c = MakeShutdown(&log, root, "c");
    ShutdownWidget* d = MakeShutdown(&log, root, "d");
    auto record = [&](ShutdownWidget* self) {
        order.push_back(VortanUTF8Of(self->GetName()));
        // The parent no longer lists this child or any before it.
        for (int i = 0; i < root->GetChildCount(); ++i) {
            CWidget* child = root->GetChildren()[i];
            EXPECT_TRUE(child == nullptr || (child != self && child->GetParent() == root));
        }
    };
    ShutdownWidget* e = nullptr;
    a->onShutdown = [&](ShutdownWidget* self) {
        record(self);
        e = MakeShutdown(&log, root, "e"); // added on the way: shut down and deleted too
        e->onShutdown = record;
    };
    b->onShutdown = [&](ShutdownWidget* self) {
        record(self);
        EXPECT_TRUE(root->RemoveChild(c)); // removed on the way: the caller's now
    };
    c->onShutdown = record;
    d->onShutdown = record;
    root->Shutdown();
    EXPECT_EQ(order, (Log{"a", "b", "d", "e"}));
    EXPECT_EQ(root->GetChildCount(), 0);
    EXPECT_EQ(c->GetParent(), nullptr);
    order.clear();
    Drop(c);
    EXPECT_EQ(order, (Log{"c"}));
    delete root;
}

TEST(Lifetime, ALookupThroughTheTreeDuringAChildsShutdownMeetsOnlyLiveChildren)
{
    Log log;
    LogWidget* root = Make(&log, nullptr, "root", R(0, 0, 100, 100));
    MakeShutdown(&log, root, "a");
    ShutdownWidget* b = MakeShutdown(&log, root, "b");
    MakeShutdown(&log, root, "c");
    std::string found = "(none)";
    int listed = -1;
    // As a layout's shutdown event that names a widget by its path does.
    b->onShutdown = [&](ShutdownWidget*) {
        CWidget* c = root->FindChild(S("c"), -1);
        if (c)
            found = VortanUTF8Of(c->GetName());
        listed = root->GetChildCount();
        for (int i = 0; i < listed; ++i)
            EXPECT_NE(nullptr, root->GetChild(i));
    };
    root->Shutdown();
    EXPECT_EQ("c", found);
    EXPECT_EQ(1, listed);
    delete root;
}
