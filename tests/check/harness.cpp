#include "harness.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

const std::string& TempFolder() {
    static const struct Folder {
        std::string path = ::testing::TempDir() + "kestrune_check_" + std::to_string(getpid());
        Folder() { std::filesystem::create_directories(path); }
        ~Folder() { std::filesystem::remove_all(path); }
    } folder;
    return folder.path;
}

std::string TempFile(const std::string& name, std::string_view bytes) {
    const std::string path = TempFolder() + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

CheckRun RunCheck(const std::vector<std::string>& args, std::string_view input,
                  check::Environment env, int inFd) {
    const std::string in = TempFile("stdin", input);
    std::FILE* inFile = inFd < 0 ? std::fopen(in.c_str(), "rb") : nullptr;
    char* out = nullptr;
    char* err = nullptr;
    std::size_t outSize = 0, errSize = 0;
    if (inFile) {
        env.standardInput = fileno(inFile);
        env.out = open_memstream(&out, &outSize);
    }
    env.err = open_memstream(&err, &errSize);
    const int status = check::RunCommandLine(args, env);
    std::fclose(env.out);
    std::fclose(env.err);
    if (inFile) std::fclose(inFile);
    CheckRun outcome{status, out ? std::string(out, outSize) : "", std::string(err, errSize)};
    std::free(out);
    std::free(err);
    return outcome;
}
