// CVexAssetTables: the rows of the asset tables.
#include "game/VexAssetTables.h"

namespace {

const char* const kImages[VEX_IMAGE_COUNT] = {
    "foo_0.png",
    "squibtitlesquib.jpg",
    "squibloader.png",
    "background_battle.png",
    "background_unique.png",
    "player0_animations.png",
    "player1_animations.png",
    "player_background.png",
    "muteoff.png",
    "muteon.png",
    "player0_stretch.png",
    "player1_stretch.png",
    "exits.png",
    "edit.png",
    "help.png",
    "helper.png",
    "training.png",
    "fb_button.png",
    "projectile_red.png",
    "projectile_blue.png",
    "projectile_sticky.png",
    "projectile_snowball.png",
    "bomb_snow.png",
    "bomb_cluster.png",
    "bomb_none.png",
    "explosion.png",
    "confirmation_yes.png",
    "confirmation_no.png",
    "timer_squib.png",
    "blockstyle01.png",
    "blockstyle02.png",
    "blockstyle03.png",
    "blockstyle04.png",
    "Texture_Paper01.png",
    "Texture_Paper02.png",
    "Texture_Paper03.png",
    "Texture_Metal01.png",
    "Texture_Metal02.png",
    "Texture_Metal03.png",
    "Texture_Ice01.png",
    "Texture_Ice02.png",
    "Texture_Ice03.png",
    "Texture_Bounce01.png",
    "Texture_Bounce02.png",
    "Texture_Bounce03.png",
    "water_base.png",
    "waves.png",
    "particle_star.png",
    "particle_dot.png",
    "shadow.png",
    "jump_00.png",
    "bomb_00.png",
    "whip_00.png",
    "jump_01.png",
    "bomb_01.png",
    "whip_01.png",
    "bomb_sticky.png",
    "intro.png",
    "credits.png",
    "volumebackgroundz.png",
    "volumezlider.png",
    "nextround.png",
    "marker.png",
    "chatbubble.png",
    "chatbubble_pointer.png",
    "chatbutton.png",
    "training_scene.png",
    "training_restart.png",
    "zoom_bar.png",
    "zoom_indicator.png",
};

const char* const kSounds[VEX_SOUND_COUNT] = {
    "buttondown.wav",        "buttonup.wav",          "ammunta01.wav",
    "ammus_pomppu01.wav",    "ammus_veteen01.wav",    "explosio01.wav",
    "hyppy01.wav",           "pelaaja_pomppu01.wav",  "pelaaja_veteen01.wav",
    "venytys01.wav",         "squibwhip.wav",         "startgame.wav",
    "wingame.wav",           "losegame.wav",          "tiegame.wav",
    "timeralert.wav",        "timerend.wav",          "ambient_common_00.wav",
    "ambient_common_01.wav", "ambient_common_02.wav", "ambient_rare_00.wav",
    "ambient_rare_01.wav",   "ambient_rare_02.wav",   "ambient_loop_00.wav",
};

const char* const kMusic[VEX_MUSIC_COUNT] = {"SquibTheme.mp3", "SquibIntro.mp3"};

// The online battlefields; a round-start record carries an index into this table.
const char* const kLevels[VEX_LEVEL_COUNT] = {
    "Balconies.scn",
    "Bridge.scn",
    "Castle.scn",
    "Cave_In.scn",
    "Farm.scn",
    "Golden_Stairs.scn",
    "Graveyard.scn",
    "Henge.scn",
    "Jungle.scn",
    "Land_Ahoy.scn",
    "Medieval_Madness.scn",
    "Old_Mill.scn",
    "Paradise.scn",
    "Piece_of_Cake.scn",
    "Pillars.scn",
    "Polis.scn",
    "Siege.scn",
    "Orlo_War.scn",
    "Tower.scn",
    "Underground.scn",
};

const char* const kPacks[VEX_PACK_COUNT] = {
    "dataEffects.dmp", "dataPlayers.dmp", "dataScenes.dmp",       "dataTextures.dmp",
    "dataUI.dmp",      "dataAudio.dmp",   "dataAmbientAudio.dmp", "dataAmbientAudio2.dmp",
    "dataIntro.dmp",
};

const char* const kGraphicsExts[VEX_GRAPHICS_EXT_COUNT] = {
    "VortanEngine OpenGL ES 2.0 Extension",
    "VortanEngine DirectX9 Extension",
    "VortanEngine DirectX11 Extension",
};

const char* const kFont = "foo.fnt";

// Half width and half height of each block shape.
const float kBlockSizes[VEX_BLOCK_SHAPE_COUNT][2] = {
    {0.05f, 0.05f}, {0.10f, 0.10f}, {0.15f, 0.15f}, {0.20f, 0.20f}, {0.25f, 0.25f}, {0.30f, 0.30f},
    {0.10f, 0.05f}, {0.15f, 0.05f}, {0.20f, 0.05f}, {0.25f, 0.05f}, {0.30f, 0.05f}, {0.05f, 0.10f},
    {0.05f, 0.15f}, {0.05f, 0.20f}, {0.05f, 0.25f}, {0.05f, 0.30f}, {0.10f, 0.15f}, {0.10f, 0.20f},
    {0.10f, 0.25f}, {0.10f, 0.30f}, {0.20f, 0.10f}, {0.20f, 0.15f}, {0.20f, 0.25f}, {0.20f, 0.30f},
    {0.30f, 0.10f}, {0.30f, 0.15f}, {0.30f, 0.20f}, {0.30f, 0.25f}, {0.15f, 0.10f}, {0.20f, 0.10f},
    {0.25f, 0.10f}, {0.30f, 0.10f}, {0.10f, 0.20f}, {0.15f, 0.20f}, {0.25f, 0.20f}, {0.30f, 0.20f},
    {0.10f, 0.30f}, {0.15f, 0.30f}, {0.20f, 0.30f}, {0.25f, 0.30f},
};

struct CreditsRow {
    const char* text;
    int key;
};

// Groups of a heading and the names under it, separated by blank rows; the key 666 marks the
// closing legal block.
const CreditsRow kCredits[VEX_CREDITS_COUNT] = {
    {"Zorbix, a game of the Zorbix team", 0},
    {"", 0},
    {"- Credits -", 10},
    {"", 0},
    {"Executive Producers", 20},
    {"Mira Castell", 20},
    {"Jonas Vey", 20},
    {"", 0},
    {"Project Manager", 30},
    {"Lena Hartwick", 30},
    {"", 0},
    {"Original Idea & Game Design", 40},
    {"Tomas Reyn", 40},
    {"Ida Sorel", 40},
    {"Paul Brandt", 40},
    {"", 0},
    {"Graphics", 50},
    {"Nora Quist", 50},
    {"", 0},
    {"Technology Director", 60},
    {"Erik Dalen", 60},
    {"", 0},
    {"Coding", 70},
    {"Sami Korte", 70},
    {"", 0},
    {"Additional Coding", 80},
    {"Vera Lind", 80},
    {"", 0},
    {"Level Design", 90},
    {"Tomas Reyn", 90},
    {"Ida Sorel", 90},
    {"Oskar Vale", 90},
    {"", 0},
    {"Sound Design by Harbour Noise Studio", 100},
    {"Kai Morrow", 100},
    {"Elsa Fenn", 100},
    {"", 0},
    {"Theme Song", 110},
    {"The Driftwood Band", 110},
    {"", 0},
    {"Testing", 120},
    {"Anna Rook", 120},
    {"Ben Hollis", 120},
    {"Carla Dunn", 120},
    {"David Park", 120},
    {"Eva Stone", 120},
    {"Felix Ward", 120},
    {"Greta Moss", 120},
    {"", 0},
    {"Special Thanks", 130},
    {"Our families", 130},
    {"Our friends", 130},
    {"Everyone who played the early builds", 130},
    {"", 0},
    {"***", 0},
    {"", 0},
    {"Orlo Social Lounge", 140},
    {"", 0},
    {"Executive Producers", 150},
    {"Hanna Brook", 150},
    {"Leo Marsh", 150},
    {"", 0},
    {"Technology", 170},
    {"Iris Falk", 170},
    {"Owen Hale", 170},
    {"", 0},
    {"Design", 180},
    {"Julia Crane", 180},
    {"Max Ferro", 180},
    {"Nina Holt", 180},
    {"Rafael Stein", 180},
    {"", 0},
    {"Graphics", 190},
    {"Tess Ober", 190},
    {"", 0},
    {"Coders", 200},
    {"Adam Kerr", 200},
    {"Bea Lund", 200},
    {"Carl Nyman", 200},
    {"Dora Voss", 200},
    {"Emil Roth", 200},
    {"", 0},
    {"Server", 210},
    {"Fred Aske", 210},
    {"Gina Lowe", 210},
    {"", 0},
    {"Build Manager", 215},
    {"Hugo Berg", 215},
    {"", 0},
    {"Web team", 220},
    {"Ines Calder", 220},
    {"Jan Oyler", 220},
    {"", 0},
    {"Pr & Marketing", 230},
    {"Karen Dale", 230},
    {"Liam Ortega", 230},
    {"Mona Pike", 230},
    {"", 0},
    {"Test lead", 240},
    {"Noah Rask", 240},
    {"", 0},
    {"Testers:", 250},
    {"The Orlo staff, their families and friends", 250},
    {"", 0},
    {"Thank you all!", 260},
    {"", 0},
    {"Developed and published by the Zorbix team", 666},
    {"Zorbix and Orlo are trademarks of their owners.", 666},
    {"All rights reserved.", 666},
    {"www.zorbix.example", 666},
};

} // namespace

