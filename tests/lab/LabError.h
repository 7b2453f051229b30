#pragma once

#include <stdexcept>
#include <string>

namespace vantorel::lab {

// Thrown when the lab cannot build what a test asked for. Lab set-up runs inside test bodies, so
// an exception makes GoogleTest fail that test with the message, instead of the test going on
// against a network that does not exist.
class LabError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reports a failure while tearing something down. Destructors must not throw, yet a namespace or
// mount left behind would make later tests misbehave, so the failure is made visible to GoogleTest.
void reportCleanupFailure(const std::string& what);

// The message of the current errno, prefixed with what was being attempted.
std::string systemError(const std::string& what);

} // namespace vantorel::lab
