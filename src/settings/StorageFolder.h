#pragma once

#include <filesystem>
#include <string_view>
#include <system_error>

namespace brindlow {

// The per-user folder of every stored file: $XDG_DATA_HOME/Brindlow, else
// ~/.local/share/Brindlow. Readers never create it; the writer does.
std::filesystem::path storageFolder();

// A file of the storage folder by name ("settings.json", "brindlow.sock", ...).
std::filesystem::path storageFile(std::string_view name);

// Makes a folder for stored files: its missing parents as usual, the folder
// itself for its owner only (0700), since the files hold window titles. An
// existing folder keeps its mode; one that others may write to is reported once
// at warning level. An error code when the folder cannot be had.
std::error_code createPrivateFolder(const std::filesystem::path& folder);

// Removes the temporary files that an atomic write leaves behind when the
// process dies between making and renaming them (".<name>.json.XXXXXX").
// Only safe while no other instance writes to the folder. Returns how many.
int removeStaleTempFiles(const std::filesystem::path& folder);

}  // namespace brindlow
