// vortanpack: builds, lists and extracts DMP2 data packs.
//
//   vortanpack create OUT.dmp [--key KEY] (FILE | --dir DIR)...
//   vortanpack list PACK.dmp
//   vortanpack extract PACK.dmp OUTDIR [--key KEY]
//
// Every file becomes one entry named "/" + its bare file name. A directory adds its regular
// files (names starting with "." are skipped) in byte order of their names. Exit status: 0
// success, 1 failure, 2 bad arguments.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "engine/VortanDataScrambler.h"
#include "engine/VortanFile.h"
#include "engine/VortanMediaPack.h"
#include "engine/VortanString.h"

namespace {

const int kExitFailure = 1;
const int kExitUsage = 2;
// Largest pack the reader can address (its positions are 32-bit signed).
const long long kMaxPackBytes = 0x7fffffffLL;
const size_t kMaxNameBytes = 65535;

void Usage()
{
    fprintf(stderr,
            "usage:\n"
            "  vortanpack create OUT.dmp [--key KEY] (FILE | --dir DIR)...\n"
            "  vortanpack list PACK.dmp\n"
            "  vortanpack extract PACK.dmp OUTDIR [--key KEY]\n"
            "Entries are named \"/\" + the bare file name. --dir adds the regular files of DIR\n"
            "(not those starting with \".\") in byte order of their names. --key scrambles\n"
            "(create) or unscrambles (extract) every entry's data with the key (3 or more\n"
            "characters).\n");
}

std::string BareName(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Reads a whole file through the engine's file class.
bool ReadFile(const std::string& path, std::vector<unsigned char>* data)
{
    CVortanFile file;
    if (file.Open(CVortanString(path.c_str()), VORTAN_FILE_READ) != VORTAN_OK) {
        fprintf(stderr, "vortanpack: cannot open %s\n", path.c_str());
        return false;
    }
    int size = file.GetSize();
    data->assign(static_cast<size_t>(size), 0);
    if (size > 0 && file.Read(data->data(), size) != size) {
        fprintf(stderr, "vortanpack: cannot read %s\n", path.c_str());
        return false;
    }
    return true;
}

bool Scramble(const std::string& key, std::vector<unsigned char>* data)
{
    if (key.empty() || data->empty())
        return true;
    CVortanDataScrambler scrambler;
    return scrambler.Process(CVortanString(key.c_str()), data->data(),
                             static_cast<int>(data->size())) == VORTAN_OK;
}

void PutLE16(std::string* out, unsigned value)
{
    out->push_back(static_cast<char>(value & 0xff));
    out->push_back(static_cast<char>((value >> 8) & 0xff));
}

void PutLE32(std::string* out, unsigned long long value)
{
    for (int i = 0; i < 4; ++i)
        out->push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

bool IsRegularFile(const std::string& path, long long* size)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    *size = static_cast<long long>(info.st_size);
    return true;
}

bool AddDirectory(const std::string& dir, std::vector<std::string>* files)
{
    DIR* handle = opendir(dir.c_str());
    if (!handle) {
        fprintf(stderr, "vortanpack: cannot read directory %s: %s\n", dir.c_str(), strerror(errno));
        return false;
    }
    std::vector<std::string> names;
    while (struct dirent* item = readdir(handle)) {
        std::string name = item->d_name;
        long long size = 0;
        if (name.empty() || name[0] == '.')
            continue;
        if (IsRegularFile(dir + "/" + name, &size))
            names.push_back(name);
    }
    closedir(handle);
    std::sort(names.begin(), names.end());
    std::string prefix = dir;
    if (prefix.empty() || prefix.back() != '/')
        prefix += '/';
    for (const std::string& name : names)
        files->push_back(prefix + name);
    return true;
}

// Entry names must select themselves under the reader's look-up by containment: no name may
// repeat, and no earlier name may contain a later one.
bool CheckNames(const std::vector<std::string>& names, const std::vector<std::string>& files)
{
    std::set<std::string> seen;
    for (size_t i = 0; i < names.size(); ++i) {
        if (!seen.insert(names[i]).second) {
            fprintf(stderr, "vortanpack: duplicate entry name %s (from %s)\n", names[i].c_str(),
                    files[i].c_str());
            return false;
        }
    }
    for (size_t j = 0; j < names.size(); ++j) {
        for (size_t i = 0; i < j; ++i) {
            if (names[i].find(names[j]) != std::string::npos) {
                fprintf(stderr,
                        "vortanpack: entry %s comes before %s and contains its name, so %s "
                        "could never be found; list %s first\n",
                        names[i].c_str(), names[j].c_str(), names[j].c_str(), files[j].c_str());
                return false;
            }
        }
    }
    return true;
}

// Gives a file made by mkstemp the mode an ordinary new file would have.
bool SetDefaultMode(const std::string& path)
{
    mode_t mask = umask(0);
    umask(mask);
    return chmod(path.c_str(), 0666 & ~mask) == 0;
}

// Writes all of `bytes` to the descriptor.
bool WriteAll(int fd, const void* bytes, size_t size)
{
    const char* p = static_cast<const char*>(bytes);
    while (size > 0) {
        ssize_t put = write(fd, p, size);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        p += put;
        size -= static_cast<size_t>(put);
    }
    return true;
}

// Opens the pack just written and checks that every entry is found by its own name.
bool VerifyPack(const std::string& path, const std::vector<std::string>& names,
                const std::vector<long long>& sizes)
{
    CVortanMediaPack pack;
    if (pack.Open(CVortanString(path.c_str())) != VORTAN_OK ||
        pack.GetEntryCount() != (int)names.size())
        return false;
    for (size_t i = 0; i < names.size(); ++i) {
        CVortanMediaPackEntry* entry = pack.GetEntryAt(static_cast<int>(i));
        int size = pack.GetEntry(CVortanString(names[i].c_str()), 0);
        if (!entry || size != sizes[i] ||
            pack.GetFile()->GetPosition() != static_cast<long long>(entry->m_offset) + 8)
            return false;
    }
    return true;
}

int Create(const std::string& out, const std::string& key, const std::vector<std::string>& sources,
           const std::vector<bool>& isDir)
{
    if (!key.empty() && key.size() < 3) {
        fprintf(stderr, "vortanpack: the key needs at least 3 characters\n");
        return kExitUsage;
    }
    std::vector<std::string> files;
    for (size_t i = 0; i < sources.size(); ++i) {
        if (isDir[i]) {
            if (!AddDirectory(sources[i], &files))
                return kExitFailure;
        } else {
            files.push_back(sources[i]);
        }
    }
    if (files.empty()) {
        fprintf(stderr, "vortanpack: no files to pack (a pack needs at least one entry)\n");
        return kExitFailure;
    }

    std::vector<std::string> names;
    std::vector<long long> sizes;
    for (const std::string& file : files) {
        std::string bare = BareName(file);
        if (bare.empty()) {
            fprintf(stderr, "vortanpack: %s names no file\n", file.c_str());
            return kExitFailure;
        }
        long long size = 0;
        if (!IsRegularFile(file, &size)) {
            fprintf(stderr, "vortanpack: %s is not a readable regular file\n", file.c_str());
            return kExitFailure;
        }
        if (bare.size() + 1 > kMaxNameBytes) {
            fprintf(stderr, "vortanpack: the name of %s is too long\n", file.c_str());
            return kExitFailure;
        }
        names.push_back("/" + bare);
        sizes.push_back(size);
    }
    if (!CheckNames(names, files))
        return kExitFailure;

    // Table first: each data block's offset follows from the sizes.
    std::string table = "DMP2";
    PutLE32(&table, names.size());
    long long offset = 8;
    for (const std::string& name : names)
        offset += 2 + static_cast<long long>(name.size()) + 4;
    for (size_t i = 0; i < names.size(); ++i) {
        PutLE16(&table, static_cast<unsigned>(names[i].size()));
        table += names[i];
        PutLE32(&table, static_cast<unsigned long long>(offset));
        offset += 8 + sizes[i];
        if (offset > kMaxPackBytes) {
            fprintf(stderr, "vortanpack: the pack would exceed %lld bytes\n", kMaxPackBytes);
            return kExitFailure;
        }
    }

    std::string temp = out + ".XXXXXX";
    int fd = mkstemp(&temp[0]);
    if (fd < 0) {
        fprintf(stderr, "vortanpack: cannot create %s: %s\n", temp.c_str(), strerror(errno));
        return kExitFailure;
    }
    bool ok = WriteAll(fd, table.data(), table.size());
    for (size_t i = 0; ok && i < files.size(); ++i) {
        std::vector<unsigned char> data;
        if (!ReadFile(files[i], &data)) {
            ok = false;
            break;
        }
        if (static_cast<long long>(data.size()) != sizes[i]) {
            fprintf(stderr, "vortanpack: %s changed while packing\n", files[i].c_str());
            ok = false;
            break;
        }
        if (!Scramble(key, &data)) {
            fprintf(stderr, "vortanpack: cannot scramble %s\n", files[i].c_str());
            ok = false;
            break;
        }
        std::string header;
        PutLE32(&header, 0);
        PutLE32(&header, static_cast<unsigned long long>(sizes[i]));
        ok = WriteAll(fd, header.data(), header.size()) && WriteAll(fd, data.data(), data.size());
        if (!ok)
            fprintf(stderr, "vortanpack: cannot write %s: %s\n", temp.c_str(), strerror(errno));
    }
    if (ok && fsync(fd) != 0) {
        fprintf(stderr, "vortanpack: cannot write %s: %s\n", temp.c_str(), strerror(errno));
        ok = false;
    }
    if (close(fd) != 0)
        ok = false;
    if (ok && !SetDefaultMode(temp)) {
        fprintf(stderr, "vortanpack: cannot set the mode of %s: %s\n", temp.c_str(),
                strerror(errno));
        ok = false;
    }
    if (ok && !VerifyPack(temp, names, sizes)) {
        fprintf(stderr, "vortanpack: the written pack does not read back\n");
        ok = false;
    }
    if (ok && rename(temp.c_str(), out.c_str()) != 0) {
        fprintf(stderr, "vortanpack: cannot write %s: %s\n", out.c_str(), strerror(errno));
        ok = false;
    }
    if (!ok) {
        unlink(temp.c_str());
        return kExitFailure;
    }
    return 0;
}

const char* OpenError(int code)
{
    switch (code) {
    case VORTAN_E_OPEN:
        return "cannot open the file";
    case VORTAN_E_MALFORMED:
        return "not a valid DMP2 pack";
    case VORTAN_E_NOMEMORY:
        return "out of memory";
    default:
        return "cannot read the pack";
    }
}

// The entry's data size with the pack file at its data; false when the entry's data does not
// lie inside the pack (an entry of size 0 is fine).
bool SelectEntry(CVortanMediaPack& pack, int index, int* size)
{
    *size = pack.GetEntry(CVortanString(), index);
    if (*size > 0)
        return true;
    CVortanMediaPackEntry* entry = pack.GetEntryAt(index);
    CVortanFile* file = pack.GetFile();
    unsigned char word[4];
    long long start = static_cast<long long>(entry->m_offset) + 4;
    if (file->Seek(static_cast<int>(start), VORTAN_SEEK_SET) != start || file->Read(word, 4) != 4)
        return false;
    return word[0] == 0 && word[1] == 0 && word[2] == 0 && word[3] == 0;
}

int List(const std::string& path)
{
    CVortanMediaPack pack;
    int result = pack.Open(CVortanString(path.c_str()));
    if (result != VORTAN_OK) {
        fprintf(stderr, "vortanpack: %s: %s\n", path.c_str(), OpenError(result));
        return kExitFailure;
    }
    int status = 0;
    for (int i = 0; i < pack.GetEntryCount(); ++i) {
        std::string name = VortanBytesOf(pack.GetEntryAt(i)->m_name);
        int size = 0;
        if (!SelectEntry(pack, i, &size)) {
            fprintf(stderr, "vortanpack: %s: the data of entry %s runs past the end\n",
                    path.c_str(), name.c_str());
            status = kExitFailure;
            continue;
        }
        printf("%d %s\n", size, name.c_str());
    }
    return status;
}

bool WriteFileAtomically(const std::string& path, const std::vector<unsigned char>& data)
{
    std::string temp = path + ".XXXXXX";
    int fd = mkstemp(&temp[0]);
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, data.data(), data.size()) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && SetDefaultMode(temp) && rename(temp.c_str(), path.c_str()) == 0;
    if (!ok)
        unlink(temp.c_str());
    return ok;
}

int Extract(const std::string& path, const std::string& outDir, const std::string& key)
{
    if (!key.empty() && key.size() < 3) {
        fprintf(stderr, "vortanpack: the key needs at least 3 characters\n");
        return kExitUsage;
    }
    CVortanMediaPack pack;
    int result = pack.Open(CVortanString(path.c_str()));
    if (result != VORTAN_OK) {
        fprintf(stderr, "vortanpack: %s: %s\n", path.c_str(), OpenError(result));
        return kExitFailure;
    }
    if (mkdir(outDir.c_str(), 0777) != 0 && errno != EEXIST) {
        fprintf(stderr, "vortanpack: cannot create %s: %s\n", outDir.c_str(), strerror(errno));
        return kExitFailure;
    }
    int status = 0;
    std::set<std::string> written;
    for (int i = 0; i < pack.GetEntryCount(); ++i) {
        const CVortanString& entryName = pack.GetEntryAt(i)->m_name;
        std::string name = VortanBytesOf(entryName);
        std::string bare = BareName(name);
        // Only a plain file name inside the output directory is written.
        if (bare.empty() || bare == "." || bare == ".." || bare.find('\0') != std::string::npos ||
            static_cast<int>(name.size()) != entryName.GetLength()) {
            fprintf(stderr, "vortanpack: skipping entry %d: unusable name\n", i);
            status = kExitFailure;
            continue;
        }
        if (!written.insert(bare).second) {
            fprintf(stderr, "vortanpack: skipping entry %s: %s was already extracted\n",
                    name.c_str(), bare.c_str());
            status = kExitFailure;
            continue;
        }
        int size = 0;
        std::vector<unsigned char> data;
        if (SelectEntry(pack, i, &size)) {
            data.assign(static_cast<size_t>(size), 0);
            if (size > 0 && pack.GetFile()->Read(data.data(), size) != size)
                size = -1;
        } else {
            size = -1;
        }
        if (size < 0) {
            fprintf(stderr, "vortanpack: skipping entry %s: its data runs past the end\n",
                    name.c_str());
            status = kExitFailure;
            continue;
        }
        std::string target = outDir + "/" + bare;
        if (!Scramble(key, &data) || !WriteFileAtomically(target, data)) {
            fprintf(stderr, "vortanpack: cannot write %s\n", target.c_str());
            status = kExitFailure;
        }
    }
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        Usage();
        return kExitUsage;
    }
    const std::string command = args[0];
    if (command == "create") {
        if (args.size() < 2) {
            Usage();
            return kExitUsage;
        }
        std::string key;
        std::vector<std::string> sources;
        std::vector<bool> isDir;
        for (size_t i = 2; i < args.size(); ++i) {
            if (args[i] == "--key" || args[i] == "--dir") {
                if (i + 1 >= args.size()) {
                    Usage();
                    return kExitUsage;
                }
                if (args[i] == "--key") {
                    key = args[++i];
                } else {
                    sources.push_back(args[++i]);
                    isDir.push_back(true);
                }
            } else if (args[i].size() > 1 && args[i].compare(0, 2, "--") == 0) {
                Usage();
                return kExitUsage;
            } else {
                sources.push_back(args[i]);
                isDir.push_back(false);
            }
        }
        if (sources.empty()) {
            Usage();
            return kExitUsage;
        }
        return Create(args[1], key, sources, isDir);
    }
    if (command == "list" && args.size() == 2)
        return List(args[1]);
    if (command == "extract" && (args.size() == 3 || (args.size() == 5 && args[3] == "--key")))
        return Extract(args[1], args[2], args.size() == 5 ? args[4] : std::string());
    Usage();
    return kExitUsage;
}