const CVexAssetTables& CVexAssetTables::Get()
{
    static const CVexAssetTables tables;
    return tables;
}

CVexAssetTables::CVexAssetTables()
{
    for (int i = 0; i < VEX_IMAGE_COUNT; ++i)
        m_images[i] = {CVortanString(kImages[i]), i};
    for (int i = 0; i < VEX_SOUND_COUNT; ++i)
        m_sounds[i] = {CVortanString(kSounds[i]), i};
    for (int i = 0; i < VEX_MUSIC_COUNT; ++i)
        m_music[i] = {CVortanString(kMusic[i]), i};
    for (int i = 0; i < VEX_LEVEL_COUNT; ++i)
        m_levels[i] = {CVortanString(kLevels[i]), 0};
    // Training scene i is the file named by i + 1 in two digits.
    for (int i = 0; i < VEX_TRAINING_COUNT; ++i) {
        m_training[i].name.Format(L"%02d.scn", i + 1);
        m_training[i].value = 0;
    }
    for (int i = 0; i < VEX_PACK_COUNT; ++i)
        m_packs[i] = kPacks[i];
    for (int i = 0; i < VEX_GRAPHICS_EXT_COUNT; ++i)
        m_graphicsExts[i] = kGraphicsExts[i];
    // The pictures of the game intro, numbered from 1.
    for (int i = 0; i < VEX_INTRO_SLIDE_COUNT; ++i)
        m_introSlides[i].Format(L"Kuva%02d.jpg", i + 1);
    m_font = kFont;
    for (int i = 0; i < VEX_CREDITS_COUNT; ++i)
        m_credits[i] = {CVortanString(kCredits[i].text), kCredits[i].key};
    for (int i = 0; i < VEX_BLOCK_SHAPE_COUNT; ++i)
        m_blockSizes[i].Set(kBlockSizes[i][0], kBlockSizes[i][1]);
}
