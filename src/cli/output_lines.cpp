#include "cli/output_lines.h"

namespace qm::cli {

void AppendPrefixedLines(std::string_view path, std::string_view text, std::string& out) {
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find_first_of("\r\n", start);
        const std::string_view line = text.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        out.append(path);
        out.append(": ");
        out.append(line);
        out.push_back('\n');
        if (end == std::string_view::npos) {
            return;
        }
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') {
            ++start;
        }
        if (start == text.size()) {
            return;  // the text ended with a line break
        }
    }
}

}  // namespace qm::cli
