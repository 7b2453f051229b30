#include "support/UserFolders.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace vantorel::test {

namespace {
std::string& root() {
    static std::string path;
    return path;
}
} // namespace

void isolateUserFolders() {
    char pattern[] = "/tmp/vantorel-test-home-XXXXXX";
    if (!::mkdtemp(pattern))
        std::abort();
    root() = pattern;
    for (const char* name :
         {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
        const auto folder = root() + "/" + name;
        std::filesystem::create_directories(folder);
        ::setenv(name, folder.c_str(), 1);
    }
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(root(), ignored);
    });
}

} // namespace vantorel::test
