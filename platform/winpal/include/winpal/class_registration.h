// Class registrations under HKEY_CLASSES_ROOT: the keys an in-process server writes when it
// registers itself (DllRegisterServer) and removes when it unregisters, and the small reads and
// writes of such keys.
#pragma once

#include <optional>
#include <string>

#include <winpal/types.h>

namespace winpal {

// The file of `module` as GetModuleFileNameA gives it, however long; empty when there is none.
// A library finds its own module with ModuleFromAddress.
std::string ModuleFileName(HMODULE module);

// Sets the value `name` (null: the default value) of HKEY_CLASSES_ROOT\`subKey` to the REG_SZ
// `text`, creating the key and its parents.
bool SetClassesText(const std::string& subKey, const char* name, const std::string& text);
// The REG_SZ value `name` (null: the default value) of HKEY_CLASSES_ROOT\`subKey`, when the key
// and the value exist.
std::optional<std::string> ClassesText(const std::string& subKey, const char* name = nullptr);
// Creates HKEY_CLASSES_ROOT\`subKey` (and its parents) without a value.
bool CreateClassesKey(const std::string& subKey);
// Whether HKEY_CLASSES_ROOT\`subKey` exists and has subkeys.
bool ClassesKeyHasSubkeys(const std::string& subKey);
// Removes HKEY_CLASSES_ROOT\`subKey` with everything below it; a key that is not there counts
// as removed.
bool DeleteClassesTree(const std::string& subKey);

// One class served by a library.
struct InprocServerClass {
    CLSID clsid;
    // The class key's default value (its type name).
    std::string description;
    // InprocServer32's ThreadingModel ("Apartment", "Free", "Both"); none when null.
    const char* threadingModel = nullptr;
    // When given: CLSID\{clsid}\ProgID = progId, and the key progId = description with
    // progId\CLSID = {clsid}.
    const char* progId = nullptr;
};

// Writes CLSID\{clsid} = description and CLSID\{clsid}\InprocServer32 = the file of `module`
// (with its ThreadingModel), and the ProgID entries. False when the module has no file or a
// write fails.
bool RegisterInprocServer(HMODULE module, const InprocServerClass& server);

// Removes CLSID\{clsid} and, when given, the key progId, each with everything below it.
bool UnregisterInprocServer(REFCLSID clsid, const char* progId = nullptr);

}  // namespace winpal
