// Online matches without a network: CTestMatchApp (a windowless application with the game's
// scenes and effects, a shop and a record of what the battle asks of it), CTestMatchGame (the
// game with a two-player lobby whose game data goes into a channel), and CTestMatchChannel,
// which hands each message whole to the other game, in order and once, or through a seeded
// injector that loses, repeats, reorders and delays data and acknowledgements.
#pragma once
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/VortanPtrArray.h"
#include "game/StateGame.h"
#include "game/VexAssetTables.h"
#include "game/VexPlayState.h"
#include "online/net/OrloLobby.h"
#include "tests/game/GameHostSupport.h"
#include "tests/support/TestSupport.h"

namespace vtest {

// The application of one device: the game's packs from the build, a list of owned shop items
// and their packs, and records of the item spends and chat-page openings.
class CTestMatchApp : public htest::HostApp {
public:
    CTestMatchApp()
    {
        for (const char* pack : {"dataScenes.dmp", "dataEffects.dmp"})
            OpenPack(htest::S(BinaryDir() + "/" + pack), 1);
    }
    ~CTestMatchApp() override
    {
        for (void* words : m_items)
            delete[](i32*) words;
    }
    // An owned item: its shop id, the number of its description and of its pack.
    void AddItem(int itemId, int description, int packNumber, const std::string& packPath)
    {
        i32* words = new i32[7]{1, itemId, 1, packNumber, 1, description, 0};
        m_items.push_back(words);
        m_list.Add(words);
        AddPack(packNumber, packPath);
    }
    // An item pack this device has (the opponent's items are loaded from them too).
    void AddPack(int packNumber, const std::string& packPath)
    {
        m_packs.push_back({packNumber, packPath});
    }
    CVortanPtrArray* GetMenuData() override { return &m_list; }
    int GetItemPackPath(int itemId, CVortanString& out) override
    {
        for (const auto& pack : m_packs)
            if (pack.first == itemId) {
                out = htest::S(pack.second);
                return VORTAN_OK;
            }
        out.Empty();
        return VORTAN_E_FAIL;
    }
    void SendValuePair(int a, int b) override { spends.push_back({a, b}); }
    void ShowChat() override { ++chatPages; }
    bool GetVibrations() override { return false; }

    std::vector<std::pair<int, int>> spends;
    int chatPages = 0;

private:
    std::vector<void*> m_items;
    CVortanPtrArray m_list;
    std::vector<std::pair<int, std::string>> m_packs;
};

class CTestMatchChannel;

// The game of one device: a lobby of two players (ids 101 and 202), its own id, the game data
// it sends going into the channel, and the match results and sends recorded.
class CTestMatchGame : public CStateGame {
public:
    CTestMatchGame(int ownId, int endpoint) : m_ownId(ownId), m_endpoint(endpoint)
    {
        m_players[0].playerId = 101;
        m_players[0].name = CVortanString("Ann");
        m_players[1].playerId = 202;
        m_players[1].name = CVortanString("Bob");
    }
    ~CTestMatchGame() override { Release(); }
    void SetChannel(CTestMatchChannel* channel) { m_channel = channel; }
    // Players the lobby shows (0..2).
    void SetLobbySize(int size) { m_lobbySize = size; }

    // What the battle sounded, in order: (sound, frequency), and (-1, 0) for a vibration, with
    // the step of each; a fast-forwarded shot is not heard. The turn timer's beep is given a
    // frequency of its own, as if it were loaded.
    std::vector<std::pair<int, int>> cues;
    std::vector<u32> cueSteps;
    enum { BEEP_SOUND = 15, BEEP_FREQUENCY = 22050, FIRST_AMBIENT = 17 };
    void PlaySound(int soundId, u32 playFlags, int frequency) override
    {
        if (!IsFastForwarding()) {
            cues.push_back({soundId, frequency});
            cueSteps.push_back(GetStepsTotal());
        }
        CStateGame::PlaySound(soundId, playFlags, frequency);
    }
    // The files of the sounds heard from cue `from` on, in order, as one line: those of the
    // ids given, else all but the ambient ones. A sound asked for again in the same step still
    // plays: it is heard once.
    std::string Heard(size_t from = 0, std::set<int> only = {}) const
    {
        std::string line;
        for (size_t i = from; i < cues.size(); ++i) {
            const int id = cues[i].first;
            bool again = id < 0 || (only.empty() ? id >= FIRST_AMBIENT : !only.count(id));
            for (size_t j = i; j-- > from && cueSteps[j] == cueSteps[i];)
                again = again || cues[j].first == id;
            if (!again)
                line +=
                    (line.empty() ? "" : " ") + VortanUTF8Of(CVexAssetTables::Get().SoundName(id));
        }
        return line;
    }
    int GetSoundFrequency(int soundId) override
    {
        return soundId == BEEP_SOUND ? (int)BEEP_FREQUENCY : CStateGame::GetSoundFrequency(soundId);
    }
    void Vibrate() override
    {
        cues.push_back({-1, 0});
        CStateGame::Vibrate();
    }

