// In-process servers installed with the programs that use them, in a private library folder:
// on its first run in a prefix, an installed program registers them there itself, as an
// installer does for each user on Windows.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace winpal {

// One server library of an installed layout.
struct InstalledServer {
    // The library's file name in the folder ("oestore.so").
    const char* file;
    // What it is, for the messages ("the mail store").
    const char* title;
    // The HKEY_LOCAL_MACHINE key whose default value names the library the prefix loads: a
    // class's "Software\\Classes\\CLSID\\{...}\\InprocServer32", or a key such as the address
    // book's DLLPath.
    const char* pathKey;
};

// The folder at `relative` from the folder `from` when it holds every one of `servers`: the
// program or module runs from an installed layout. None otherwise, as in the build tree, where
// the servers lie beside the programs and are registered by hand (regsvr).
std::optional<std::filesystem::path> InstalledServerFolder(
    const std::filesystem::path& from, const std::filesystem::path& relative,
    std::span<const InstalledServer> servers);

// Registers each of `servers` from `folder` that the prefix does not have yet, by loading it and
// calling its DllRegisterServer as regsvr does. Returns a line for the user about each server it
// registered ("PROGRAM: registered TITLE (PATH) in the prefix PREFIX") or could not register (with
// the reason). A server that the prefix loads from another file is left as it is, with a note;
// one whose registered file no longer exists is registered from `folder`. Nothing is said about
// a server already registered from `folder`, so a program says so once, on its first run.
std::vector<std::string> RegisterInstalledServers(const std::filesystem::path& folder,
                                                  std::span<const InstalledServer> servers,
                                                  const char* program);

}  // namespace winpal
