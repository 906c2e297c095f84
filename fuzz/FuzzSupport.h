// Shared pieces of the fuzz targets: a scratch directory for the parsers that read files,
// splitting one input into parts, and checks whose failure stops the run like a crash.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <string>
#include <utility>

namespace vfuzz {

// A directory of this process for the files a target writes (on tmpfs when there is one),
// made on first use and removed with everything in it when the process exits normally.
const std::string& ScratchDir();
inline std::string ScratchFile(const std::string& name)
{
    return ScratchDir() + "/" + name;
}

// Replaces the file's content. A file that cannot be written stops the run: a broken harness
// must not pass for a clean one.
void WriteFile(const std::string& path, const void* data, size_t size);
inline void WriteFile(const std::string& path, const std::string& bytes)
{
    WriteFile(path, bytes.data(), bytes.size());
}

// The bytes before the first NUL and the bytes after it (empty when there is no NUL).
std::pair<std::string, std::string> SplitAtNul(const uint8_t* data, size_t size);

// Prints the failed expectation and aborts; libFuzzer keeps the input as a crash.
[[noreturn]] void Fail(const char* expectation, const char* file, int line);

} // namespace vfuzz

#define VFUZZ_CHECK(condition) ((condition) ? (void)0 : vfuzz::Fail(#condition, __FILE__, __LINE__))
