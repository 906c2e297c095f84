// CreateVexState: the one place that knows which game screens exist.
#pragma once

class CVexState;

// A new screen of the type (VEX_STATE_*), not yet initialised; null for a type that the game
// has no screen for.
CVexState* CreateVexState(int typeId);
