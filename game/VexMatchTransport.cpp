// CVexPlayState: the match transport: a stop-and-wait sender with one message in flight and a
// 10 s resend, acknowledgements, the receiver's window of seen numbers, and the scheduler that
// releases timed messages at their game times.
#include <string.h>

#include "game/StateGame.h"
#include "game/VexPlayState.h"
#include "game/VexRenderer.h"
#include "game/VexScene.h"

namespace {
const u32 kResendMs = 10000;
const int kWindow = 100;
// Acknowledgements waiting for a record; more than this and the oldest go.
const int kAckCap = 64;

int KnownType(int type)
{
    static const u8 kTypes[] = {5,  6,  7,  8,  9,  10, 11, 12, 15, 21, 22, 23, 25, 26, 27,
                                28, 29, 30, 31, 32, 33, 40, 41, 43, 45, 50, 70, 71, 77};
    for (u8 t : kTypes)
        if (t == type)
            return 1;
    return 0;
}
} // namespace

void CVexPlayState::SendMessage(CVexMessage* record)
{
    if (m_training || !record)
        return;
    m_game->SendGameData(record->payload, (int)record->size, 0, 0);
    m_lastSendTime = m_game->GetTimerMs();
    if (record->type == VEX_MSG_GAME_OVER)
        m_gameOverSent = 1;
    m_bytesSent += record->size;
}

void CVexPlayState::SendPump()
{
    if (m_training) {
        m_out->Clear();
        m_acks->Clear();
        return;
    }
    for (;;) {
        CVexMessage* front = m_out->Peek();
        if (!front) {
            m_acks->Clear();
            return;
        }
        CVexMessageHeader frontHeader;
        if (VexReadHeader(front->payload, front->size, frontHeader) != VORTAN_OK) {
            delete m_out->Pop();
            continue;
        }
        int match = -1;
        for (int i = 0; i < m_acks->Count() && match < 0; ++i) {
            CVexMessageHeader ack;
            const CVexMessage* record = m_acks->At(i);
            if (VexReadHeader(record->payload, record->size, ack) == VORTAN_OK &&
                ack.seq == frontHeader.seq)
                match = i;
        }
        if (match < 0) {
            i32 since = (i32)(m_game->GetTimerMs() - m_lastSendTime);
            if (since < 0)
                since = 0;
            if ((u32)since > kResendMs)
                SendMessage(front);
            // Unmatched acknowledgements are kept for a while, not without end.
            while (m_acks->Count() > kAckCap)
                delete m_acks->Pop();
            return;
        }
        delete m_out->Pop();
        CVexMessage* ack = m_acks->At(match);
        m_acks->RemoveAt(match);
        delete ack;
        if (CVexMessage* next = m_out->Peek())
            SendMessage(next);
    }
}

void CVexPlayState::ReceiveGameData(const u8* bytes, int length)
{
    if (!bytes || length < VEX_MSG_HEADER_SIZE || length > VEX_GAME_DATA_LIMIT || !m_execution)
        return;
    m_bytesReceived += (u32)length;
    CVexMessageHeader header;
    VexReadHeader(bytes, (u32)length, header);
    const int type = bytes[0];
    if (type == VEX_MSG_ACK) {
        m_acks->Push(type, bytes, VEX_MSG_HEADER_SIZE, 0);
        return;
    }
    u8 ack[VEX_MSG_HEADER_SIZE];
    VexWriteHeader(ack, VEX_MSG_ACK, header.seq, -1);
    auto acknowledge = [&]() {
        if (m_training)
            return;
        m_game->SendGameData(ack, VEX_MSG_HEADER_SIZE, 0, 0);
        m_bytesSent += VEX_MSG_HEADER_SIZE;
    };
    if (!KnownType(type)) {
        acknowledge();
        return;
    }
    // A known type cut shorter than its size is acknowledged and dropped.
    const u32 need = type == VEX_MSG_BATCH ? (u32)VEX_BATCH_HEADER_SIZE + 2 : VexMessageSize(type);
    if ((u32)length < need) {
        acknowledge();
        return;
    }
    if (header.executeAt < -1)
        return;
    for (int i = 0; i < m_seen.GetSize(); ++i)
        if ((u32)m_seen[i] == header.seq) {
            acknowledge();
            return;
        }
    while (m_seen.GetSize() > kWindow)
        m_seen.RemoveAt(0);
    CVexMessageQueue* target = header.executeAt == -1 ? m_execution : m_scheduled;
    CVexMessage* record = target->Push(type, bytes, (u32)length, 0);
    if (record)
        record->executeAt = header.executeAt;
    m_seen.SetAtGrow(m_seen.GetSize(), (i32)header.seq);
    ++m_accepted;
    acknowledge();
}

void CVexPlayState::ReleaseScheduledMessages()
{
    m_highestExecuteAt = 0;
    const int now = m_game->GetGameClock();
    for (int i = 0; i < m_scheduled->Count();) {
        CVexMessage* record = m_scheduled->At(i);
        CVexMessageHeader header;
        if (VexReadHeader(record->payload, record->size, header) != VORTAN_OK) {
            m_scheduled->RemoveAt(i);
            delete record;
            continue;
        }
        if (header.executeAt > m_highestExecuteAt)
            m_highestExecuteAt = header.executeAt;
        if (header.executeAt <= now) {
            m_execution->Push(record->type, record->payload, record->size, 0);
            m_scheduled->RemoveAt(i);
            delete record;
            continue;
        }
        ++i;
    }
    if (m_scheduled->HasRecords() || m_playbackDone)
        return;
    m_playbackEndPending = 1;
    if (m_roundState == VEX_ROUND_OWN_TURN) {
        m_playbackDone = 1;
        if (!m_training)
            m_cameraReturn = 1;
        m_bannerFade = 512.0f;
        if (Player(0).inPlay && Player(1).inPlay && m_turnSide == m_localSide) {
            if (!m_training && Player(m_opponent).body) {
                m_renderer->GetCamera().FollowBody(Player(m_opponent).body);
                m_renderer->GetCamera().SetTargetZoom(Player(m_localSide).zoom);
            }
        } else {
            m_cameraReturn = 0;
            m_bannerFade = 0.0f;
        }
    } else {
        PostPlaybackDone();
    }
}
