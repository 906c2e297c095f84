// CVexStateDump: composing and writing the game's state dump, and the battle digest.
//
// The dump is plain text, one "key value..." line each, in this order; a line whose subject
// does not exist is left out. World points are written with nine significant digits (they read
// back to the same float); screen points are whole pixels of the game's view, y down, the
// coordinates a pointer event there carries.
//
//   frame <n>                  with ORLO_DUMP_FRAMES set only: frames composed since the
//   steps <n>                  start, and the game's steps run since its start (its clock, in
//                              steps of VEX_STEP_MS); every frame is then written
//   screens <name>...          the active screens in activation order: menu, edit, play,
//                              connecting, intro, training
//   view <width> <height>      the view in pixels
//   touch_downs <n>            fingers the game's steps have seen going down so far (a tap
//                              that goes down and up between two steps is not seen)
//   touch0 <x> <y> <0|1>       the first finger as the last step saw it: its point and
//                              whether it was down (an aim is taken from that point)
// With a battle screen:
//   local_side <0|1>           the side this device plays
//   turn_side <0|1>            the side whose turn it is
//   round_state <n>            the battle's round state (VEX_ROUND_*)
//   turn_active <0|1>          the turn's clock runs (the start's count is over): the
//                              player of the turn may aim
//   training <0|1>             against the computer
//   level <n>                  the battle's level
//   game_over <0|1> winner <n> the match is over; its winner side (VEX_WINNER_DRAW a draw)
//   ended left <0|1> timed_out <0|1> leaving <0|1> confirm <0|1>
//                              how it ended: the opponent left, time-out strikes; this
//                              side leaves (its own leave or a lost connection); the exit
//                              confirmation is open
//   banner <main> <how> reason <n>
//                              the result banner's language texts (-1 none): its main line
//                              and the line saying how the match ended; the GameOver's
//                              reason (-1 before one)
//   squib<side>_world <x> <y>  the squib's body as the battle shows it (during a
//                              fast-forwarded shot, the position still on the screen)
//   squib<side>_screen <x> <y> the same point on the screen, rounded to a pixel, halves up
//   player<side> health <n> strikes <n> hat <item> <0|1>
//                              the squib's health, its time-out strikes left, the item of its
//                              hat (0 without) and whether the hat's picture is loaded
//   battleground<side> <item>  the battleground the side brought, with its pictures loaded
//   aim<side> <aiming> <stretching> <x> <y>
//                              the squib's aim as drawn: being aimed, stretched, and the aim
//                              vector (world units, four decimals)
//   projectile <side> <slot> <type> <x> <y>
//                              each projectile on the shown scene (none on the saved scene
//                              a fast-forward shows) and its point on the screen
//   camera <x> <y> <zoom>      the world point at the view's centre, and the zoom, to four
//                              decimals (well below a pixel; the easing view's last tiny
//                              steps do not count as changes)
//   fps <n>                    frames drawn in the last whole second
//   shots <n>                  shot playbacks ended in this battle
//   bubble <text>              a chat bubble on the screen, one line each (its text as shown)
//   digest <text>              the battle digest (VexBattleDigest) taken the moment the last
//                              playback ended; left out before the first
// Without a battle screen (a test seam: a match's end stays readable after its battle has
// given way to the menu):
//   last_<line>                each of the lines above as the battle's last frame gave them,
//                              when its match was over by then
// With the story intro:
//   intro_strip <x>            the left edge of the strip's first picture, whole pixels
// With the training picker:
//   picker_message <seconds>   what is left of its message's time (the hint, the completion
//                              message), three decimals; -1.000 once none shows
// With any screen that has touch buttons (menu, battle, training, intro, connecting):
//   gamebutton <id> <image> <left> <top> <right> <bottom>
//                              a visible button of the screen (locked ones too): its image's
//                              index and the square its picture is drawn in at rest (without
//                              its press and bobbing, which move it by a few pixels), whole
//                              pixels
// With the renderer:
//   gametext <left> <top> <right> <bottom> <aarrggbb> <text>
//                              each text the game drew in the last frame, where its glyphs lie
//                              (before the outline) and its colour, line breaks as spaces
// Then the lines of each registered section, in registration order; last, in the dump written
// as the process stops itself for a freeze text (see VexStateDump.h):
//   frozen <n> <number>...     the process's n-th stop, for the texts that just appeared
#include "game/VexStateDump.h"

#include <errno.h>
#include <fcntl.h>
#include <math.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>

