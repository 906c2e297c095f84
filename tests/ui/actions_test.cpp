// The action registry and timed action sequences: names, "app:" rules, timing and order.
#include <gtest/gtest.h>

#include "VortanSound/VortanSoundWave.h"
#include "tests/ui/WidgetTestSupport.h"
#include "ui/anim/UIActionRegistry.h"
#include "ui/anim/UIActionSequence.h"

using namespace uitest;

namespace {

typedef std::vector<std::string> Log;

// A delegate context: a log and the label the call writes.
struct Note {
    Log* log;
    std::string label;
};

int Write(CWidget* sender, void* context, intptr_t, intptr_t)
{
    Note* n = (Note*)context;
    n->log->push_back(n->label + "(" + (sender ? VortanUTF8Of(sender->GetName()) : "null") + ")");
    return 1;
}

// A sound whose replays are written to the log.
struct LoggedWave : CVortanSoundWave {
    Log* log;
    std::string label;
    int* deleted;
    LoggedWave(Log* l, const char* name, int* d) : log(l), label(name), deleted(d) {}
    ~LoggedWave() override { ++*deleted; }
    int Replay(u32 flags, int index, int mode) override
    {
        log->push_back(label + " " + std::to_string(flags) + std::to_string(index) +
                       std::to_string(mode));
        return VORTAN_OK;
    }
};

// A sequence whose vibrations are written to the log.
struct LoggedSequence : CUIActionSequence {
    Log* log;
    explicit LoggedSequence(Log* l) : log(l) {}
    void Vibrate(int value) override { log->push_back("vibrate " + std::to_string(value)); }
};

struct Actions : ::testing::Test {
    Log log;
    CUIActionSequenceList list;
    CUIActionRegistry registry;
    CWidget* sender = nullptr;
    void SetUp() override
    {
        ASSERT_EQ(list.Init(), VORTAN_OK);
        ASSERT_EQ(registry.Init(&list), VORTAN_OK);
        sender = Make(nullptr, nullptr, "sender", R(0, 0, 1, 1));
    }
    void TearDown() override
    {
        list.DeleteAll();
        registry.RemoveAll();
        Drop(sender);
    }
};

} // namespace

TEST_F(Actions, AppNamesAndReplacement)
{
    Note first{&log, "first"}, second{&log, "second"}, app{&log, "app"};
    EXPECT_EQ(registry.Register(S("ok"), CUIDelegate(Write, &first), 1), VORTAN_OK);
    EXPECT_EQ(registry.Lookup(S("ok")).context, &first);
    EXPECT_EQ(registry.Lookup(S("app:ok")).context, &first);
    EXPECT_EQ(registry.Register(S("ok"), CUIDelegate(Write, &second), 0), VORTAN_OK);
    EXPECT_EQ(registry.Lookup(S("ok")).context, &second);
    EXPECT_EQ(registry.Lookup(S("app:ok")).context, &first); // only the plain name replaced

    EXPECT_EQ(registry.Register(S("app:x"), CUIDelegate(Write, &app), 0), VORTAN_E_ARGUMENT);
    EXPECT_FALSE(registry.Lookup(S("app:x")).IsSet());
    EXPECT_EQ(registry.Register(S("ap:x"), CUIDelegate(Write, &app), 0), VORTAN_OK);
    EXPECT_EQ(registry.Register(S("App:x"), CUIDelegate(Write, &app), 0), VORTAN_OK);
    // With isApp even an "app:" name is taken, and then also under "app:app:".
    EXPECT_EQ(registry.Register(S("app:y"), CUIDelegate(Write, &app), 1), VORTAN_OK);
    EXPECT_TRUE(registry.Lookup(S("app:app:y")).IsSet());
    EXPECT_EQ(registry.GetCount(), 6);

    CUIDelegate none = registry.Lookup(S("missing"));
    EXPECT_EQ(none.function, nullptr);
    EXPECT_EQ(none.context, nullptr);
    EXPECT_EQ(none.Call(sender), 1);
    registry.RemoveAll();
    EXPECT_EQ(registry.GetCount(), 0);
}

TEST_F(Actions, SequencesAreListedEvenWhenTheirNameIsRefused)
{
    Note handler{&log, "handler"};
    registry.Register(S("shake"), CUIDelegate(Write, &handler), 1);
    CUIActionSequence* refused = registry.CreateSequence(S("app:shake"));
    ASSERT_NE(refused, nullptr);
    EXPECT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.GetAt(0), refused);
    EXPECT_EQ(registry.Lookup(S("app:shake")).context, &handler);

    // A sequence named like an application handler calls it through "app:" + its name.
    CUIActionSequence* shake = registry.CreateSequence(S("shake"));
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(registry.Lookup(S("shake")).context, shake);
    shake->AddCallback(0.0f, registry.Lookup(S("app:shake")));
    EXPECT_EQ(registry.Lookup(S("shake")).Call(sender), 1);
    EXPECT_EQ(log, (Log{"handler(sender)"}));
    EXPECT_FALSE(shake->IsRunning());
}

// A registry over a base: what it stores (a build's sequences) hides the base's entry of the
// same name, everything else is found in the base, and emptying it leaves the base whole.
TEST_F(Actions, ARegistryOverABaseHidesOnlyWhatItStores)
{
    Note handler{&log, "handler"};
    CUIActionRegistry base;
    base.Register(S("shake"), CUIDelegate(Write, &handler), 1);
    base.Register(S("quit"), CUIDelegate(Write, &handler), 1);
    registry.SetBase(&base);
    CUIActionSequence* shake = registry.CreateSequence(S("shake"));
    ASSERT_NE(shake, nullptr);
    EXPECT_EQ(registry.Lookup(S("shake")).context, shake);
    EXPECT_EQ(registry.Lookup(S("app:shake")).context, &handler);
    EXPECT_EQ(registry.Lookup(S("quit")).context, &handler);
    EXPECT_FALSE(registry.Lookup(S("missing")).IsSet());
    EXPECT_EQ(registry.GetCount(), 1);
    registry.RemoveAll();
    EXPECT_EQ(registry.Lookup(S("shake")).context, &handler);
    EXPECT_EQ(base.Lookup(S("shake")).context, &handler);
    EXPECT_EQ(base.GetCount(), 4);
    registry.SetBase(nullptr);
}

