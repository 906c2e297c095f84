// Test seams for the two-copy runs: shorter battle timers, read from the environment. Unset (as
// on every user's device) they are the battle's own 30 s.
#ifndef VEX_TEST_TIMERS_H
#define VEX_TEST_TIMERS_H

// The turn's time limit in seconds: ORLO_TURN_SECONDS when it holds a whole number from 5 to
// 30, else 30.
float VexTurnLimitSeconds();

// How long an ended online battle waits at most for what it sent to be acknowledged before it
// leaves: ORLO_UNACKED_HOLD_SECONDS when it holds a whole number from 5 to 30, else 30.
float VexUnackedHoldSeconds();

#endif