#include "engine/VortanFile.h"
#include "game/StateGame.h"
#include "game/VexBlockList.h"
#include "game/VexButton.h"
#include "game/VexButtonManager.h"
#include "game/VexCamera.h"
#include "game/VexChatBubbles.h"
#include "game/VexConnectingState.h"
#include "game/VexIntroState.h"
#include "game/VexMenuState.h"
#include "game/VexPhysicsBody.h"
#include "game/VexPlayState.h"
#include "game/VexPlayer.h"
#include "game/VexProjectile.h"
#include "game/VexRenderer.h"
#include "game/VexScene.h"
#include "game/VexTrainingState.h"
#include "platform/OrloLanguage.h"

namespace {

struct Section {
    VexDumpSection function;
    void* context;
};

Section g_sections[VEX_DUMP_MAX_SECTIONS];

const char* const kScreenNames[VEX_STATE_COUNT] = {"menu",       "edit",  "play",
                                                   "connecting", "intro", "training"};

void Bits(std::string& out, float value)
{
    u32 bits;
    memcpy(&bits, &value, sizeof bits);
    char text[16];
    snprintf(text, sizeof text, "%08x ", bits);
    out += text;
}

void Int(std::string& out, long long value)
{
    out += std::to_string(value);
    out += ' ';
}

void Line(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

void Line(std::string& out, const char* format, ...)
{
    char text[256];
    va_list args;
    va_start(args, format);
    const int n = vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n > 0)
        out.append(text, (size_t)n < sizeof text ? (size_t)n : sizeof text - 1);
    out += '\n';
}

} // namespace

void VexBattleDigest(CVexPlayState* battle, std::string& out)
{
    CVexScene* scene = battle->GetLiveScene();
    Int(out, battle->GetTurnSide());
    Int(out, battle->GetWinner());
    Int(out, battle->IsGameOver());
    for (int side = 0; side < 2; ++side) {
        const CVexPlayer& p = scene->GetPlayer(side);
        out += "| ";
        Int(out, p.roundWins);
        Int(out, p.inPlay);
        Int(out, p.health);
        if (p.body) {
            Bits(out, p.body->position.x);
            Bits(out, p.body->position.y);
            Bits(out, p.body->velocity.x);
            Bits(out, p.body->velocity.y);
        }
        for (int slot = 0; slot < VEX_PLAYER_SLOTS; ++slot) {
            const CVexProjectile* projectile = p.slots[slot];
            if (!projectile)
                continue;
            out += "s";
            Int(out, slot);
            Int(out, projectile->type);
            if (projectile->body) {
                Bits(out, projectile->body->position.x);
                Bits(out, projectile->body->position.y);
                Bits(out, projectile->body->velocity.x);
                Bits(out, projectile->body->velocity.y);
            }
        }
    }
    CVexBlockList* blocks = scene->GetBlocks();
    out += "| ";
    for (int i = 0; i < blocks->GetCount(); ++i) {
        const CVexBlock* block = blocks->GetAt(i);
        // A pending change (a freeze) counts as made: the two copies take it at the same
        // step, but one may end its playback a few steps sooner and be seen before it.
        out += "b";
        Int(out, block->id);
        Int(out, block->shape);
        Int(out, block->pending ? block->pendingMaterial : block->material);
        Int(out, block->pending ? block->pendingVariant : block->variant);
        Int(out, block->layer);
        Int(out, block->pending ? block->pendingHitPoints : block->hitPoints);
        if (block->body) {
            Bits(out, block->body->position.x);
            Bits(out, block->body->position.y);
        }
    }
}

// --- the sections ---------------------------------------------------------------------------

int CVexStateDump::AddSection(VexDumpSection section, void* context)
{
    if (!section)
        return VORTAN_E_ARGUMENT;
    for (const Section& s : g_sections)
        if (s.function == section && s.context == context)
            return VORTAN_OK;
    for (Section& s : g_sections)
        if (!s.function) {
            s.function = section;
            s.context = context;
            return VORTAN_OK;
        }
    return VORTAN_E_RANGE;
}

void CVexStateDump::RemoveSection(VexDumpSection section, void* context)
{
    for (Section& s : g_sections)
        if (s.function == section && s.context == context) {
            s.function = nullptr;
            s.context = nullptr;
        }
}

// --- the dump -------------------------------------------------------------------------------

const char* CVexStateDump::PathFromEnvironment()
{
    const char* path = getenv("ORLO_STATE_DUMP");
    return path && path[0] ? path : nullptr;
}

