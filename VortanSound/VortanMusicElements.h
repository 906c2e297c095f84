// The media elements the music player builds its pipeline from. Every element name the player
// depends on lives here, so that a machine with another decoder or audio output needs a change in
// this file only.
#pragma once

typedef struct _GstElement GstElement;

// Roles of the elements in the music pipeline, in stream order.
enum EVortanMusicElement {
    VORTAN_MUSIC_SOURCE = 0, // reads the file ("filesrc")
    VORTAN_MUSIC_PARSER,     // frames the MP3 stream ("mpegaudioparse")
    VORTAN_MUSIC_DECODER,    // MP3 to PCM ("mpg123audiodec", else "avdec_mp3")
    VORTAN_MUSIC_CONVERTER,  // sample format conversion ("audioconvert")
    VORTAN_MUSIC_VOLUME,     // owns the "volume" property, 0.0..1.0 ("volume")
    VORTAN_MUSIC_RESAMPLER,  // rate conversion for the output ("audioresample")
    VORTAN_MUSIC_SINK,       // the audio output ("alsasink", else "autoaudiosink")
    VORTAN_MUSIC_ELEMENT_COUNT
};

class CVortanMusicElements {
public:
    // A new element for the role with the given instance name (a floating reference, as the
    // element factory gives it), or null when no element for the role exists on this machine.
    static GstElement* Make(int role, const char* instanceName);

    // Test seam: replaces the element of a role by the named element, or, for a description
    // holding several words ("filesink location=/tmp/x.raw", "a ! b"), by a bin built from
    // it. Null restores the machine's own choice.
    static void SetOverride(int role, const char* description);
};
