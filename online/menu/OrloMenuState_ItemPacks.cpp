// COrloMenuState: the item data packs — the server's pack list, the per-frame check of the
// local files by digest, and chunked downloads written into a temporary file that takes the
// pack's name only once its digest matches.
#include "online/menu/OrloMenuState.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "engine/VortanMD5.h"
#include "online/net/OrloNetworkSession.h"
#include "platform/OrloApplication.h"

namespace {
// The file layer's form of a path: one byte per unit.
std::string PathOf(const CVortanString& path)
{
    std::string out;
    const unsigned short* units = path.GetBuffer();
    for (int i = 0; units && i < path.GetLength(); ++i)
        out += (char)(units[i] & 0xFF);
    return out;
}

// 1 when the file at `path` holds exactly `size` bytes whose MD5 is `digest`.
int FileMatches(const std::string& path, i32 size, const u8* digest, u8* buffer)
{
    if (!buffer)
        return 0;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    struct stat info;
    if (fstat(fd, &info) != 0 || info.st_size != (off_t)size) {
        close(fd);
        return 0;
    }
    MD5Context context;
    MD5Init(&context);
    for (;;) {
        const ssize_t n = read(fd, buffer, COrloMenuState::PACK_CHUNK);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            close(fd);
            return 0;
        }
        if (n == 0)
            break;
        MD5Update(&context, buffer, (unsigned int)n);
    }
    close(fd);
    MD5Final(&context);
    return memcmp(context.digest, digest, 16) == 0 ? 1 : 0;
}

int WriteAt(const std::string& path, i64 offset, const u8* bytes, int length)
{
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return 0;
    int done = 0;
    while (done < length) {
        const ssize_t n = pwrite(fd, bytes + done, (size_t)(length - done), offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += (int)n;
    }
    close(fd);
    return done == length ? 1 : 0;
}
} // namespace

int COrloMenuState::GetItemTempPath(int dataId, CVortanString& out)
{
    out.Empty();
    if (!m_application || !m_game)
        return VORTAN_E_FAIL;
    char name[64];
    snprintf(name, sizeof(name), "data_%d_%d.dmp.part", m_game->GetGameNumber(), dataId);
    return m_application->GetUserDataPath(out, CVortanString(name)) == VORTAN_OK ? VORTAN_OK
                                                                                 : VORTAN_E_FAIL;
}

// 1 when an entry of the item list uses the pack.
static int PackInUse(const CVortanPtrArray& items, int dataId)
{
    for (int i = 0; i < items.GetCount(); ++i) {
        const i32* entry = (const i32*)items.GetAt(i);
        if (entry && entry[COrloMenuState::ITEM_DATA_ID] == dataId)
            return 1;
    }
    return 0;
}

void COrloMenuState::OnItemData(const CVortanArray<SItemData>& packs)
{
    for (int i = 0; i < packs.GetSize(); ++i) {
        const SItemData& record = packs[i];
        // A record the client could never verify or store is left out.
        if (record.digestLength != 16 || record.size < 0 || record.size > PACK_SIZE_MAX)
            continue;
        int at = -1;
        for (int j = 0; j < m_packs.GetSize() && at < 0; ++j) {
            if (m_packs[j].id == record.id)
                at = j;
        }
        if (at < 0) {
            if (m_packs.GetSize() >= PACKS_MAX)
                continue;
            ItemPack fresh;
            memset(&fresh, 0, sizeof(fresh));
            fresh.state = PACK_UNCHECKED;
            if (m_packs.SetAtGrow(m_packs.GetSize(), fresh) != VORTAN_OK)
                continue;
            at = m_packs.GetSize() - 1;
        } else {
            ItemPack& pack = m_packs[at];
            const int needed = record.version != 0 || PackInUse(m_items, record.id);
            const int same = pack.size == record.size && pack.version == record.version &&
                             memcmp(pack.digest, record.digest, 16) == 0;
            if (needed || !same) {
                pack.valid = 0;
                pack.state = PACK_UNCHECKED;
            } else {
                pack.valid = 1;
                pack.state = PACK_READY;
            }
        }
        ItemPack& pack = m_packs[at];
        pack.id = record.id;
        pack.version = record.version;
        memcpy(pack.digest, record.digest, 16);
        pack.size = record.size;
        // Each list grants every pack its own downloads again.
        pack.downloads = 0;
    }
    m_itemCheckPending = 1;
    m_packLoadingShown = 0;
}

// Starts (or, past the cap, gives up) the download of the pack: the old files go, and the
// first chunk is asked for.
static void StartDownload(COrloMenuState* menu, COrloMenuState::ItemPack& pack,
                          COrloNetworkSession* session, const std::string& path,
                          const std::string& temporary)
{
    unlink(path.c_str());
    unlink(temporary.c_str());
    pack.valid = 0;
    if (pack.downloads >= COrloMenuState::PACK_DOWNLOADS_MAX) {
        // No file: the items of this pack stay away, and the menu carries on.
        pack.state = COrloMenuState::PACK_READY;
        return;
    }
    ++pack.downloads;
    pack.state = COrloMenuState::PACK_DOWNLOADING;
    const int fd = open(temporary.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0)
        close(fd);
    pack.askedOffset = 0;
    pack.idle = 0.0f;
    // The first chunk is asked for at its full length, whatever the pack's size: the server
    // sends what there is.
    pack.askedLength = COrloMenuState::PACK_CHUNK;
    (void)menu;
    if (session && pack.size > 0)
        session->SendGetItemPackChunk(pack.id, 0, pack.askedLength);
}

