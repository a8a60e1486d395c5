#pragma once

#include <filesystem>
#include <string_view>

namespace brindlow {

// The per-user folder of every stored file: $XDG_DATA_HOME/Brindlow, else
// ~/.local/share/Brindlow. Readers never create it; the writer does.
std::filesystem::path storageFolder();

// A file of the storage folder by name ("settings.json", "brindlow.sock", ...).
std::filesystem::path storageFile(std::string_view name);

}  // namespace brindlow
