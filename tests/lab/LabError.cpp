#include "lab/LabError.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

namespace vantorel::lab {

void reportCleanupFailure(const std::string& what) {
    ADD_FAILURE() << "lab clean-up failed: " << what;
}

std::string systemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

} // namespace vantorel::lab
