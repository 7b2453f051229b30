#include "lab/Sysctl.h"

#include "lab/LabError.h"

#include <fstream>
#include <sstream>

namespace vantorel::lab {
namespace {

std::string pathOf(const std::string& key) {
    std::string path = "/proc/sys/" + key;
    for (std::size_t i = sizeof "/proc/sys/" - 1; i < path.size(); ++i) {
        if (path[i] == '.')
            path[i] = '/';
    }
    return path;
}

} // namespace

void writeSysctls(const std::vector<Sysctl>& settings) {
    for (const auto& [key, value] : settings) {
        std::ofstream file(pathOf(key));
        file << value << '\n';
        file.close();
        if (!file)
            throw LabError("cannot set " + key + " to \"" + value + "\" (" + pathOf(key) + ")");
    }
}

std::string readSysctl(const std::string& key) {
    std::ifstream file(pathOf(key));
    std::stringstream content;
    content << file.rdbuf();
    if (!file)
        throw LabError("cannot read " + key + " (" + pathOf(key) + ")");
    std::string text = content.str();
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

} // namespace vantorel::lab
