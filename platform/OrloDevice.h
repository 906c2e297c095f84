// COrloDevice: what device the program runs on, and the device's D-Bus services
// (vibration, opening a web page in the browser, reading the IMEI).
#pragma once
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"

class IVortanApplication;

// Indices into the device information (GetInfo).
enum {
    ORLO_DEVICE_MODEL = 0,
    ORLO_DEVICE_MAKER = 1,
    ORLO_DEVICE_IMEI = 2,
    ORLO_DEVICE_OS_NAME = 3,
    ORLO_DEVICE_OS_VERSION = 4,
    ORLO_DEVICE_SPARE = 5,
    ORLO_DEVICE_INFO_COUNT = 6
};

// Longest wait for one service call, in milliseconds: a service that hangs must not
// hold the main thread for long.
#define ORLO_DEVICE_CALL_TIMEOUT_MS 3000

class COrloDevice {
public:
    COrloDevice();
    virtual ~COrloDevice();

    // Fills the device information (the IMEI from the SIM service) and switches
    // vibrations on. Returns VORTAN_OK.
    int Init(IVortanApplication* application);
    // The six information texts; callers may overwrite the IMEI.
    CVortanString* GetInfo() { return m_info; }

    void SetVibrations(int on) { m_vibrations = on; }
    int GetVibrations() const { return m_vibrations; }
    // One short vibration when vibrations are on; the argument is not used.
    void Vibrate(int unused);
    // Asks the browser to open the page; spaces become "_".
    void OpenUrl(const CVortanString& url);
    // The IMEI, or "" when the service does not answer.
    CVortanString GetImei();
    // Percent-encodes the text in place: 0-9, A-Z and a-z stay, every other byte becomes
    // "%XX". Units up to 0xFF are taken as Latin-1 bytes, higher ones as their UTF-8 bytes.
    static void UrlEncode(CVortanString& text);
    void Shutdown() {}

private:
    COrloDevice(const COrloDevice&) = delete;
    COrloDevice& operator=(const COrloDevice&) = delete;

    IVortanApplication* m_application;
    CVortanString m_info[ORLO_DEVICE_INFO_COUNT];
    i32 m_vibrations;
};