std::vector<int> CVexStateDump::FreezeTextsFromEnvironment()
{
    std::vector<int> texts;
    const char* list = getenv("ORLO_FREEZE_TEXTS");
    if (!list)
        return texts;
    const char* p = list;
    while (*p && texts.size() < 64) {
        int number = 0, digits = 0;
        while (*p >= '0' && *p <= '9' && digits < 5) {
            number = number * 10 + (*p - '0');
            ++digits;
            ++p;
        }
        const bool whole = digits > 0 && digits < 5 && (*p == ',' || *p == 0);
        while (*p && *p != ',')
            ++p;
        if (*p == ',')
            ++p;
        if (whole)
            texts.push_back(number);
    }
    return texts;
}

int CVexStateDump::FrameLinesFromEnvironment()
{
    const char* on = getenv("ORLO_DUMP_FRAMES");
    return on && on[0] == '1' ? 1 : 0;
}

CVexStateDump::CVexStateDump(const char* path)
    : m_path(path ? path : ""), m_writes(0), m_freezeTexts(FreezeTextsFromEnvironment()),
      m_freezes(0), m_stopHook(nullptr), m_stopContext(nullptr), m_frames(0),
      m_frameLines(FrameLinesFromEnvironment())
{}

CVexStateDump::~CVexStateDump() {}

void CVexStateDump::Frame(CStateGame* game)
{
    ++m_frames;
    std::string text;
    Compose(game, text);
    std::vector<int> appeared;
    FreezeTextsAppeared(game, appeared);
    if (!appeared.empty()) {
        char word[16];
        snprintf(word, sizeof word, "%u", m_freezes + 1);
        text += "frozen ";
        text += word;
        for (int number : appeared) {
            snprintf(word, sizeof word, " %d", number);
            text += word;
        }
        text += '\n';
    }
    if (m_writes > 0 && text == m_last)
        return;
    if (Write(text) == VORTAN_OK) {
        m_last.swap(text);
        ++m_writes;
        if (!appeared.empty()) {
            // The frame the texts appeared in is on the screen: it was presented before this
            // frame began.
            ++m_freezes;
            Stop();
        }
    }
}

void CVexStateDump::Stop()
{
    if (m_stopHook)
        m_stopHook(m_stopContext);
    else
        raise(SIGSTOP);
}

void CVexStateDump::FreezeTextsAppeared(CStateGame* game, std::vector<int>& appeared)
{
    if (m_freezeTexts.empty())
        return;
    // Compose has turned the renderer's text log on.
    CVexRenderer* renderer = game->GetRenderer();
    COrloLanguage* language = game->GetLanguageObject();
    std::vector<int> opaque;
    if (renderer && language) {
        std::vector<std::string> drawn;
        for (const CVexRenderer::TextRecord& t : renderer->GetTextLog())
            if ((t.colour >> 24) == 0xFFu)
                drawn.push_back(VortanUTF8Of(t.text));
        for (int number : m_freezeTexts) {
            const std::string wanted = VortanUTF8Of(language->GetText(number));
            if (!wanted.empty() && std::find(drawn.begin(), drawn.end(), wanted) != drawn.end())
                opaque.push_back(number);
        }
    }
    for (int number : opaque)
        if (std::find(m_opaqueBefore.begin(), m_opaqueBefore.end(), number) == m_opaqueBefore.end())
            appeared.push_back(number);
    m_opaqueBefore.swap(opaque);
}

void CVexStateDump::Compose(CStateGame* game, std::string& out)
{
    if (m_frameLines)
        Line(out, "frame %u\nsteps %u", m_frames, game->GetStepsTotal());
    out += "screens";
    for (int i = 0; i < game->GetActiveCount(); ++i) {
        const int type = game->GetActive(i)->GetTypeId();
        out += ' ';
        out += type >= 0 && type < VEX_STATE_COUNT ? kScreenNames[type] : "other";
    }
    out += '\n';
    if (CVexRenderer* renderer = game->GetRenderer())
        Line(out, "view %d %d", (int)renderer->GetViewWidth(), (int)renderer->GetViewHeight());
    Line(out, "touch_downs %u", game->GetTouchTable().GetDownCount());
    {
        // Refreshed by each step: the point and state the step saw.
        const CVexTouchPoint& finger = game->GetTouchTable().Get(0);
        Line(out, "touch0 %d %d %d", (int)lroundf(finger.previous.x),
             (int)lroundf(finger.previous.y), finger.wasPressed ? 1 : 0);
    }
    if (CVexPlayState* battle = game->GetBattle())
        ComposeBattle(game, battle, out);
    else
        out += m_lastEnd;
    for (int i = 0; i < game->GetActiveCount(); ++i) {
        if (CVexIntroState* intro = dynamic_cast<CVexIntroState*>(game->GetActive(i)))
            Line(out, "intro_strip %d", (int)lroundf(intro->GetPanelLeft(0)));
        if (CVexTrainingState* picker = dynamic_cast<CVexTrainingState*>(game->GetActive(i)))
            Line(out, "picker_message %.3f", (double)picker->GetMessageTime());
    }
    ComposeButtons(game, out);
    ComposeTexts(game, out);
    for (const Section& s : g_sections)
        if (s.function)
            s.function(s.context, out);
}

