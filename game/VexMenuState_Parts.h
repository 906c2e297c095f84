// The parts the menu and the screens around it make alike: a button manager that reports to
// the screen and the field of drifting dots.
#pragma once

class CStateGame;
class CVexButtonListener;
class CVexButtonManager;
class CVexDotField;
class CVexRenderer;

// A button manager drawing with the renderer and reporting to the listener; null without memory.
CVexButtonManager* NewScreenButtons(CVexRenderer* renderer, CVexButtonListener* listener);
// A dot field of the game with the number of dots spawned; null without memory.
CVexDotField* NewScreenDots(CStateGame* game, CVexRenderer* renderer, int dots);
