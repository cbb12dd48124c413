#include "app/presenter/ProblemLines.h"

#include <cstdio>
#include <string_view>

namespace moxel {

std::string problemLine(const std::string& text) {
    std::string line;
    const char* separator = "";
    for (std::string_view rest = text; !rest.empty();) {
        const std::size_t end = rest.find("\r\n");
        const std::string_view part = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 2);
        if (!part.empty()) {
            line.append(separator).append(part);
            separator = line.size() == part.size() ? " " : ": ";
        }
    }
    return line;
}

void ProblemLines::tell(const Problem& problem) {
    event(problem.said.empty() ? problemLine(problem.text) : problem.said);
}

void ProblemLines::event(const std::string& line) {
    std::fputs(("moxel: " + line + "\n").c_str(), stderr);
}

} // namespace moxel
