// COrloNetworkSession: the language packs the server offers and sends.
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <string>

#include "online/net/OrloNetworkSession.h"
#include "online/protocol/ASN1Messages.h"
#include "platform/OrloLanguage.h"
#include "platform/OrloState.h"
#include "platform/OrlogateApplication.h"

namespace {

bool IsGame(const CVortanString& name)
{
    return name.CompareNoCase(CVortanString("game")) == 0;
}

// A pack name from the server: 1 to 32 of [A-Za-z0-9_-].
bool IsSafePackName(const CVortanString& name)
{
    int n = name.GetLength();
    if (n < 1 || n > 32)
        return false;
    for (int i = 0; i < n; ++i) {
        unsigned short c = name.GetAt(i);
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                  c == '_' || c == '-';
        if (!ok)
            return false;
    }
    return true;
}

// Writes the bytes to a temporary file beside the path and renames it into place.
bool WriteFileAtomically(const std::string& path, const u8* bytes, int length)
{
    std::string temporary = path + ".part";
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    int written = 0;
    while (written < length) {
        ssize_t n = write(fd, bytes + written, (size_t)(length - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            close(fd);
            unlink(temporary.c_str());
            return false;
        }
        written += (int)n;
    }
    if (fsync(fd) != 0 || close(fd) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace

void COrloNetworkSession::HandleLanguages(const u8* bytes, int length)
{
    if (!m_application)
        return;
    CVortanArray<SLanguageInfo> languages;
    CASN1AvailableLanguagesList message(&languages);
    message.Decode(bytes, length);
    for (int i = 0; i < languages.GetSize() && !m_retired; ++i) {
        const SLanguageInfo& info = languages[i];
        COrloLanguage* language = m_application->GetLanguage();
        if (IsGame(info.kind)) {
            IOrloGameState* game = m_application->GetGameState();
            language = game ? game->GetLanguageObject() : nullptr;
        }
        if (language && language->NeedsPack(info.code, info.flags))
            SendGetLanguagePack(info.code, info.kind);
    }
}

void COrloNetworkSession::HandleLanguagePack(const u8* bytes, int length)
{
    CVortanString code, kind, flags;
    i32 number = -1, size = 0;
    u8* pack = nullptr;
    CASN1LanguagePack message(&code, &kind, &flags, &number, &pack, &size);
    message.Decode(bytes, length);

    CVortanString base = kind;
    if (IsGame(kind)) {
        IOrloGameState* game = m_application ? m_application->GetGameState() : nullptr;
        COrloLanguage* language = game ? game->GetLanguageObject() : nullptr;
        base = language ? language->GetBaseName() : CVortanString();
    }
    if (!m_application || !pack || size <= 0 || number < 0 || number > 9999 ||
        !IsSafePackName(base)) {
        delete[] pack;
        return;
    }
    char name[64];
    snprintf(name, sizeof(name), "%s_%04d.dmp", VortanUTF8Of(base).c_str(), number);
    CVortanString path;
    bool saved = false;
    if (m_application->GetUserDataPath(path, CVortanString(name)) == VORTAN_OK && !path.IsEmpty())
        saved = WriteFileAtomically(VortanBytesOf(path), pack, size);
    delete[] pack;
    if (!saved)
        return;
    COrloLanguage* language = m_application->GetLanguage();
    const COrloLanguage::CLanguageEntry* current =
        language ? language->GetCurrentLanguage() : nullptr;
    if (current && current->code.CompareNoCase(code) == 0) {
        // The pack on disk changed under the current language: list and load it again.
        language->ReloadPacks();
        m_application->SetLanguage(code);
    } else if (language && !IsGame(kind)) {
        // A language new to this device: the chooser lists it at once.
        language->ReloadPacks();
    }
}
