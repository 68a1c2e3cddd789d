// register and unregister: Explorer's view of .pvz textures, for this user.
#include <CLI/CLI.hpp>
#include <filesystem>

#include "cli/cli_texts.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/explorer_registration.h"
#include "platform/explorer_names.h"

namespace qm::cli {

namespace {

void Fail(std::string_view text, std::string_view detail = {}) {
    WriteAndFlush(stderr, "quillmere-cli: " + std::string(text) + std::string(detail) + "\n");
}

}  // namespace

void ExplorerCommand::Register(CLI::App& app) {
    const bool registering = action_ == Action::kRegister;
    command_ = app.add_subcommand(
        registering ? "register" : "unregister",
        std::string(registering ? text::kRegisterDescription : text::kUnregisterDescription));
}

bool ExplorerCommand::Chosen() const {
    return command_ != nullptr && command_->parsed();
}

// The programs are found beside quillmere-cli.exe: register refuses, and
// writes nothing, when one is missing. Either may run any number of times.
ExitCode ExplorerCommand::Run() const {
    const std::wstring folder = ProgramFolder();
    if (folder.empty()) {
        Fail(text::kWindowsOnly);
        return ExitCode::kUsage;
    }
    const std::vector<RegistryValue> values = ExplorerValues(folder);
    std::string error;
    if (action_ == Action::kRegister) {
        for (const std::wstring_view file : {explorer::kDialogFile, explorer::kProviderFile}) {
            std::error_code ignored;
            if (!std::filesystem::is_regular_file(folder + L"\\" + std::wstring(file), ignored)) {
                std::string name;  // the names are ASCII
                for (const wchar_t c : file) name.push_back(static_cast<char>(c));
                Fail(text::kNotBeside, name);
                return ExitCode::kFailure;
            }
        }
        if (!WriteRegistryValues(values, error)) {
            Fail(text::kRegistryFailed, error);
            return ExitCode::kFailure;
        }
    } else if (!RemoveRegistryValues(values, ExplorerKeys(values), error)) {
        Fail(text::kRegistryFailed, error);
        return ExitCode::kFailure;
    }
    NotifyAssociationsChanged();
    WriteAndFlush(
        stdout,
        std::string(action_ == Action::kRegister ? text::kRegistered : text::kUnregistered) + "\n");
    return ExitCode::kSuccess;
}

}  // namespace qm::cli
