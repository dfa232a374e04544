#include "session.h"

#include <fstream>
#include <stdexcept>

namespace {

constexpr std::string_view kOpen = "\xC2\xAB";   // «
constexpr std::string_view kClose = "\xC2\xBB";  // »

std::runtime_error Malformed(const std::string& path, int line, const std::string& why) {
    return std::runtime_error(path + ":" + std::to_string(line) + ": " + why);
}

}  // namespace

std::vector<SessionStep> ReadSession(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error(path + ": cannot be read");
    std::vector<SessionStep> steps;
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        if (text.empty() || text[0] == '#') continue;
        const std::size_t space = text.find(' ');
        const std::string word = text.substr(0, space);
        const std::string rest = space == std::string::npos ? "" : text.substr(space + 1);
        if (word == "input" || word == "log") {
            if (!rest.starts_with(kOpen) || !rest.ends_with(kClose) ||
                rest.size() < kOpen.size() + kClose.size()) {
                throw Malformed(path, line, "the text must stand between « and »");
            }
            const std::string quoted =
                rest.substr(kOpen.size(), rest.size() - kOpen.size() - kClose.size());
            steps.push_back(
                {word == "input" ? SessionStep::Input : SessionStep::Log, quoted, 0, line});
        } else if (word == "click" || word == "checked") {
            std::size_t used = 0;
            int number = 0;
            try {
                number = std::stoi(rest, &used);
            } catch (const std::exception&) {
                used = 0;
            }
            if (used == 0 || used != rest.size())
                throw Malformed(path, line, "a number must follow");
            steps.push_back(
                {word == "click" ? SessionStep::Click : SessionStep::Checked, "", number, line});
        } else {
            throw Malformed(path, line, "unknown step \"" + word + "\"");
        }
    }
    return steps;
}
