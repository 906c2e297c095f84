// CVortanMusicElements: the element names of the music pipeline.
#include "VortanSound/VortanMusicElements.h"

#include <gst/gst.h>

#include <string>

#include "engine/VortanMutex.h"

namespace {

// Candidates per role, the preferred one first.
const char* const kCandidates[VORTAN_MUSIC_ELEMENT_COUNT][2] = {
    {"filesrc", nullptr},          {"mpegaudioparse", nullptr}, {"mpg123audiodec", "avdec_mp3"},
    {"audioconvert", nullptr},     {"volume", nullptr},         {"audioresample", nullptr},
    {"alsasink", "autoaudiosink"},
};

CVortanMutex g_overrideLock; // guards the overrides
std::string g_override[VORTAN_MUSIC_ELEMENT_COUNT];
bool g_overridden[VORTAN_MUSIC_ELEMENT_COUNT];

GstElement* MakeFromDescription(const std::string& description, const char* instanceName)
{
    if (description.find_first_of(" !") == std::string::npos)
        return gst_element_factory_make(description.c_str(), instanceName);
    GError* error = nullptr;
    GstElement* bin = gst_parse_bin_from_description(description.c_str(), TRUE, &error);
    if (error) {
        g_error_free(error);
        if (bin) {
            gst_object_ref_sink(bin);
            gst_object_unref(bin);
        }
        return nullptr;
    }
    if (bin && instanceName)
        gst_object_set_name(GST_OBJECT(bin), instanceName);
    return bin;
}

} // namespace

GstElement* CVortanMusicElements::Make(int role, const char* instanceName)
{
    if (role < 0 || role >= VORTAN_MUSIC_ELEMENT_COUNT)
        return nullptr;
    {
        CVortanMutexLock lock(g_overrideLock);
        if (lock.IsLocked() && g_overridden[role])
            return MakeFromDescription(g_override[role], instanceName);
    }
    for (const char* name : kCandidates[role]) {
        if (!name)
            break;
        if (GstElement* element = gst_element_factory_make(name, instanceName))
            return element;
    }
    return nullptr;
}

void CVortanMusicElements::SetOverride(int role, const char* description)
{
    if (role < 0 || role >= VORTAN_MUSIC_ELEMENT_COUNT)
        return;
    CVortanMutexLock lock(g_overrideLock);
    if (!lock.IsLocked())
        return;
    g_overridden[role] = description != nullptr;
    g_override[role] = description ? description : "";
}
