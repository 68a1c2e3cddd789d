#include <windows.h>

#include <thread>

#include "platform/utf16_win.h"
#include "support/run_program.h"

namespace qm::test {
namespace {

// One argument as the C runtime splits a command line: quoted when it is
// empty or holds blanks or quotes; backslashes are literal except before a
// quote, where each is doubled, and the quote itself escaped.
std::wstring Quoted(const std::string& arg) {
    const std::wstring text = Utf16FromUtf8(arg);
    if (!text.empty() && text.find_first_of(L" \t\n\v\"") == std::wstring::npos) return text;
    std::wstring quoted = L"\"";
    for (auto it = text.begin();; ++it) {
        std::size_t backslashes = 0;
        for (; it != text.end() && *it == L'\\'; ++it) ++backslashes;
        if (it == text.end()) {  // before the closing quote
            quoted.append(2 * backslashes, L'\\');
            break;
        }
        quoted.append(*it == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        quoted += *it;
    }
    return quoted + L'"';
}

void ReadAll(HANDLE from, std::string* into) {
    char buffer[4096];
    for (DWORD got = 0; ::ReadFile(from, buffer, sizeof buffer, &got, nullptr) && got > 0;) {
        into->append(buffer, got);
    }
}

}  // namespace

ProgramRun RunProgram(const std::string& program, const Texts& args, const std::string& folder,
                      const std::string& input, std::uint64_t /*addressSpace*/) {
    ProgramRun run;
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE in[2], out[2], err[2];  // [0] read end, [1] write end; the child's end is inherited
    if (!::CreatePipe(&in[0], &in[1], &inherited, 0)) return run;
    if (!::CreatePipe(&out[0], &out[1], &inherited, 0)) return run;
    if (!::CreatePipe(&err[0], &err[1], &inherited, 0)) return run;
    for (HANDLE mine : {in[1], out[0], err[0]})
        ::SetHandleInformation(mine, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in[0];
    startup.hStdOutput = out[1];
    startup.hStdError = err[1];
    std::wstring line = L"\"" + Utf16FromUtf8(program) + L"\"";
    for (const std::string& arg : args) line += L" " + Quoted(arg);
    const std::wstring where = Utf16FromUtf8(folder);
    PROCESS_INFORMATION process{};
    const bool started =
        ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                         folder.empty() ? nullptr : where.c_str(), &startup, &process);
    for (HANDLE childs : {in[0], out[1], err[1]}) ::CloseHandle(childs);
    std::thread errors(ReadAll, err[0], &run.err);
    DWORD written = 0;
    if (started && !input.empty()) {
        ::WriteFile(in[1], input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
    }
    ::CloseHandle(in[1]);
    ReadAll(out[0], &run.out);
    errors.join();
    ::CloseHandle(out[0]);
    ::CloseHandle(err[0]);
    if (started) {
        DWORD status = 0;
        ::WaitForSingleObject(process.hProcess, INFINITE);
        ::GetExitCodeProcess(process.hProcess, &status);
        run.status = static_cast<int>(status);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    return run;
}

}  // namespace qm::test
