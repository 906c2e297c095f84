// CVexState: the part every game screen shares.
#include "game/VexState.h"

#include "game/StateGame.h"

CVexState::CVexState()
    : m_game(nullptr), m_renderer(nullptr), m_world(nullptr), m_nextState(0), m_typeId(0),
      m_done(0), m_result(0)
{}

CVexState::~CVexState() {}

int CVexState::Init(CStateGame* game)
{
    m_game = game;
    m_renderer = game ? game->GetRenderer() : nullptr;
    m_world = game ? game->GetPhysicsWorld() : nullptr;
    return VORTAN_OK;
}

void CVexState::Reset()
{
    m_done = 0;
    m_nextState = 0;
}
