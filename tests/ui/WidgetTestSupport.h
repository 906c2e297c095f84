// Shared pieces of the toolkit tests: a widget that records its hooks, tree builders and
// delegate helpers.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/VortanString.h"
#include "ui/Widget.h"

namespace uitest {

inline CVortanString S(const char* text)
{
    return CVortanString(text);
}

inline CVortanRect R(int l, int t, int r, int b)
{
    CVortanRect rect;
    rect.Set(l, t, r, b);
    return rect;
}

// The rect is (l, t, r, b); else what it is.
inline ::testing::AssertionResult SameRect(const CVortanRect& a, int l, int t, int r, int b)
{
    if (a.left == l && a.top == t && a.right == r && a.bottom == b)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "(" << a.left << ", " << a.top << ", " << a.right << ", " << a.bottom << ")";
}

// A widget that appends "<name>:<hook>(args)" to a log for each hook it receives once it has
// a name.
class LogWidget : public CWidget {
public:
    explicit LogWidget(std::vector<std::string>* log = nullptr) : m_log(log) {}
    CWidget* CreateInstance() const override { return new LogWidget(m_log); }

    void OnPointerDown(int b, int x, int y) override { Note("down", b, x, y); }
    void OnPointerMove(int b, int x, int y) override { Note("move", b, x, y); }
    void OnPointerUp(int b, int x, int y) override { Note("up", b, x, y); }
    void OnPointerCancel() override { Note("cancel"); }
    void OnKeyDown(int key) override { Note("key", key); }
    void OnChar(int c) override { Note("char", c); }
    void OnFocusGained(CWidget* previous) override { Note("gained", Who(previous)); }
    void OnFocusLost(CWidget* next) override { Note("lost", Who(next)); }
    void OnChildAdded(CWidget* child) override { Note("added", Who(child)); }
    void OnChildRemoved(CWidget* child) override { Note("removed", Who(child)); }
    void OnChildRectChanged(CWidget* child, const CVortanRect& r) override
    {
        Note("childrect", Who(child), r.left, r.top);
    }
    void OnRectChanged(const CVortanRect&, const CVortanRect& r) override
    {
        Note("rect", r.left, r.top);
    }
    int UpdateSelf(float) override
    {
        Note("update");
        return updateResult;
    }
    int RenderSelf(IVortanGraphicsContext*, const CVortanRect& r) override
    {
        Note("render", r.left, r.top, r.right, r.bottom);
        return renderResult;
    }

    int updateResult = VORTAN_OK;
    int renderResult = VORTAN_OK;

private:
    static std::string Who(CWidget* w)
    {
        return w ? VortanUTF8Of(w->GetName()) : std::string("null");
    }
    template <class... A>
    void Note(const char* hook, A... args)
    {
        if (!m_log || GetName().IsEmpty()) // unnamed: still being built
            return;
        std::string line = VortanUTF8Of(GetName()) + ":" + hook + "(";
        [[maybe_unused]] bool first = true;
        using expand = int[];
        (void)expand{0, (Append(line, args, first), 0)...};
        m_log->push_back(line + ")");
    }
    static void Append(std::string& line, int v, bool& first)
    {
        line += (first ? "" : ",") + std::to_string(v);
        first = false;
    }
    static void Append(std::string& line, const std::string& v, bool& first)
    {
        line += (first ? "" : ",") + v;
        first = false;
    }
    std::vector<std::string>* m_log;
};

// A started LogWidget named name at rect, added to parent when given.
inline LogWidget* Make(std::vector<std::string>* log, CWidget* parent, const char* name,
                       const CVortanRect& rect)
{
    LogWidget* w = new LogWidget(log);
    EXPECT_EQ(w->Startup(nullptr, nullptr, rect), VORTAN_OK);
    w->SetName(S(name));
    if (parent)
        parent->AddChild(w);
    return w;
}

// Shuts the root down and deletes it.
inline void Drop(CWidget* root)
{
    if (root) {
        root->Shutdown();
        delete root;
    }
}

} // namespace uitest