    int GetOwnPlayerId() override { return m_ownId; }
    int GetLobbyPlayerCount() override { return m_lobbySize; }
    COrloPlayer* GetLobbyPlayer(int index) override
    {
        return index >= 0 && index < m_lobbySize ? &m_players[index] : nullptr;
    }
    inline void SendGameData(const u8* bytes, int length, int a, int b) override;
    void ReportMatchEnd(const CVortanArray<i32>* ids, const CVortanArray<i32>* places,
                        int flag) override
    {
        Report report;
        for (int i = 0; ids && i < ids->GetSize(); ++i)
            report.ids.push_back((*ids)[i]);
        for (int i = 0; places && i < places->GetSize(); ++i)
            report.places.push_back((*places)[i]);
        report.flag = flag;
        reports.push_back(report);
    }
    void LeaveGame() override { ++leaves; }
    // Every game-data message as it arrives, before the game takes it (when set).
    void OnGameData(const u8* bytes, int length) override
    {
        if (onData)
            onData(bytes, length);
        CStateGame::OnGameData(bytes, length);
    }
    std::function<void(const u8*, int)> onData;
    void SendLeave() override { ++leaves; }

    struct Report {
        std::vector<int> ids;
        std::vector<int> places;
        int flag = 0;
    };
    std::vector<Report> reports;
    int leaves = 0;
    int sends = 0;
    int sentBytes = 0;

private:
    int m_ownId;
    int m_endpoint;
    int m_lobbySize = 2;
    COrloPlayer m_players[2];
    CTestMatchChannel* m_channel = nullptr;
};

// Faults of the channel, each a chance per message (0..1).
struct CTestFaults {
    double loss = 0.0;
    double duplicate = 0.0;
    double reorder = 0.0;
    double delay = 0.0;
    int maxDelayTicks = 20; // a delayed or repeated copy arrives within this many ticks
};

class CTestMatchChannel {
public:
    CTestMatchChannel(CTestMatchGame* a, CTestMatchGame* b, unsigned seed = 1)
        : m_seed(seed), m_random(seed)
    {
        m_games[0] = a;
        m_games[1] = b;
        a->SetChannel(this);
        b->SetChannel(this);
    }
    void SetFaults(const CTestFaults& faults) { m_faults = faults; }
    unsigned GetSeed() const { return m_seed; }
    // "seed N": the text to print beside a failure.
    std::string Describe() const { return "channel seed " + std::to_string(m_seed); }

    // From endpoint `from`: queued for the other game.
    void Send(int from, const u8* bytes, int length)
    {
        Message message;
        message.to = 1 - from;
        message.bytes.assign(bytes, bytes + length);
        message.due = m_tick;
        const bool ack = length > 0 && bytes[0] == 1;
        ++m_sent[ack ? 1 : 0];
        if (Chance(m_faults.loss)) {
            ++lost;
            return;
        }
        if (Chance(m_faults.delay)) {
            message.due += 1 + (int)(m_random() % (unsigned)m_faults.maxDelayTicks);
            ++delayed;
        }
        if (Chance(m_faults.duplicate)) {
            Message copy = message;
            copy.due += (int)(m_random() % (unsigned)m_faults.maxDelayTicks);
            m_queue.push_back(copy);
            ++duplicated;
        }
        if (Chance(m_faults.reorder) && !m_queue.empty()) {
            m_queue.insert(m_queue.end() - 1, message);
            ++reordered;
        } else {
            m_queue.push_back(message);
        }
    }
    // Hands over every message that is due, in queue order.
    void Tick()
    {
        ++m_tick;
        std::deque<Message> later;
        while (!m_queue.empty()) {
            Message message = m_queue.front();
            m_queue.pop_front();
            if (message.due > m_tick) {
                later.push_back(message);
                continue;
            }
            ++delivered;
            m_games[message.to]->OnGameData(message.bytes.data(), (int)message.bytes.size());
        }
        for (auto& message : later)
            m_queue.push_back(message);
    }
    bool IsIdle() const { return m_queue.empty(); }
    int GetSentData() const { return m_sent[0]; }

    int lost = 0;
    int duplicated = 0;
    int reordered = 0;
    int delayed = 0;
    int delivered = 0;

private:
    struct Message {
        int to = 0;
        std::vector<u8> bytes;
        long due = 0;
    };
    bool Chance(double p) { return p > 0.0 && (m_random() % 1000000u) < p * 1000000.0; }

    unsigned m_seed;
    std::mt19937 m_random;
    CTestFaults m_faults;
    CTestMatchGame* m_games[2];
    std::deque<Message> m_queue;
    long m_tick = 0;
    int m_sent[2] = {0, 0};
};

inline void CTestMatchGame::SendGameData(const u8* bytes, int length, int a, int b)
{
    (void)a;
    (void)b;
    ++sends;
    sentBytes += length;
    if (m_channel)
        m_channel->Send(m_endpoint, bytes, length);
}

} // namespace vtest
