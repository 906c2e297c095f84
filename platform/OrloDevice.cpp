// COrloDevice: device information and the device's D-Bus services.
#include "platform/OrloDevice.h"

#include <string>

#include <dbus/dbus-glib-lowlevel.h>
#include <dbus/dbus-glib.h>
#include <dbus/dbus.h>

namespace {

// Appends the UTF-8 bytes of a code point.
void AppendUTF8(std::string& out, u32 cp)
{
    if (cp < 0x80) {
        out += (char)cp;
    } else if (cp < 0x800) {
        out += (char)(0xC0 | (cp >> 6));
        out += (char)(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += (char)(0xE0 | (cp >> 12));
        out += (char)(0x80 | ((cp >> 6) & 0x3F));
        out += (char)(0x80 | (cp & 0x3F));
    } else {
        out += (char)(0xF0 | (cp >> 18));
        out += (char)(0x80 | ((cp >> 12) & 0x3F));
        out += (char)(0x80 | ((cp >> 6) & 0x3F));
        out += (char)(0x80 | (cp & 0x3F));
    }
}

// Code point of the unit at i (a surrogate pair is joined and i moves past its second
// half); a lone surrogate becomes U+FFFD.
u32 CodePointAt(const unsigned short* units, int length, int& i)
{
    u32 u = units[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < length && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
        u32 cp = 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00);
        ++i;
        return cp;
    }
    if (u >= 0xD800 && u <= 0xDFFF)
        return 0xFFFD;
    return u;
}

// The text as UTF-8, as D-Bus strings must be; it ends at the first NUL unit.
std::string ToBusString(const CVortanString& text)
{
    std::string out;
    const unsigned short* units = text.GetBuffer();
    int length = text.GetLength();
    for (int i = 0; i < length && units[i] != 0; ++i)
        AppendUTF8(out, CodePointAt(units, length, i));
    return out;
}

// One synchronous call on the system bus: connect, make a proxy, call, release both.
// `argument` (a string) is sent when non-null; with `reply` the call expects
// (string, int32) back and stores the string. Returns true when the call succeeded.
// Every failure is cleared and dropped.
bool CallSystemBus(const char* name, const char* path, const char* interface, const char* method,
                   const char* argument, std::string* reply)
{
    GError* error = nullptr;
    DBusGConnection* connection = dbus_g_bus_get_private(DBUS_BUS_SYSTEM, nullptr, &error);
    if (!connection) {
        if (error)
            g_error_free(error);
        return false;
    }
    DBusConnection* raw = dbus_g_connection_get_connection(connection);
    // A vanishing bus must never end the program.
    dbus_connection_set_exit_on_disconnect(raw, FALSE);

    bool ok = false;
    DBusGProxy* proxy = dbus_g_proxy_new_for_name(connection, name, path, interface);
    if (proxy) {
        gboolean called;
        if (reply) {
            char* text = nullptr;
            gint unused = 0;
            called = dbus_g_proxy_call_with_timeout(proxy, method, ORLO_DEVICE_CALL_TIMEOUT_MS,
                                                    &error, G_TYPE_INVALID, G_TYPE_STRING, &text,
                                                    G_TYPE_INT, &unused, G_TYPE_INVALID);
            if (called && text)
                *reply = text;
            g_free(text);
        } else if (argument) {
            called = dbus_g_proxy_call_with_timeout(proxy, method, ORLO_DEVICE_CALL_TIMEOUT_MS,
                                                    &error, G_TYPE_STRING, argument, G_TYPE_INVALID,
                                                    G_TYPE_INVALID);
        } else {
            called = dbus_g_proxy_call_with_timeout(proxy, method, ORLO_DEVICE_CALL_TIMEOUT_MS,
                                                    &error, G_TYPE_INVALID, G_TYPE_INVALID);
        }
        ok = called != FALSE;
        if (error) {
            g_error_free(error);
            error = nullptr;
        }
        g_object_unref(proxy);
    }
    dbus_connection_close(raw);
    dbus_g_connection_unref(connection);
    return ok;
}

} // namespace

COrloDevice::COrloDevice() : m_application(nullptr), m_vibrations(0) {}

COrloDevice::~COrloDevice() {}

int COrloDevice::Init(IVortanApplication* application)
{
    m_application = application;
    m_info[ORLO_DEVICE_MODEL] = "N900";
    m_info[ORLO_DEVICE_MAKER] = "Nokia";
    m_info[ORLO_DEVICE_IMEI] = GetImei();
    m_info[ORLO_DEVICE_OS_NAME] = "Linux (Maemo)";
    m_info[ORLO_DEVICE_OS_VERSION] = "4.1";
    m_info[ORLO_DEVICE_SPARE].Empty();
    m_vibrations = 1;
    return VORTAN_OK;
}

void COrloDevice::Vibrate(int /*unused*/)
{
    if (!m_vibrations)
        return;
    CallSystemBus("com.nokia.mce", "/com/nokia/mce/request", "com.nokia.mce.request",
                  "req_vibrator_pattern_activate", "PatternTouchscreen", nullptr);
}

void COrloDevice::OpenUrl(const CVortanString& url)
{
    CVortanString page(url);
    int length = page.GetLength();
    for (int i = 0; i < length; ++i) {
        if (page.GetAt(i) == ' ')
            page.SetAt(i, '_');
    }
    // Sent as UTF-8: a D-Bus string must be valid UTF-8, and ASCII addresses are unchanged.
    std::string bytes = ToBusString(page);
    CallSystemBus("com.nokia.osso_browser", "/com/nokia/osso_browser/request",
                  "com.nokia.osso_browser", "load_url", bytes.c_str(), nullptr);
}

CVortanString COrloDevice::GetImei()
{
    CVortanString imei;
    std::string reply;
    if (CallSystemBus("com.nokia.phone.SIM", "/com/nokia/phone/SIM/security", "Phone.Sim.Security",
                      "get_imei", nullptr, &reply) &&
        !reply.empty())
        imei.AssignUTF8(reply.c_str(), (int)reply.size());
    return imei;
}

void COrloDevice::UrlEncode(CVortanString& text)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string bytes;
    const unsigned short* units = text.GetBuffer();
    int length = text.GetLength();
    for (int i = 0; i < length; ++i) {
        if (units[i] <= 0xFF)
            bytes += (char)units[i];
        else
            AppendUTF8(bytes, CodePointAt(units, length, i));
    }
    std::string out;
    out.reserve(bytes.size() * 3);
    for (unsigned char b : bytes) {
        if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z')) {
            out += (char)b;
        } else {
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 15];
        }
    }
    text = out.c_str();
}