void CVexStateDump::ComposeBattle(CStateGame* game, CVexPlayState* battle, std::string& out)
{
    if (!battle->GetPlaybackHook()) {
        // A new battle: its shots' digests from now on.
        battle->SetPlaybackHook(&CVexStateDump::OnPlayback, this);
        m_shotDigest.clear();
    }
    const size_t first = out.size();
    Line(out, "local_side %d", battle->GetLocalSide());
    Line(out, "turn_side %d", battle->GetTurnSide());
    Line(out, "round_state %d", battle->GetRoundState());
    Line(out, "turn_active %d", battle->IsTurnActive() ? 1 : 0);
    Line(out, "training %d", battle->IsTraining() ? 1 : 0);
    Line(out, "level %d", battle->GetLevelIndex());
    Line(out, "game_over %d winner %d", battle->IsGameOver() ? 1 : 0, battle->GetWinner());
    Line(out, "ended left %d timed_out %d leaving %d confirm %d", battle->IsOpponentGone() ? 1 : 0,
         battle->IsTimedOut() ? 1 : 0, battle->IsLeaveRequested() ? 1 : 0,
         battle->IsExitConfirmationShown() ? 1 : 0);
    int bannerMain = -1, bannerHow = -1;
    battle->GetResultBanner(bannerMain, bannerHow);
    Line(out, "banner %d %d reason %d", bannerMain, bannerHow, battle->GetEndReason());

    CVexScene* shown =
        battle->IsFastForwarding() ? battle->GetSnapshotScene() : battle->GetLiveScene();
    CVexRenderer* renderer = game->GetRenderer();
    if (shown && renderer) {
        const CVexCamera& camera = renderer->GetCamera();
        for (int side = 0; side < 2; ++side) {
            const CVexPlayer& p = shown->GetPlayer(side);
            if (!p.body)
                continue;
            CVortanVector2 at;
            camera.WorldToScreen(p.body->position, at);
            int x = 0, y = 0;
            CVexCamera::RoundToNearest(at.x, x);
            CVexCamera::RoundToNearest(at.y, y);
            Line(out, "squib%d_world %.9g %.9g", side, (double)p.body->position.x,
                 (double)p.body->position.y);
            Line(out, "squib%d_screen %d %d", side, x, y);
            Line(out, "player%d health %d strikes %d hat %d %d", side, (int)p.health,
                 (int)p.strikes, p.hasHat ? (int)p.hatItem : 0, p.hatImage ? 1 : 0);
            Line(out, "bomb%d snow %d cluster %d used %d weapon %d", side, (int)p.snowBombOwned,
                 (int)p.clusterBombOwned, (int)p.bombUsed, (int)p.weapon);
            if (p.hasBattleground)
                Line(out, "battleground%d %d", side, p.battlegroundItem);
            Line(out, "aim%d %d %d %.4f %.4f", side, p.aiming ? 1 : 0, p.stretching ? 1 : 0,
                 (double)p.aim.x, (double)p.aim.y);
            for (int slot = 0; slot < VEX_PLAYER_SLOTS; ++slot) {
                const CVexProjectile* projectile = p.slots[slot];
                if (!projectile || !projectile->body)
                    continue;
                camera.WorldToScreen(projectile->body->position, at);
                CVexCamera::RoundToNearest(at.x, x);
                CVexCamera::RoundToNearest(at.y, y);
                Line(out, "projectile %d %d %d %d %d", side, slot, (int)projectile->type, x, y);
            }
        }
        int ice = 0;
        for (int i = 0; i < shown->GetBlocks()->GetCount(); ++i)
            ice += shown->GetBlocks()->GetAt(i)->material == VEX_MATERIAL_ICE ? 1 : 0;
        Line(out, "ice_blocks %d", ice);
        CVortanVector2 centre;
        camera.ScreenToWorld(camera.GetHalfScreen(), centre);
        Line(out, "camera %.4f %.4f %.4f", (double)centre.x, (double)centre.y,
             (double)camera.GetZoom());
    }
    Line(out, "fps %d", game->GetFramesLastSecond());
    Line(out, "shots %d", battle->GetPlaybackCount());
    Line(out, "cluster_pieces %d drowned %d", battle->GetPiecesPlayed(),
         battle->GetProjectilesDrowned());
    if (CVexButton* eight =
            battle->GetButtons() ? battle->GetButtons()->FindButton(VEX_BTN_SHOP_BOMB) : nullptr)
        Line(out, "button8 image %d locked %d", eight->imageId, eight->locked);
    if (CVexChatBubbles* bubbles = game->GetChatBubbles())
        for (int i = 0; i < bubbles->GetCount(); ++i) {
            const CVexBubble* bubble = bubbles->GetAt(i);
            if (!bubble || !bubble->text)
                continue;
            std::string text = VortanUTF8Of(*bubble->text);
            for (char& c : text)
                if (c == '\n' || c == '\r')
                    c = ' ';
            out += "bubble ";
            out += text;
            out += '\n';
        }
    if (!m_shotDigest.empty()) {
        out += "digest ";
        out += m_shotDigest;
        out += '\n';
    }
    m_lastEnd.clear();
    if (battle->IsGameOver())
        for (size_t at = first; at < out.size();) {
            const size_t end = std::min(out.find('\n', at), out.size() - 1) + 1;
            m_lastEnd += "last_";
            m_lastEnd.append(out, at, end - at);
            at = end;
        }
}

