#pragma once

// Internal to the db library. The embedded engine, at its first attachment in a process,
// looks for the ICU libraries by trying one versioned file name after another: some 470
// names before it reaches the version of a current system. For each name the dynamic loader
// does not know it maps its cache file, searches every system folder and unmaps the cache
// again, which costs about a third of a millisecond here and was most of the program's
// start-up. These functions tell the names the loader can find from the others at the cost
// of a table look-up, so that it is only asked to search for those (see dlopen in fb_api.cpp).

#include <optional>
#include <string>
#include <unordered_set>

namespace LibraryLookup {

// The dynamic loader's cache file.
inline constexpr const char *LoaderCacheFile = "/etc/ld.so.cache";
// The beginning of the file names the engine tries in its search for ICU.
inline constexpr const char *IcuPrefix = "libicu";

// The library names the loader's cache lists, or nothing when the file cannot be read or is
// not in the format this function knows (the format of current systems).
std::optional<std::unordered_set<std::string>> cachedLibraryNames(const std::string &cacheFile);

// The names beginning with the prefix under which the loader can find a library: those its
// cache lists, and the files of the folders of the search path (LD_LIBRARY_PATH as given,
// colons or semicolons between folders, an empty one for the current folder) and of the
// system folders. Nothing when that cannot be told: the cache is unknown, or a folder of the
// search path names a variable such as $ORIGIN.
std::optional<std::unordered_set<std::string>>
findableLibraries(const std::string &prefix, const std::string &cacheFile, const char *libraryPath);

// True for the names the engine tries in its search for ICU: bare file names (no folder)
// of its common or its internationalisation library.
bool isIcuProbe(const char *name);

// For a name beginning with IcuPrefix that this process's loader surely cannot find, a path
// at which the loader fails at once: in the first system folder, which does not hold it.
// Asking for that path leaves the loader's own error text, as a failed search would. Nothing
// when the name may be found, or when that cannot be told. The loader's cache and folders
// are read once.
std::optional<std::string> pathThatFailsAtOnce(const char *name) noexcept;

} // namespace LibraryLookup
