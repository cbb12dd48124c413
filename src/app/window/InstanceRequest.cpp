#include "app/window/InstanceRequest.h"

namespace moxel {

namespace {

constexpr std::string_view kProgramWord = "program ";

} // namespace

std::string requestLine(const InstanceRequest& request) {
    switch (request.kind) {
    case InstanceRequest::Kind::Panic:
        return "panic";
    case InstanceRequest::Kind::Program:
        return std::string(kProgramWord) + std::to_string(request.program);
    case InstanceRequest::Kind::Show:
        break;
    }
    return "show";
}

std::optional<InstanceRequest> parseRequestLine(std::string_view line) {
    if (line == "show") {
        return InstanceRequest{InstanceRequest::Kind::Show};
    }
    if (line == "panic") {
        return InstanceRequest{InstanceRequest::Kind::Panic};
    }
    if (line.starts_with(kProgramWord)) {
        if (const std::optional<int> program =
                parseProgramNumber(line.substr(kProgramWord.size()))) {
            return InstanceRequest{InstanceRequest::Kind::Program, *program};
        }
    }
    return std::nullopt;
}

std::optional<int> parseProgramNumber(std::string_view text) {
    for (int program = 0; program <= 127; ++program) {
        if (text == std::to_string(program)) {
            return program;
        }
    }
    return std::nullopt;
}

} // namespace moxel
