// Outside Windows there is no registry: register and unregister say so.
#include "cli/explorer_registration.h"

namespace qm::cli {

std::wstring ProgramFolder() {
    return {};
}

bool WriteRegistryValues(const std::vector<RegistryValue>&, std::string&) {
    return false;
}

bool RemoveRegistryValues(const std::vector<RegistryValue>&, const std::vector<std::wstring>&,
                          std::string&) {
    return false;
}

void NotifyAssociationsChanged() {}

}  // namespace qm::cli
