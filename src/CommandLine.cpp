#include "CommandLine.h"

#include <cstdio>
#include <cstring>

namespace tesmo {

namespace {

constexpr const char *kUsage =
    "Usage: tesmo [--help | --version]\n"
    "\n"
    "Shows the ledger of stock purchase lots kept in Tesmo.mdb in the current\n"
    "folder, creating it when it is missing. The desktop's menu starts Tesmo\n"
    "through tesmo-start, which keeps the ledger in ~/Tesmo; \"tesmo-start\n"
    "FOLDER\" starts it on the ledger of FOLDER instead.\n"
    "\n"
    "  --help     print this text and exit\n"
    "  --version  print the version and exit\n";

} // namespace

std::optional<int> answerCommandLine(int argc, char *argv[], const InternalMode &internal)
{
    if (argc <= 1)
        return std::nullopt;
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("tesmo %s\n", TESMO_VERSION);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], internal.argument) == 0)
        return internal.run();
    if (argc == 2)
        std::fprintf(stderr, "tesmo: unknown argument '%s'\n\n%s", argv[1], kUsage);
    else
        std::fprintf(stderr, "tesmo: too many arguments\n\n%s", kUsage);
    return 2;
}

} // namespace tesmo