void CVexStateDump::ComposeButtons(CStateGame* game, std::string& out)
{
    for (int i = 0; i < game->GetActiveCount(); ++i) {
        CVexState* state = game->GetActive(i);
        CVexButtonManager* buttons = nullptr;
        if (CVexPlayState* s = dynamic_cast<CVexPlayState*>(state))
            buttons = s->GetButtons();
        else if (CVexMenuState* s = dynamic_cast<CVexMenuState*>(state))
            buttons = s->GetButtons();
        else if (CVexTrainingState* s = dynamic_cast<CVexTrainingState*>(state))
            buttons = s->GetButtons();
        else if (CVexIntroState* s = dynamic_cast<CVexIntroState*>(state))
            buttons = s->GetButtons();
        else if (CVexConnectingState* s = dynamic_cast<CVexConnectingState*>(state))
            buttons = s->GetButtons();
        if (!buttons)
            continue;
        for (int k = 0; k < buttons->GetButtonCount(); ++k) {
            const CVexButton* b = buttons->GetButton(k);
            if (!b || !b->visible)
                continue;
            const float hx = b->halfSize.x, hy = b->halfSize.y;
            const float cx = b->centre.x, cy = b->centre.y;
            Line(out, "gamebutton %d %d %d %d %d %d", (int)b->id, (int)b->imageId,
                 (int)lroundf(cx - hx), (int)lroundf(cy - hy), (int)lroundf(cx + hx),
                 (int)lroundf(cy + hy));
        }
    }
}

void CVexStateDump::ComposeTexts(CStateGame* game, std::string& out)
{
    CVexRenderer* renderer = game->GetRenderer();
    if (!renderer)
        return;
    renderer->SetTextLog(true);
    for (const CVexRenderer::TextRecord& t : renderer->GetTextLog()) {
        std::string text = VortanUTF8Of(t.text);
        for (char& c : text)
            if (c == '\n' || c == '\r')
                c = ' ';
        char head[96];
        snprintf(head, sizeof head, "gametext %d %d %d %d %08x ", t.left, t.top, t.right, t.bottom,
                 (unsigned)t.colour);
        out += head;
        out += text;
        out += '\n';
    }
}

void CVexStateDump::OnPlayback(CVexPlayState* battle, void* context)
{
    CVexStateDump* dump = static_cast<CVexStateDump*>(context);
    dump->m_shotDigest.clear();
    VexBattleDigest(battle, dump->m_shotDigest);
}

int CVexStateDump::Write(const std::string& text)
{
    if (m_path.empty())
        return VORTAN_E_ARGUMENT;
    return CVortanFile::WriteReplacing(m_path.c_str(), text.data(), text.size(), false);
}
