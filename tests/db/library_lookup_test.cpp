#include "db/library_lookup.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <link.h>
#include <string>
#include <vector>

#include <dlfcn.h>

using namespace LibraryLookup;

namespace {

// A loader cache file in the current format listing these names.
std::string cacheBytes(const std::vector<std::string> &names)
{
    const std::size_t header = 48, entry = 24;
    std::string strings;
    std::vector<std::uint32_t> keys;
    for (const std::string &name : names) {
        keys.push_back(static_cast<std::uint32_t>(header + entry * names.size() + strings.size()));
        strings += name + '\0';
    }
    std::string bytes(header + entry * names.size(), '\0');
    std::memcpy(bytes.data(), "glibc-ld.so.cache1.1", 20);
    const auto put = [&bytes](std::size_t offset, std::uint32_t value) {
        std::memcpy(bytes.data() + offset, &value, sizeof value);
    };
    put(20, static_cast<std::uint32_t>(names.size()));
    put(24, static_cast<std::uint32_t>(strings.size()));
    for (std::size_t i = 0; i < names.size(); ++i) {
        put(header + i * entry, 0x303);
        put(header + i * entry + 4, keys[i]);
        put(header + i * entry + 8, keys[i]);
    }
    return bytes + strings;
}

std::string write(const QTemporaryDir &folder, const char *name, const std::string &bytes)
{
    const QString path = folder.filePath(QString::fromLatin1(name));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    return path.toStdString();
}

// The file name of the ICU common library that Qt brought into this process.
std::string loadedIcu()
{
    std::string found;
    dl_iterate_phdr(
        [](dl_phdr_info *info, size_t, void *data) {
            const char *base = std::strrchr(info->dlpi_name, '/');
            if (base && std::strncmp(base + 1, "libicuuc.so.", 12) == 0)
                *static_cast<std::string *>(data) = base + 1;
            return 0;
        },
        &found);
    return found;
}

} // namespace

TEST(LibraryLookup, CacheFileNamesOrNothingWhenItCannotBeRead)
{
    const std::string good = cacheBytes({"libz.so.1", "libicuuc.so.98"});
    std::string farKey = good;
    const std::uint32_t beyond = 1u << 30;
    std::memcpy(farKey.data() + 48 + 4, &beyond, sizeof beyond);
    std::string tooMany = good;
    tooMany[20] = 100;
    struct Case {
        const char *name;
        std::string bytes;
        bool read;
    };
    const Case cases[] = {
        {"current format", good, true},
        {"no entries", cacheBytes({}), true},
        {"older format", "ld.so-1.7.0" + good, false},
        {"cut in the header", good.substr(0, 40), false},
        {"more entries than the file holds", tooMany, false},
        {"a name beyond the end", farKey, false},
        {"a name without its end", good.substr(0, good.size() - 1), false},
        {"empty file", "", false},
    };
    QTemporaryDir folder;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const auto names = cachedLibraryNames(write(folder, "ld.so.cache", c.bytes));
        ASSERT_EQ(names.has_value(), c.read);
        if (c.read) {
            EXPECT_EQ(names->size(), c.bytes == good ? 2u : 0u);
        }
        if (c.bytes == good) {
            EXPECT_TRUE(names->count("libicuuc.so.98"));
        }
    }
    EXPECT_FALSE(cachedLibraryNames(folder.filePath(QStringLiteral("none")).toStdString()));
}

// The names come from the cache, the search path's folders and the system folders; with a
// search path that cannot be followed, or no cache, nothing can be told.
TEST(LibraryLookup, FindableLibrariesFromCacheSearchPathAndSystem)
{
    QTemporaryDir folder, own;
    const std::string cache = write(folder, "ld.so.cache", cacheBytes({"libz.so.1", "libicuuc.so.98"}));
    write(own, "libicui18n.so.97", "");
    write(own, "libother.so.1", "");
    const std::string ownPath = own.path().toStdString();
    const std::string system = loadedIcu();
    ASSERT_FALSE(system.empty());

    const auto names = findableLibraries(IcuPrefix, cache, ("/nonexistent:" + ownPath).c_str());
    ASSERT_TRUE(names);
    EXPECT_TRUE(names->count("libicuuc.so.98")) << "from the cache";
    EXPECT_TRUE(names->count("libicui18n.so.97")) << "from the search path";
    EXPECT_TRUE(names->count(system)) << "from a system folder";
    EXPECT_FALSE(names->count("libz.so.1") || names->count("libother.so.1")) << "another prefix";
    EXPECT_FALSE(names->count("libicuuc.so.4_19"));

    EXPECT_FALSE(findableLibraries(IcuPrefix, cache, "$ORIGIN/lib"));
    EXPECT_FALSE(findableLibraries(IcuPrefix, cache, (ownPath + ";/usr/$LIB").c_str()));
    EXPECT_FALSE(
        findableLibraries(IcuPrefix, folder.filePath(QStringLiteral("none")).toStdString(), nullptr));
}

// Through this program's dlopen: a name of the engine's ICU search that no folder holds
// fails at once at a system folder's path; the ICU the system has still opens; any other
// name goes through the loader's own search, as always.
TEST(LibraryLookup, DlopenAnswersMissingIcuNamesAtOnce)
{
    struct Case {
        std::string name;
        bool opens;
        std::string error;
    };
    const std::string system = loadedIcu();
    const Case cases[] = {
        {"libicuuc.so.4_19", false, "/lib/x86_64-linux-gnu/libicuuc.so.4_19: cannot open"},
        {"libicui18n.so.52", false, "/lib/x86_64-linux-gnu/libicui18n.so.52: cannot open"},
        {system, true, ""},
        {"libnosuchlibrary.so.4_19", false, "libnosuchlibrary.so.4_19: cannot open"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(isIcuProbe(c.name.c_str()), c.name.rfind("libicu", 0) == 0);
        void *handle = dlopen(c.name.c_str(), RTLD_NOW);
        EXPECT_EQ(handle != nullptr, c.opens);
        if (handle) {
            dlclose(handle);
            continue;
        }
        const char *error = dlerror();
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(std::string(error).rfind(c.error, 0), 0u) << error;
    }
    EXPECT_FALSE(isIcuProbe("/usr/lib/libicuuc.so.72"));
    EXPECT_FALSE(isIcuProbe("libicudata.so.72"));
}
