// ORLO_WEB_SERVER: scheme and host of the service's web server, the start of every web link
// that the program opens (the game's help and social pages, the online client's links).
#pragma once

// The reserved ".invalid" domain: no service answers there yet.
#define ORLO_WEB_SERVER "http://www.orlogate.invalid"
