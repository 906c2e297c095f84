// CVexPlayer: initial values, slots, items and facing.
#include "game/VexPlayer.h"

CVexPlayer::CVexPlayer()
    : inPlay(1), inWater(0), strikes(0), labelRise(0.0f), showDamage(0), labelAnchor(0.0f, 0.0f),
      slotCounter(0), firePulse(0.0f), hatImage(nullptr), hatValue(0), hatItem(0), hasHat(0),
      hasBattleground(0), battlegroundPackB(0), battlegroundItem(0), battlegroundPackA(0),
      bombUsed(0), snowBombOwned(0), clusterBombOwned(0), bombItem(0), playerId(0),
      weapon(VEX_WEAPON_BOMB), aim(0.0f, 0.0f), stretch(0.0f, 0.0f), whipBase(0.0f, 0.0f),
      labelSize(0.0f, 0.0f), whipOffset(0.0f, 0.0f), zoom(0.6f), squashLowest(0.0f),
      squashHighest(0.0f), stretching(0), whip(0), whipStruck(0), whipPhase(0.0f), aiming(0),
      name("Player"), health(100), facingFrame(0), facingAngle(0.0f), roundWins(0), index(0),
      colour(1.0f, 1.0f, 1.0f, 1.0f), body(nullptr), lookAt(nullptr)
{
    for (int i = 0; i < VEX_PLAYER_SLOTS; ++i) {
        damageNumbers[i] = 0;
        slots[i] = nullptr;
    }
    hatPackValues[0] = hatPackValues[1] = 0;
    reserved[0] = reserved[1] = 0;
    extra[0] = extra[1] = extra[2] = 0;
    bodyDesc.kind = 0;
    bodyDesc.group = 0;
    bodyDesc.restitution = 0.0f;
    bodyDesc.friction = 0.0f;
    above.RemoveAll();
    below.RemoveAll();
}

CVexProjectile* CVexPlayer::GetSlot(int slot) const
{
    if (slot < 0 || slot >= VEX_PLAYER_SLOTS)
        return nullptr;
    return slots[slot];
}

int CVexPlayer::NextSlot()
{
    int slot = slotCounter;
    if (slot < 0 || slot >= VEX_PLAYER_SLOTS)
        slot = 0;
    slotCounter = (slot + 1) % VEX_PLAYER_SLOTS;
    return slot;
}

void CVexPlayer::ResetItems()
{
    hatImage = nullptr;
    hatValue = 0;
    hatItem = 0;
    hatPackValues[0] = hatPackValues[1] = 0;
    hasHat = 0;
    hasBattleground = 0;
    battlegroundPackB = 0;
    battlegroundItem = 0;
    battlegroundPackA = 0;
    bombUsed = 0;
    snowBombOwned = 0;
    clusterBombOwned = 0;
    bombItem = 0;
}

void CVexPlayer::UpdateFacing()
{
    if (!lookAt || !body)
        return;
    CVortanVector2 d;
    d.SetDifference(lookAt->position, body->position);
    const float pi = 3.14159265f;
    float a = d.GetAngle();
    float angle = (-pi * 0.5f - a) / pi * 180.0f;
    if (angle < 0.0f)
        angle += 360.0f;
    facingAngle = angle;
    int frame = (int)((angle + 22.5f) / 45.0f) % 8;
    facingFrame = frame < 0 ? frame + 8 : frame;
}