TEST_F(Actions, EntriesAreRefusedOnlyInTheNamedCombinations)
{
    CUIActionSequence* seq = registry.CreateSequence(S("s"));
    EXPECT_EQ(seq->AddCallback(-1.0f, CUIDelegate()), VORTAN_E_ARGUMENT);
    EXPECT_EQ(seq->AddCallback(0.0f, CUIDelegate()), VORTAN_OK);
    Note n{&log, "n"};
    EXPECT_EQ(seq->AddCallback(-1.0f, CUIDelegate(Write, &n)), VORTAN_OK);
    EXPECT_EQ(seq->AddSound(-0.5f, nullptr), VORTAN_E_ARGUMENT);
    EXPECT_EQ(seq->AddSound(0.5f, nullptr), VORTAN_OK);
    EXPECT_EQ(seq->AddVibration(-0.1f, 0), VORTAN_E_ARGUMENT);
    EXPECT_EQ(seq->AddVibration(0.0f, 0), VORTAN_OK);
    EXPECT_EQ(seq->GetCallbackCount(), 2);
    EXPECT_EQ(seq->GetSoundCount(), 1);
    EXPECT_EQ(seq->GetVibrationCount(), 1);
    // The negative entry fires inside Start; the null ones never do anything.
    seq->Start(sender);
    EXPECT_EQ(log, (Log{"n(sender)"}));
    seq->Advance(0.5f);
    EXPECT_FALSE(seq->IsRunning());
}

TEST_F(Actions, TimingRestartAndTimeZero)
{
    Note now{&log, "now"}, later{&log, "later"};
    CUIActionSequence* seq = registry.CreateSequence(S("s"));
    seq->AddCallback(0.5f, CUIDelegate(Write, &later));
    seq->AddCallback(0.0f, CUIDelegate(Write, &now));
    EXPECT_FALSE(seq->IsRunning());
    EXPECT_EQ(seq->GetClock(), -1.0f);

    seq->Start(sender);
    EXPECT_EQ(log, (Log{"now(sender)"})); // time 0 fires inside Start
    EXPECT_TRUE(seq->IsRunning());
    list.AdvanceAll(0.3f);
    EXPECT_EQ(log.size(), 1u);

    // Starting it again while it runs changes nothing, the start argument included.
    CWidget* other = Make(nullptr, nullptr, "other", R(0, 0, 1, 1));
    seq->Start(other);
    EXPECT_EQ(seq->GetStartArgument(), sender);
    EXPECT_EQ(seq->GetClock(), 0.3f);

    list.AdvanceAll(0.3f);
    EXPECT_EQ(log, (Log{"now(sender)", "later(sender)"}));
    EXPECT_FALSE(seq->IsRunning());
    EXPECT_EQ(seq->GetStartArgument(), nullptr);

    // Idle again: it can start anew, with the other sender.
    seq->Start(other);
    list.AdvanceAll(0.6f);
    EXPECT_EQ(log, (Log{"now(sender)", "later(sender)", "now(other)", "later(other)"}));
    Drop(other);

    // A sequence with no entries is idle again within its Start.
    CUIActionSequence* empty = registry.CreateSequence(S("empty"));
    empty->Start(sender);
    EXPECT_FALSE(empty->IsRunning());
}

TEST_F(Actions, ALongFrameFiresCallbacksThenSoundsThenVibrations)
{
    int deleted = 0;
    LoggedSequence* seq = new LoggedSequence(&log);
    seq->SetName(S("burst"));
    list.Add(seq);
    Note c1{&log, "call 0.3"}, c2{&log, "call 0.1"};
    seq->AddVibration(0.05f, 7);
    seq->AddSound(0.2f, new LoggedWave(&log, "sound 0.2", &deleted));
    seq->AddCallback(0.3f, CUIDelegate(Write, &c1));
    seq->AddSound(0.1f, new LoggedWave(&log, "sound 0.1", &deleted));
    seq->AddCallback(0.1f, CUIDelegate(Write, &c2));
    seq->AddVibration(2.0f, 0);
    seq->Start(sender);
    EXPECT_TRUE(log.empty());
    list.AdvanceAll(1.0f);
    EXPECT_EQ(log, (Log{"call 0.3(sender)", "call 0.1(sender)", "sound 0.2 000", "sound 0.1 000",
                        "vibrate 7"}));
    EXPECT_TRUE(seq->IsRunning()); // the vibration at 2 s is still pending
    list.AdvanceAll(1.0f);
    EXPECT_EQ(log.back(), "vibrate 0");
    EXPECT_FALSE(seq->IsRunning());

    // Without an owner, Clear deletes the sounds itself.
    seq->Clear();
    EXPECT_EQ(deleted, 2);
    EXPECT_EQ(seq->GetSoundCount(), 0);
    EXPECT_EQ(seq->GetCallbackCount(), 0);
}

TEST_F(Actions, DeleteAllClearsEverySequence)
{
    int deleted = 0;
    for (const char* name : {"a", "b", "c"}) {
        CUIActionSequence* seq = registry.CreateSequence(S(name));
        seq->AddSound(0.0f, new LoggedWave(&log, name, &deleted));
    }
    list.DeleteAll();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(deleted, 3);
    registry.RemoveAll();
}
