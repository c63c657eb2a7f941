#pragma once

#include "platform/files.h"

#include <cstdint>
#include <string>

namespace testsupport {

// Every open through the file layer fails, as for a file another program holds.
class FailEveryOpen : public platform::files::FaultHook {
public:
    bool FailOpen(const std::string&) override { return true; }
};

// Every read through the file layer fails.
class FailEveryRead : public platform::files::FaultHook {
public:
    bool FailRead(const std::string&, std::uint64_t) override { return true; }
};

} // namespace testsupport
