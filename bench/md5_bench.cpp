// MD5 throughput: MD5File over a 64 MB file against the system's md5sum on the same file.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "engine/VortanFile.h"
#include "engine/VortanMD5.h"
#include "engine/VortanString.h"

extern char** environ;

namespace {

const int kFileSize = 64 << 20;

// A 64 MB file of pseudo-random bytes, written once per run.
const std::string& TestFile()
{
    static std::string path;
    if (path.empty()) {
        char dir[] = "/tmp/md5_bench_XXXXXX";
        if (!mkdtemp(dir))
            abort();
        path = std::string(dir) + "/data.bin";
        std::vector<unsigned char> data(kFileSize);
        unsigned x = 12345;
        for (auto& b : data) {
            x = x * 1103515245u + 12345u;
            b = (unsigned char)(x >> 24);
        }
        FILE* f = fopen(path.c_str(), "wb");
        if (!f || fwrite(data.data(), 1, data.size(), f) != data.size())
            abort();
        fclose(f);
        atexit([] {
            unlink(path.c_str());
            rmdir(path.substr(0, path.rfind('/')).c_str());
        });
    }
    return path;
}

void BM_MD5File(benchmark::State& state)
{
    CVortanString path(TestFile().c_str());
    for (auto _ : state) {
        CVortanFile file;
        if (file.Open(path, VORTAN_FILE_READ) != VORTAN_OK)
            state.SkipWithError("open");
        MD5Context ctx;
        MD5File(&ctx, &file);
        benchmark::DoNotOptimize(ctx.digest);
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)kFileSize);
}
BENCHMARK(BM_MD5File)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same through the file layer in 256-byte reads, for comparison.
void BM_MD5File256ByteReads(benchmark::State& state)
{
    CVortanString path(TestFile().c_str());
    for (auto _ : state) {
        CVortanFile file;
        if (file.Open(path, VORTAN_FILE_READ) != VORTAN_OK)
            state.SkipWithError("open");
        MD5Context ctx;
        MD5Init(&ctx);
        unsigned char piece[256];
        int got;
        while ((got = file.Read(piece, sizeof(piece))) > 0)
            MD5Update(&ctx, piece, (unsigned)got);
        MD5Final(&ctx);
        benchmark::DoNotOptimize(ctx.digest);
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)kFileSize);
}
BENCHMARK(BM_MD5File256ByteReads)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Md5sum(benchmark::State& state)
{
    std::string path = TestFile();
    for (auto _ : state) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        char* argv[] = {(char*)"md5sum", (char*)path.c_str(), nullptr};
        pid_t pid;
        if (posix_spawnp(&pid, "md5sum", &actions, nullptr, argv, environ) != 0) {
            state.SkipWithError("md5sum cannot be started");
            break;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        posix_spawn_file_actions_destroy(&actions);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            state.SkipWithError("md5sum failed");
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)kFileSize);
}
BENCHMARK(BM_Md5sum)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MD5Buffer(benchmark::State& state)
{
    std::vector<unsigned char> data((size_t)state.range(0), 0x5a);
    for (auto _ : state) {
        MD5Context ctx;
        MD5Buffer(&ctx, data.data(), (unsigned)data.size());
        benchmark::DoNotOptimize(ctx.digest);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_MD5Buffer)->Arg(64)->Arg(4096)->Arg(1 << 20);

} // namespace
