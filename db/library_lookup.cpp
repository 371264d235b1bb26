#include "db/library_lookup.h"

#ifndef _WIN32

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include <dirent.h>

namespace LibraryLookup {

namespace {
// Where the loader looks when neither the search path nor the cache names a library.
const char *const SystemFolders[] = {
    "/lib/x86_64-linux-gnu", "/usr/lib/x86_64-linux-gnu", "/lib64", "/usr/lib64", "/lib", "/usr/lib"};

// The cache file's layout: a header of 48 bytes (the magic text and version, the number of
// entries, the size of the string table, flags, an extension offset and reserved words),
// then entries of 24 bytes whose second word is the offset of the library's name from the
// start of the file.
constexpr char Magic[] = "glibc-ld.so.cache1.1";
constexpr std::size_t HeaderSize = 48;
constexpr std::size_t EntrySize = 24;

std::uint32_t word(const std::vector<char> &bytes, std::size_t offset)
{
    std::uint32_t value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

void addFolderEntries(const std::string &folder, const std::string &prefix,
                      std::unordered_set<std::string> &names)
{
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (const dirent *entry = ::readdir(dir)) {
        if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) == 0)
            names.emplace(entry->d_name);
    }
    ::closedir(dir);
}
} // namespace

std::optional<std::unordered_set<std::string>> cachedLibraryNames(const std::string &cacheFile)
{
    std::ifstream file(cacheFile, std::ios::binary | std::ios::ate);
    const std::streamoff size = file ? static_cast<std::streamoff>(file.tellg()) : -1;
    // A cache lists a few thousand libraries in some hundred kilobytes.
    if (size < 0 || size > (64 << 20))
        return std::nullopt;
    std::vector<char> bytes(static_cast<std::size_t>(size));
    file.seekg(0);
    if (!file.read(bytes.data(), static_cast<std::streamsize>(bytes.size())))
        return std::nullopt;
    const std::size_t magicSize = sizeof Magic - 1;
    if (bytes.size() < HeaderSize || std::memcmp(bytes.data(), Magic, magicSize) != 0)
        return std::nullopt;
    const std::uint32_t count = word(bytes, magicSize);
    if (count > (bytes.size() - HeaderSize) / EntrySize)
        return std::nullopt;
    std::unordered_set<std::string> names;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t key = word(bytes, HeaderSize + i * EntrySize + 4);
        if (key >= bytes.size() || !std::memchr(bytes.data() + key, '\0', bytes.size() - key))
            return std::nullopt;
        names.emplace(bytes.data() + key);
    }
    return names;
}

std::optional<std::unordered_set<std::string>>
findableLibraries(const std::string &prefix, const std::string &cacheFile, const char *libraryPath)
{
    const std::optional<std::unordered_set<std::string>> cached = cachedLibraryNames(cacheFile);
    if (!cached)
        return std::nullopt;
    std::unordered_set<std::string> names;
    for (const std::string &name : *cached) {
        if (name.compare(0, prefix.size(), prefix) == 0)
            names.insert(name);
    }
    if (libraryPath) {
        const std::string path(libraryPath);
        std::size_t start = 0;
        while (start <= path.size()) {
            std::size_t end = path.find_first_of(":;", start);
            if (end == std::string::npos)
                end = path.size();
            const std::string folder = path.substr(start, end - start);
            if (folder.find('$') != std::string::npos)
                return std::nullopt;
            addFolderEntries(folder.empty() ? std::string(".") : folder, prefix, names);
            start = end + 1;
        }
    }
    for (const char *folder : SystemFolders)
        addFolderEntries(folder, prefix, names);
    return names;
}

bool isIcuProbe(const char *name)
{
    return std::strchr(name, '/') == nullptr &&
           (std::strncmp(name, "libicuuc.so.", 12) == 0 || std::strncmp(name, "libicui18n.so.", 14) == 0);
}

std::optional<std::string> pathThatFailsAtOnce(const char *name) noexcept
{
    try {
        // The loader reads its search path once, when the program starts; the program never
        // changes it.
        static const std::optional<std::unordered_set<std::string>> findable =
            findableLibraries(IcuPrefix, LoaderCacheFile, std::getenv("LD_LIBRARY_PATH"));
        if (!findable || std::strncmp(name, IcuPrefix, std::strlen(IcuPrefix)) != 0 || findable->count(name))
            return std::nullopt;
        return std::string(SystemFolders[0]) + '/' + name;
    } catch (...) {
        // Out of memory: the loader answers, as it always did.
        return std::nullopt;
    }
}

} // namespace LibraryLookup

#endif