// The download of `pack` has all its bytes in the temporary file: it becomes the pack when its
// digest matches, else the pack is fetched again.
static void FinishDownload(COrloMenuState* menu, COrloMenuState::ItemPack& pack, u8* buffer,
                           COrloNetworkSession* session, const std::string& path,
                           const std::string& temporary)
{
    if (FileMatches(temporary, pack.size, pack.digest, buffer) &&
        rename(temporary.c_str(), path.c_str()) == 0) {
        pack.valid = 1;
        pack.state = COrloMenuState::PACK_READY;
        return;
    }
    StartDownload(menu, pack, session, path, temporary);
}

void COrloMenuState::OnItemPackData(int dataId, int offset, const u8* bytes, int length,
                                    int remaining)
{
    // The listed size decides where the pack ends; the count of what remains is the server's
    // word only.
    (void)remaining;
    if (length < 1 || !bytes)
        return;
    ItemPack* pack = nullptr;
    for (int i = 0; i < m_packs.GetSize() && !pack; ++i) {
        if (m_packs[i].id == dataId && m_packs[i].state == PACK_DOWNLOADING)
            pack = &m_packs[i];
    }
    // Only the chunk asked for counts: the entry's, at its offset, no longer than asked.
    if (!pack || offset != pack->askedOffset || length > pack->askedLength ||
        (i64)offset + length > pack->size)
        return;
    CVortanString path, temporary;
    if (GetItemDataPath(dataId, path) != VORTAN_OK ||
        GetItemTempPath(dataId, temporary) != VORTAN_OK)
        return;
    const std::string file = PathOf(path), part = PathOf(temporary);
    COrloNetworkSession* session = GetSession();
    if (!WriteAt(part, offset, bytes, length)) {
        // The chunk is lost: the whole pack is fetched again.
        StartDownload(this, *pack, session, file, part);
        return;
    }
    pack->idle = 0.0f;
    const int next = offset + length;
    if (next >= pack->size) {
        FinishDownload(this, *pack, m_workBuffer, session, file, part);
        return;
    }
    const int left = pack->size - next;
    pack->askedOffset = next;
    pack->askedLength = left < PACK_CHUNK ? left : PACK_CHUNK;
    if (session)
        session->SendGetItemPackChunk(dataId, next, pack->askedLength);
}

void COrloMenuState::RunItemCheck(float seconds)
{
    // A lost lobby connection ends the downloads under way: the next list finishes them.
    COrloNetworkSession* session = GetSession();
    if (session && (session->GetStatus() & 0xFF) == 0) {
        int ended = 0;
        for (int i = 0; i < m_packs.GetSize(); ++i) {
            ItemPack& pack = m_packs[i];
            if (pack.state != PACK_DOWNLOADING)
                continue;
            CVortanString temporary;
            if (GetItemTempPath(pack.id, temporary) == VORTAN_OK)
                unlink(PathOf(temporary).c_str());
            pack.state = PACK_UNCHECKED;
            ended = 1;
        }
        // The check resumes with the next login or list; its loading page goes with it.
        if (ended) {
            m_itemCheckPending = 0;
            if (m_packLoadingShown)
                HideLoading();
            m_packLoadingShown = 0;
        }
        return;
    }
    // A download the server left without the chunk it asked for (silence, or only chunks that
    // do not count) starts again, until the cap gives it up.
    for (int i = 0; i < m_packs.GetSize(); ++i) {
        ItemPack& pack = m_packs[i];
        if (pack.state != PACK_DOWNLOADING)
            continue;
        pack.idle += seconds;
        if (pack.idle < PACK_STALL_SECONDS)
            continue;
        CVortanString path, temporary;
        if (GetItemDataPath(pack.id, path) == VORTAN_OK &&
            GetItemTempPath(pack.id, temporary) == VORTAN_OK)
            StartDownload(this, pack, session, PathOf(path), PathOf(temporary));
    }
    if (!m_itemCheckPending || m_inMatch)
        return;
    int downloading = 0;
    for (int i = 0; i < m_packs.GetSize(); ++i) {
        ItemPack& pack = m_packs[i];
        if (pack.state == PACK_UNCHECKED) {
            CVortanString path, temporary;
            if (GetItemDataPath(pack.id, path) != VORTAN_OK ||
                GetItemTempPath(pack.id, temporary) != VORTAN_OK)
                continue;
            const std::string file = PathOf(path), part = PathOf(temporary);
            if (access(file.c_str(), F_OK) == 0) {
                if (FileMatches(file, pack.size, pack.digest, m_workBuffer)) {
                    pack.valid = 1;
                    pack.state = PACK_READY;
                } else {
                    StartDownload(this, pack, session, file, part);
                }
            } else if (pack.version == 0 && !PackInUse(m_items, pack.id)) {
                pack.state = PACK_READY;
            } else {
                StartDownload(this, pack, session, file, part);
            }
            // An empty pack has no chunk to wait for (each turn counts as a download).
            while (pack.state == PACK_DOWNLOADING && pack.size == 0)
                FinishDownload(this, pack, m_workBuffer, session, file, part);
        }
        if (pack.state == PACK_DOWNLOADING)
            downloading = 1;
    }
    if (downloading) {
        // Shown once per run, so that its time-out can free a menu whose server went silent.
        if (!m_packLoadingShown) {
            m_packLoadingShown = 1;
            ShowLoading(MenuText(33), MenuText(34));
        }
        return;
    }
    m_itemCheckPending = 0;
    m_packLoadingShown = 0;
    HideLoading();
}
