// CreateGameApplication: the game module's factory of the program's application.
#pragma once

class COrlogateApplication;

// The application with the game's state, ready to run, or null. The platform argument is
// handed on to the window creation, which does not use it.
COrlogateApplication* CreateGameApplication(void* platform);
