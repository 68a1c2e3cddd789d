// How quillmere-cli turns texts into output lines.
#pragma once

#include <string>
#include <string_view>

namespace qm::cli {

// Appends text to out as lines "PATH: line", one per line of the text. A
// line break inside the text (CR LF, LF or a lone CR) starts a new line, and
// every line gets the prefix, so a message of two lines comes out as two
// "PATH: " lines; the message is recovered by removing the prefixes and
// joining the lines again. A trailing line break ends the last line and adds
// no empty one.
void AppendPrefixedLines(std::string_view path, std::string_view text, std::string& out);

}  // namespace qm::cli
