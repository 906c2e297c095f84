// CVexPlayer: the record of one squib in a battlefield scene: its body, health, name and
// colour, its projectile slots, the weapon and shop items, aim and whip state, round wins and
// time-out strikes, and the values the scene's drawing animates. Plain data, read and written
// directly by the scene, the battle and the match message handlers.
#pragma once
#include "engine/VortanArray.h"
#include "engine/VortanColor.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "engine/VortanVector.h"
#include "game/VexPhysicsBody.h"

class CVexProjectile;
class CVortanSurface;

// Projectile slots and damage numbers of a squib.
#define VEX_PLAYER_SLOTS 32

// Weapons.
enum {
    VEX_WEAPON_JUMP = 0,
    VEX_WEAPON_BOMB = 1,
    VEX_WEAPON_STICKY = 2,
    VEX_WEAPON_WHIP = 3,
    VEX_WEAPON_SNOW = 4,
    VEX_WEAPON_CLUSTER = 5
};

class CVexPlayer {
public:
    // The initial values: in play, health 100, weapon 1 (bomb), name "Player", zoom 0.6,
    // white, no body, empty slots and block lists.
    CVexPlayer();

    void SetLookAt(CVexPhysicsBody* body) { lookAt = body; }
    // The projectile in slot 0..31; null for an empty slot or a slot outside that range.
    CVexProjectile* GetSlot(int slot) const;
    // The slot counter, which then advances modulo 32.
    int NextSlot();
    // Clears every item field, from the hat image through the bomb item (the images belong
    // to their owners).
    void ResetItems();
    // Faces the look-at body: the angle of the direction to it, in degrees 0..360, and the
    // frame 0..7 of the eight directions. Nothing without a look-at body or own body.
    void UpdateFacing();

    u32 inPlay;
    u32 inWater;
    i32 strikes; // time-out strikes left
    float labelRise;
    i32 damageNumbers[VEX_PLAYER_SLOTS];
    CVexProjectile* slots[VEX_PLAYER_SLOTS]; // owned by the scene
    u32 showDamage;
    CVortanVector2 labelAnchor;
    i32 slotCounter;
    float firePulse;
    CVortanSurface* hatImage;
    i32 hatValue;
    i32 hatItem;
    i32 hatPackValues[2];
    u32 hasHat;
    u32 hasBattleground;
    i32 battlegroundPackB;
    i32 battlegroundItem;
    i32 battlegroundPackA;
    u32 bombUsed;
    u32 snowBombOwned;
    u32 clusterBombOwned;
    i32 bombItem;
    i32 playerId; // the online player's identifier
    u32 weapon;   // VEX_WEAPON_*
    CVortanVector2 aim;
    CVortanVector2 stretch;
    CVortanVector2 whipBase;
    CVortanVector2 labelSize;
    CVortanVector2 whipOffset;
    float zoom;
    float squashLowest;
    float squashHighest;
    u32 stretching;
    u32 whip;
    u32 whipStruck;
    float whipPhase; // radians
    u32 aiming;
    CVortanString name;
    i32 health;
    i32 facingFrame;   // 0..7
    float facingAngle; // degrees 0..360
    u8 roundWins;
    u8 index; // the player's side, 0 or 1
    u8 reserved[2];
    i32 extra[3]; // extra[1] is the Ready flag
    CVortanColor colour;
    CVexPhysicsBody* body;
    CVexPhysicsBody* lookAt;
    CVexPhysicsBodyDesc bodyDesc;
    CVortanArray<int> above; // ids of the blocks above the squib
    CVortanArray<int> below; // ids of the blocks below it

private:
    CVexPlayer(const CVexPlayer&) = delete;
    CVexPlayer& operator=(const CVexPlayer&) = delete;
};
