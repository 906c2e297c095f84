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
    {"Zorbix - a game of the Orlogate project", 0},
    {"", 0},
    {"- Credits -", 10},
    {"", 0},
    {"Executive Producers", 20},
    {"The Zorbix production team", 20},
    {"The Orlogate project leads", 20},
    {"", 0},
    {"Project Manager", 30},
    {"The Zorbix project office", 30},
    {"", 0},
    {"Original Idea & Game Design", 40},
    {"The Zorbix design team", 40},
    {"The squib and weapon designers", 40},
    {"The battle rules team", 40},
    {"", 0},
    {"Graphics", 50},
    {"The Zorbix art team", 50},
    {"", 0},
    {"Technology Director", 60},
    {"The engine team's lead", 60},
    {"", 0},
    {"Coding", 70},
    {"The Zorbix programmers", 70},
    {"", 0},
    {"Additional Coding", 80},
    {"The Orlogate engine team", 80},
    {"", 0},
    {"Level Design", 90},
    {"The battlefield builders", 90},
    {"The training scene authors", 90},
    {"The level testers", 90},
    {"", 0},
    {"Sound Design by the Orlogate Sound Workshop", 100},
    {"The sound effects team", 100},
    {"The ambience team", 100},
    {"", 0},
    {"Theme Song", 110},
    {"The Orlogate music team", 110},
    {"", 0},
    {"Testing", 120},
    {"The quality team", 120},
    {"The phone testers", 120},
    {"The network testers", 120},
    {"The battle testers", 120},
    {"The translation checkers", 120},
    {"The build checkers", 120},
    {"Every player of the test builds", 120},
    {"", 0},
    {"Special Thanks", 130},
    {"The project's families", 130},
    {"The project's friends", 130},
    {"Everyone who sent a bug report", 130},
    {"", 0},
    {"***", 0},
    {"", 0},
    {"Orlo Social Lounge", 140},
    {"", 0},
    {"Executive Producers", 150},
    {"The Orlogate production team", 150},
    {"The Orlogate project leads", 150},
    {"", 0},
    {"Technology", 170},
    {"The platform team", 170},
    {"The engine team", 170},
    {"", 0},
    {"Design", 180},
    {"The lounge design team", 180},
    {"The interaction designers", 180},
    {"The layout team", 180},
    {"The icon team", 180},
    {"", 0},
    {"Graphics", 190},
    {"The Orlogate art team", 190},
    {"", 0},
    {"Coders", 200},
    {"The client programmers", 200},
    {"The protocol team", 200},
    {"The toolkit team", 200},
    {"The sound team", 200},
    {"The tools team", 200},
    {"", 0},
    {"Server", 210},
    {"The lobby server team", 210},
    {"The game server team", 210},
    {"", 0},
    {"Build Manager", 215},
    {"The release team", 215},
    {"", 0},
    {"Web team", 220},
    {"The web page team", 220},
    {"The web service team", 220},
    {"", 0},
    {"Pr & Marketing", 230},
    {"The community team", 230},
    {"The news team", 230},
    {"The store team", 230},
    {"", 0},
    {"Test lead", 240},
    {"The quality team's lead", 240},
    {"", 0},
    {"Testers:", 250},
    {"The Orlogate staff, their families and friends", 250},
    {"", 0},
    {"Thank you all!", 260},
    {"", 0},
    {"Developed and published by the Orlogate project", 666},
    {"Zorbix and Orlogate are names of this project;", 666},
    {"all other names belong to their owners.", 666},
    {"www.orlogate.invalid", 666},
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
