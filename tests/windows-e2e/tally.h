// The drivers' account of their checks: one line per check, then "N passed, N failed", the
// closing line CI reads.
#pragma once

#include <cstdio>
#include <string>

inline int passed = 0, failed = 0;

inline bool Check(bool ok, const std::string& what, const std::string& why = {}) {
    ++(ok ? passed : failed);
    std::printf("%s %s%s%s\n", ok ? "ok  " : "FAIL", what.c_str(), ok || why.empty() ? "" : ": ",
                ok ? "" : why.c_str());
    std::fflush(stdout);
    return ok;
}

// The closing count; the exit status is 1 when any check failed.
inline int Finish() {
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
